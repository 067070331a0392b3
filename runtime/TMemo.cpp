#include "runtime/TMemo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace trimora {

void TMemo::Add(const std::string& Line) {
    FLines.push_back(Line);
    if (OnLineAdded) OnLineAdded(Line);
}

void TMemo::Clear() {
    FLines.clear();
}

std::string TMemo::Text() const {
    std::string text;
    for (const std::string& line : FLines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void TMemo::SaveToFile(const std::string& Path) const {
    std::FILE* f = std::fopen(Path.c_str(), "wb");
    if (f == nullptr)
        throw std::runtime_error("cannot create " + Path + ": " + std::strerror(errno));
    const std::string text = Text();
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) throw std::runtime_error("cannot write " + Path);
}

}  // namespace trimora
