#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace trimora {

constexpr std::uint32_t INFINITE = 0xFFFFFFFFu;

// A kernel-style event: manual reset stays signalled until reset, auto reset lets one wait
// through and clears itself.
class TEvent {
public:
    TEvent(bool ManualReset, bool InitialState) : FManual(ManualReset), FSignalled(InitialState) {}

    void SetEvent();
    void ResetEvent();
    // True if signalled within Milliseconds (INFINITE waits without limit).
    bool WaitFor(std::uint32_t Milliseconds);

private:
    const bool FManual;
    bool FSignalled;
    std::mutex FMutex;
    std::condition_variable FCond;
};

}  // namespace trimora
