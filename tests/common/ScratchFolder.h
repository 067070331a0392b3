#pragma once

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

namespace trimora::test {

// A fresh private folder under the system's temporary folder, removed with everything in it when
// the scope ends, also when an assertion failed. One that cannot be made throws, so that no
// test goes on with a path that names the root.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::string& Prefix = "trimora-test") {
        std::string name = (std::filesystem::temp_directory_path() / (Prefix + "-XXXXXX")).string();
        if (::mkdtemp(name.data()) == nullptr)
            throw std::filesystem::filesystem_error(
                "cannot make a scratch folder", name,
                std::error_code(errno, std::generic_category()));
        FPath = name;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return FPath; }

  private:
    std::string FPath;
};

}  // namespace trimora::test
