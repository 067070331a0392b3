#include "runtime/OptionTable.h"

#include <algorithm>
#include <cctype>

namespace trimora {

namespace {

// "-1" and "-.5" read as numbers, not options.
bool LooksLikeOption(const std::string& Word) {
    return Word.size() > 1 && Word[0] == '-' &&
           !std::isdigit(static_cast<unsigned char>(Word[1])) && Word[1] != '.';
}

}  // namespace

TOption FlagOption(std::string Name, std::function<void()> Set) {
    return {std::move(Name), false, [Set = std::move(Set)](const std::string&) {
                Set();
                return std::string();
            }};
}

TOption ValueOption(std::string Name, std::function<std::string(const std::string&)> Apply) {
    return {std::move(Name), true, std::move(Apply)};
}

std::string ApplyOptions(const std::vector<std::string>& Args, const std::vector<TOption>& Table) {
    for (std::size_t i = 0; i < Args.size(); ++i) {
        std::string name = Args[i];
        std::string value;
        bool valueGiven = false;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            valueGiven = true;
        }
        const auto option = std::find_if(Table.begin(), Table.end(),
                                         [&](const TOption& o) { return o.Name == name; });
        if (option == Table.end()) return "unknown option '" + Args[i] + "'";
        if (!option->TakesValue && valueGiven) return "option " + name + " takes no value";
        if (option->TakesValue && !valueGiven) {
            if (i + 1 >= Args.size() || LooksLikeOption(Args[i + 1]))
                return "option " + name + " needs a value";
            value = Args[++i];
        }
        if (std::string refused = option->Apply(value); !refused.empty()) return refused;
    }
    return {};
}

}  // namespace trimora
