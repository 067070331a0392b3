#pragma once

#include <string>
#include <string_view>

namespace trimora {

// Text for a file of ours, which is UTF-8: text that is UTF-8 already (a port's path) as it is,
// anything else with each byte taken as Latin-1, the encoding of the program's own texts ("n°").
std::string AsUtf8(std::string_view Text);

}  // namespace trimora
