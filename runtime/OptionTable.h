#pragma once

#include <functional>
#include <string>
#include <vector>

namespace trimora {

// One option of a program's command line. Apply receives the value (empty for a flag) and says
// why it refuses it, or nothing when it took it.
struct TOption {
    std::string Name;  // "--port", or a short form such as "-h"
    bool TakesValue = false;
    std::function<std::string(const std::string& Value)> Apply;
};

// A flag: refuses "--name=value".
TOption FlagOption(std::string Name, std::function<void()> Set);
// An option with a value, given as "--name value" or "--name=value".
TOption ValueOption(std::string Name, std::function<std::string(const std::string&)> Apply);

// Applies Args (the words after the program name) in order, stopping at the first that is
// wrong: an unknown word, a flag given a value, an option without its value, or a value its
// option refuses. Returns why, or nothing when every word was taken. A word that begins like an
// option is never taken as the value of the one before it ("--port=-x" still gives such a value).
std::string ApplyOptions(const std::vector<std::string>& Args, const std::vector<TOption>& Table);

}  // namespace trimora
