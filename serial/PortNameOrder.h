#pragma once

#include <string>
#include <vector>

namespace trimora {

// The order port lists are shown and tried in: case-insensitive text order, so COM10 comes
// before COM2 and ttyUSB10 before ttyUSB2.
void SortPortNames(std::vector<std::string>& Names);

}  // namespace trimora
