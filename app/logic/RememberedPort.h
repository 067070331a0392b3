#pragma once

#include <string>

namespace trimora {

class TVelnWirelessProtocol;

// The port where the dongle answered last, kept for the next start in the user's configuration:
// an INI file, $XDG_CONFIG_HOME/Trimora/Trimora.conf (~/.config when the variable is not set) on
// Linux, %APPDATA%\Trimora\Trimora.conf on Windows, in the same format.
class TRememberedPort {
  public:
    explicit TRememberedPort(std::string File = DefaultFile());
    static std::string DefaultFile();
    const std::string& File() const { return FFile; }

    // Empty when nothing is remembered or the file cannot be read. A file that is no plain file
    // or larger than any this program writes is not read; Ignored, when given, then says so.
    std::string Load(std::string* Ignored = nullptr) const;
    // False, with the reason, when the file cannot be written.
    bool Store(const std::string& Port, std::string& Error) const;

  private:
    // Why the file is not to be read; empty when it may be (or is missing).
    std::string Unreadable() const;
    // Value when it can name a port, else empty.
    static std::string PlainName(std::string Value);

    std::string FFile;
};

// After a search: remembers the port Protocol found the dongle on, by its by-id link when it
// has one (ttyUSB0 can come back as ttyUSB1). Nothing when the search failed. A file that cannot
// be written is reported on stderr; the program goes on.
void RememberFoundPort(const TVelnWirelessProtocol& Protocol, const TRememberedPort& Memory);

}  // namespace trimora
