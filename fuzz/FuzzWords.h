#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// An input cut at its zero bytes into words: a command line's arguments, a record's fields.
inline std::vector<std::string> ZeroSeparatedWords(const std::uint8_t* Data, std::size_t Size) {
    std::vector<std::string> words(1);
    for (std::size_t i = 0; i < Size; ++i) {
        if (Data[i] == 0)
            words.emplace_back();
        else
            words.back() += static_cast<char>(Data[i]);
    }
    return words;
}
