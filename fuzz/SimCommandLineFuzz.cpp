// The emulator's command line, any words in any order: an accepted one gives a configuration
// the emulator can run.
//
// Input: the arguments, separated by zero bytes.
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzWords.h"
#include "tools/dongle_sim/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    using namespace trimora::sim;
    std::vector<std::string> args = ZeroSeparatedWords(Data, Size);
    if (Size == 0) args.clear();
    std::string error;
    const auto options = ParseCommandLine(args, error);
    if (!options) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    if (options->Help) return 0;
    FUZZ_CHECK(ValidateConfig(options->Config).empty());
    FUZZ_CHECK(options->Config.Faults.GarbageBytes <= kMaxGarbageBytes);
    return 0;
}
