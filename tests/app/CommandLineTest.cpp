#include <gtest/gtest.h>

#include "app/logic/CommandLine.h"

using namespace trimora;

TEST(CommandLine, AcceptsItsOptionsInBothForms) {
    struct Case {
        std::vector<std::string> args;
        std::string port;
        bool demo;
        double quitAfter;
        std::string screenshot;
    } cases[] = {
        {{}, "", false, 0, ""},
        {{"--port", "/dev/pts/7"}, "/dev/pts/7", false, 0, ""},
        {{"--port=COM3"}, "COM3", false, 0, ""},
        {{"--demo"}, "", true, 0, ""},
        {{"--demo", "--quit-after", "2.5", "--screenshot", "/tmp/a.png"},
         "",
         true,
         2.5,
         "/tmp/a.png"},
        {{"--quit-after=1", "--port", "ttyUSB0"}, "ttyUSB0", false, 1, ""},
        {{"--quit-after", ".5"}, "", false, 0.5, ""},
        {{"--quit-after", "010"}, "", false, 10, ""},  // decimal, not octal
        {{"--port=-odd-name"}, "-odd-name", false, 0, ""},
    };
    for (const Case& c : cases) {
        const TCommandLine line = ParseCommandLine(c.args);
        SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args.front());
        EXPECT_EQ(line.Error, "");
        EXPECT_FALSE(line.Help);
        EXPECT_EQ(line.Port, c.port);
        EXPECT_EQ(line.Demo, c.demo);
        EXPECT_DOUBLE_EQ(line.QuitAfter, c.quitAfter);
        EXPECT_EQ(line.Screenshot, c.screenshot);
    }
    EXPECT_EQ(ParseCommandLine({"--demo", "--demo-log", "/tmp/l"}).DemoLog, "/tmp/l");
    const TCommandLine listing = ParseCommandLine({"--list-ports", "--port=ttyUSB1"});
    EXPECT_EQ(listing.Error, "");
    EXPECT_TRUE(listing.ListPorts);
    EXPECT_EQ(listing.Port, "ttyUSB1");
    EXPECT_EQ(ParseCommandLine({"--demo", "--trace", "/tmp/t.log"}).Trace, "/tmp/t.log");
}

TEST(CommandLine, HelpWinsOverEverythingElse) {
    EXPECT_TRUE(ParseCommandLine({"--help"}).Help);
    EXPECT_TRUE(ParseCommandLine({"-h"}).Help);
    const TCommandLine line = ParseCommandLine({"--demo", "--port", "x", "--help"});
    EXPECT_TRUE(line.Help);
    EXPECT_EQ(line.Error, "");
}

TEST(CommandLine, RefusesWhatItDoesNotKnowWithAReason) {
    const std::vector<std::string> wrong[] = {
        {"--bogus"},
        {"-platform", "offscreen"},  // Qt's options are left to the environment
        {"stray"},
        {"--port"},  // value missing
        {"--port="},
        {"--demo=yes"},
        {"--quit-after", "0"},
        {"--quit-after", "-1"},
        {"--quit-after", "soon"},
        {"--quit-after", "inf"},
        {"--quit-after", "0x10"},  // hex is no way to write seconds
        {"--quit-after", "1e1"},
        {"--quit-after", "+2"},
        {"--quit-after", " 2"},
        {"--quit-after", "2,5"},
        {"--port", "--demo"},  // an option is not a port name
        {"--port", "-h"},
        {"--screenshot", "--quit-after", "2"},
        {"--screenshot", "/tmp/a.png"},  // nothing says when
        {"--demo", "--port", "COM1"},
        {"--demo-log", "/tmp/l"},
        {"--list-ports=yes"},
        {"--list-ports", "--demo"},  // the listing opens no window to run anything in
        {"--list-ports", "--quit-after", "1"},
        {"--list-ports", "--trace", "/tmp/t"},
        {"--trace"},
        {"--trace="},
        {"--quit-after", "1", "--screenshot="},  // no file: no picture, said nowhere
        {"--demo", "--demo-log", ""},
    };
    for (const auto& args : wrong) {
        const TCommandLine line = ParseCommandLine(args);
        EXPECT_NE(line.Error, "") << args.front();
        EXPECT_FALSE(line.Help);
    }
    EXPECT_NE(ParseCommandLine({"--bogus"}).Error.find("--bogus"), std::string::npos);
    EXPECT_EQ(ParseCommandLine({"--port", "--demo"}).Error, "option --port needs a value");
    EXPECT_EQ(ParseCommandLine({"--quit-after", "1", "--screenshot", ""}).Error,
              "option --screenshot needs a file name");
}

TEST(CommandLine, UsageNamesEveryOptionAndThePlatformsWordsWhereTheyBelong) {
    const TPlatformWords words = {.PortExamples = "COM7",
                                  .TraceUse = "(for support;\nreplay it)",
                                  .OtherEnds = "Log-off closes it\nas the operator does.",
                                  .InstanceScope = "in your session"};
    const std::string usage = CommandLineUsage("trimora", words);
    for (const char* option : {"--port", "--demo", "--demo-log", "--quit-after", "--screenshot",
                               "--help", "--list-ports", "--trace"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    EXPECT_EQ(usage.rfind("Usage: trimora [options]\n", 0), 0u) << usage;
    EXPECT_NE(usage.find("\n  --port NAME         try this serial port first (COM7)\n"),
              std::string::npos)
        << usage;
    // A second line of an option's words stays in the description column.
    EXPECT_NE(usage.find("the time of day (for support;\n                      replay it)\n  "),
              std::string::npos)
        << usage;
    EXPECT_TRUE(
        usage.ends_with("\n\nPress d in the window to show its text pane. Log-off closes "
                        "it\nas the operator does.\n"))
        << usage;
}
