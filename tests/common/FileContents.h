#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace trimora::test {

// The bytes of the file at Path; empty when it cannot be read.
inline std::string FileText(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The lines of the file at Path, without their line ends; none when it cannot be read.
inline std::vector<std::string> FileLines(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace trimora::test
