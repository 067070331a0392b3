#include "tests/e2e/chaos/ChaosEvents.h"

namespace trimora::test {

const char* ChaosEventName(ChaosEvent Event) {
    switch (Event) {
        case ChaosEvent::ReplugSamePath:
            return "replug at the same path";
        case ChaosEvent::ReplugOtherPath:
            return "replug at another path";
        case ChaosEvent::GarbageBurst:
            return "garbage burst";
        case ChaosEvent::ConsoleSilence:
            return "console silence";
        case ChaosEvent::ConsoleRejoins:
            return "console leaves and joins";
        case ChaosEvent::SecondConsole:
            return "second console";
    }
    return "?";
}

ChaosEvent PickChaosEvent(std::mt19937& Random) {
    static constexpr std::array<double, kChaosEvents.size()> weights = {35, 10, 20, 15, 10, 10};
    std::discrete_distribution<std::size_t> pick(weights.begin(), weights.end());
    return kChaosEvents[pick(Random)];
}

int RandomMs(std::mt19937& Random, int Low, int High) {
    return std::uniform_int_distribution<int>(Low, High)(Random);
}

}  // namespace trimora::test
