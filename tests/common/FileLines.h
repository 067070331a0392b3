#pragma once

#include <fstream>
#include <string>
#include <vector>

namespace trimora::test {

// The lines of the file at Path, without their line ends; none when it cannot be read.
inline std::vector<std::string> FileLines(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace trimora::test
