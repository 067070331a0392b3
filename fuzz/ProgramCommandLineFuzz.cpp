// The program's command line, any words in any order: whatever it accepts must be a request
// the program can carry out as it stands.
//
// Input: the arguments, separated by zero bytes.
#include <cmath>

#include "app/logic/CommandLine.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzWords.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    using namespace trimora;
    std::vector<std::string> args = ZeroSeparatedWords(Data, Size);
    if (Size == 0) args.clear();
    const TCommandLine line = ParseCommandLine(args);
    FUZZ_CHECK(std::isfinite(line.QuitAfter) && line.QuitAfter >= 0);
    if (!line.Error.empty() || line.Help) return 0;
    // The window's options need the window; --demo brings its own port.
    FUZZ_CHECK(!line.ListPorts || (!line.Demo && line.QuitAfter == 0 && line.Screenshot.empty() &&
                                   line.Trace.empty()));
    FUZZ_CHECK(!line.Demo || line.Port.empty());
    FUZZ_CHECK(line.DemoLog.empty() || line.Demo);
    FUZZ_CHECK(line.Screenshot.empty() || line.QuitAfter > 0);
    return 0;
}
