#pragma once

#include <sys/types.h>

#include <string>

namespace trimora::test {

// An X server of its own (Xvfb) on a display number it picks itself.
class VirtualDisplay {
  public:
    VirtualDisplay() = default;
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // False with Error set when Xvfb cannot be started or does not report its display in time.
    // Screen: width x height x depth.
    bool Start(std::string& Error, const std::string& Screen = "1024x768x24");
    // Starts it and makes it this process's display, for Qt and for the programs it starts.
    bool StartAsThisProcessDisplay(std::string& Error, const std::string& Screen = "1024x768x24");
    void Stop();
    // ":N" once started.
    const std::string& Name() const { return FName; }

  private:
    pid_t FPid = -1;
    std::string FName;
};

}  // namespace trimora::test
