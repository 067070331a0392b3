#include <gtest/gtest.h>

#include "runtime/OptionTable.h"

using namespace trimora;

namespace {

// A table like a program's: two flags (one with a short form), an option whose value may be
// anything, and one that refuses values it cannot read. Each option taken is written to Taken.
std::vector<TOption> SampleTable(std::string& Taken) {
    auto note = [&Taken](const std::string& Word) { Taken += (Taken.empty() ? "" : " ") + Word; };
    return {
        FlagOption("--demo", [note] { note("demo"); }),
        FlagOption("--help", [note] { note("help"); }),
        FlagOption("-h", [note] { note("help"); }),
        ValueOption("--port",
                    [note](const std::string& Value) {
                        note("port=" + Value);
                        return std::string();
                    }),
        ValueOption("--count",
                    [note](const std::string& Value) {
                        if (Value.empty() ||
                            Value.find_first_not_of("-0123456789") != std::string::npos)
                            return "bad count " + Value;
                        note("count=" + Value);
                        return std::string();
                    }),
    };
}

}  // namespace

TEST(OptionTable, ReadsArgumentListsAsEveryProgramDoes) {
    const struct {
        std::vector<std::string> Args;
        std::string Taken;  // what was applied, in order
        std::string Error;
    } cases[] = {
        {{}, "", ""},
        {{"--demo", "-h"}, "demo help", ""},
        {{"--port", "COM3", "--port=x"}, "port=COM3 port=x", ""},
        {{"--port="}, "port=", ""},           // an empty value is the option's to judge
        {{"--port=a=b"}, "port=a=b", ""},     // only the first "=" splits
        {{"--port=-x"}, "port=-x", ""},       // a value given with "=" is taken as it is
        {{"--count", "-1"}, "count=-1", ""},  // a negative number is a value
        {{"--port", "-.5"}, "port=-.5", ""},
        {{"--port", "-"}, "port=-", ""},  // "-" alone names no option
        {{"--demo", "--bogus"}, "demo", "unknown option '--bogus'"},
        {{"--bogus=1"}, "", "unknown option '--bogus=1'"},
        {{"stray"}, "", "unknown option 'stray'"},
        {{"-h=1"}, "", "unknown option '-h=1'"},  // only long options take "="
        {{"--demo=yes"}, "", "option --demo takes no value"},
        {{"--help="}, "", "option --help takes no value"},
        {{"--port"}, "", "option --port needs a value"},
        {{"--port", "--demo"}, "", "option --port needs a value"},  // an option is no value
        {{"--port", "-h"}, "", "option --port needs a value"},
        {{"--count", "x", "--demo"}, "", "bad count x"},  // stops at the first refusal
        {{"--count=", "--demo"}, "", "bad count "},
    };
    for (const auto& c : cases) {
        std::string taken;
        const std::string error = ApplyOptions(c.Args, SampleTable(taken));
        std::string args;
        for (const std::string& a : c.Args) args += " " + a;
        SCOPED_TRACE("args:" + args);
        EXPECT_EQ(error, c.Error);
        EXPECT_EQ(taken, c.Taken);
    }
}
