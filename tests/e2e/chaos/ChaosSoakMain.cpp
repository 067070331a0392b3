// chaos_soak: the real program on a virtual display against a dongle that misbehaves at random
// (scripts/soak --chaos). Prints one line of figures; exits 1 when anything failed.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/e2e/VirtualDisplay.h"
#include "tests/e2e/chaos/ChaosSoak.h"

namespace {

bool ParseCount(const char* Text, unsigned long& Value) {
    char* end = nullptr;
    Value = std::strtoul(Text, &end, 10);
    return *Text != '\0' && *end == '\0';
}

int Usage() {
    std::fprintf(stderr,
                 "usage: chaos_soak --program PATH --scratch DIR [--seconds N] [--seed S] "
                 "[--sanitized]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    trimora::test::ChaosSoakOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        unsigned long n = 0;
        const bool hasValue = i + 1 < argc;
        if (arg == "--sanitized") {
            options.Sanitized = true;
        } else if (arg == "--program" && hasValue) {
            options.Program = argv[++i];
        } else if (arg == "--scratch" && hasValue) {
            options.Scratch = argv[++i];
        } else if (arg == "--seconds" && hasValue && ParseCount(argv[++i], n) && n > 0) {
            options.Length = std::chrono::seconds(n);
        } else if (arg == "--seed" && hasValue && ParseCount(argv[++i], n)) {
            options.Seed = static_cast<std::uint32_t>(n);
        } else {
            return Usage();
        }
    }
    if (options.Program.empty() || options.Scratch.empty()) return Usage();

    trimora::test::VirtualDisplay display;
    std::string error;
    if (!display.StartAsThisProcessDisplay(error)) {
        std::fprintf(stderr, "chaos_soak: needs a virtual X server: %s\n", error.c_str());
        return 1;
    }
    trimora::test::ChaosSoak soak(options);
    const bool passed = soak.Run();
    std::printf("%s\n", soak.Figures().c_str());
    display.Stop();
    return passed ? 0 : 1;
}
