#pragma once

#include <atomic>
#include <cstdint>

#include "runtime/WakeSignal.h"
#include "serial/InputQueue.h"
#include "serial/SerialDevice.h"
#include "serial/posix/SavedLine.h"
#include "serial/posix/WriteFifo.h"

namespace trimora {

struct TSerialDevice::TImpl {
    // Written by the GUI thread only while no event thread uses the device.
    std::atomic<int> Fd{-1};
    // The errno that ended the device (hang-up, removal); 0 while it works.
    std::atomic<int> GoneError{0};
    std::atomic<bool> DiscardNull{false};
    std::atomic<char> EventChar{0};
    TInputQueue Input;
    TWriteFifo Output;
    TWakeSignal WriteQueuedOrInputRoom;  // writes were queued, or the full input queue got room
    char ReadBuffer[4096];               // the one thread that reads the device
    std::int32_t WriteConstant = 1000;   // GUI thread only
    std::int32_t WriteMultiplier = 100;
    TSavedLine SavedLine;  // GUI thread only

    void MarkGone(int Errno);
};

// Opening and closing with exclusivity and the driver requests that come with them.
int OpenTerminal(const std::string& Path, int& Fd);
// Gives bytes the driver still holds the time the write time-outs allow them (at most a few
// seconds), then discards the rest, so that close() cannot hang on a stalled line; puts the
// line's settings back as the open found them.
void CloseTerminal(int Fd, std::int32_t WriteConstant, std::int32_t WriteMultiplier,
                   TSavedLine& Saved);

}  // namespace trimora
