#pragma once

#include <string>

namespace trimora::sim {

// Points the symbolic link LinkPath at Target, replacing an older link atomically. A path that
// exists and is not a symbolic link is left alone and reported.
bool PointLink(const std::string& LinkPath, const std::string& Target, std::string& Error);
// Removes LinkPath if it is a symbolic link to Target (and leaves anything else alone).
void RemoveLink(const std::string& LinkPath, const std::string& Target);

}  // namespace trimora::sim
