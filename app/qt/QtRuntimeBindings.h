#pragma once

namespace trimora {

// Plugs the runtime into Qt: hand-overs queued by workers and the descriptors the runtime watches
// are served by Qt's own event loop (exec(), processEvents(), nested modal loops), the runtime's
// pump processes Qt's pending events, and the runtime's message boxes become modal Qt boxes.
void InstallQtRuntimeBindings();

// Removes every hook again. Call it on the GUI thread after the workers have stopped and while
// the QApplication still exists: a wake that posts to a dead application would crash.
void UninstallQtRuntimeBindings();

// Serves one queued hand-over and posts itself again while more are waiting. Public so tests can
// see that one call is served per turn of the event loop.
void DrainOneHandOver();

}  // namespace trimora
