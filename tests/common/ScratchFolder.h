#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace trimora::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
// Path() is empty when it could not be made.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::string& Prefix = "trimora-test") {
        std::string name = (std::filesystem::temp_directory_path() / (Prefix + "-XXXXXX")).string();
        if (::mkdtemp(name.data()) != nullptr) FPath = name;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!FPath.empty()) std::filesystem::remove_all(FPath, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return FPath; }

  private:
    std::string FPath;
};

}  // namespace trimora::test
