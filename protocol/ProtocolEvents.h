#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "protocol/ConsoleTables.h"

namespace trimora {

// The protocol's events carry no sender; each is called only when assigned.
using TVelnProcedureEvent = std::function<void()>;
using TVelnIDProcedureEvent = std::function<void(std::int32_t id)>;
// The table is the component's own, not a copy.
using TVelnMeasureRecievedEvent =
    std::function<void(TVelnWirelessConsoleMeasures& val, std::uint8_t id_console)>;
using TVelnNAck = std::function<void(std::uint8_t id_console, std::uint8_t id_command)>;

// Progress of the dongle search.
enum class TVelnConnectionStatus : std::uint8_t { csTrying = 0, csFound = 1, csNotFound = 2 };

using TVelnConnectionStatusEvet =
    std::function<void(std::int32_t Max, std::int32_t Position, TVelnConnectionStatus connstatus,
                       const std::string& port)>;

// Calls Event when it is assigned. The call goes to a copy, so a handler may reassign or clear
// the event while it runs.
template <class Event, class... Args>
void RaiseEvent(const Event& E, Args&&... A) {
    if (!E) return;
    Event handler = E;
    handler(std::forward<Args>(A)...);
}

}  // namespace trimora
