#pragma once

namespace trimora {

// A GUI program gets no console of its own: its messages, --help and --list-ports go to the
// console it was started from, unless they are redirected already (to a file, a pipe).
void PrintToStartingConsole();

}  // namespace trimora
