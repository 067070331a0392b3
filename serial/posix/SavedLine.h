#pragma once

#include <memory>

struct termios2;

namespace trimora {

// The line settings a terminal had when the port opened it, put back when the port closes it:
// a device that was only probed must not stay raw, with echo off, at another rate. Kept as the
// kernel's termios2, so that a rate without a B* constant comes back exactly.
class TSavedLine {
  public:
    TSavedLine();
    ~TSavedLine();
    TSavedLine(const TSavedLine&) = delete;
    TSavedLine& operator=(const TSavedLine&) = delete;

    // Remembers Fd's settings; a device that gives none is later left as it is.
    void Take(int Fd);
    // Puts the remembered settings back on Fd, once.
    void Restore(int Fd);

  private:
    std::unique_ptr<termios2> FSettings;
};

}  // namespace trimora
