#pragma once

#include <cstdint>
#include <string>

struct xcb_connection_t;

namespace trimora::bench {

// Watches the X display (DISPLAY) from outside the program: tells when a top-level window
// whose title begins with a given text is first mapped, that is shown.
class WindowMapWatch {
  public:
    WindowMapWatch();
    ~WindowMapWatch();
    WindowMapWatch(const WindowMapWatch&) = delete;
    WindowMapWatch& operator=(const WindowMapWatch&) = delete;

    bool Connected() const { return FConnection != nullptr; }
    // CLOCK_MONOTONIC (ns) at which the first such window was seen mapped, waiting up to
    // TimeoutMs; -1 if none was.
    std::int64_t WaitForMap(const std::string& TitlePrefix, int TimeoutMs);

  private:
    std::string Title(std::uint32_t Window);

    xcb_connection_t* FConnection = nullptr;
};

}  // namespace trimora::bench
