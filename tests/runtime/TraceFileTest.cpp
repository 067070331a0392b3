#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/TraceFile.h"
#include "tests/common/FileContents.h"
#include "tests/common/ScratchFolder.h"

using namespace trimora;
using trimora::test::FileLines;
namespace fs = std::filesystem;

namespace {

class ScratchFolder : public test::ScratchFolder {
  public:
    ScratchFolder() : test::ScratchFolder("trimora-trace") {}
};

}  // namespace

// Each line is on disk as soon as it is written, after the time of day, behind what the file
// held before; the pane that feeds it keeps nothing.
TEST(TraceFile, AppendsEachLineAtOnceWithTheTimeOfDay) {
    ScratchFolder dir;
    const std::string path = dir.Path() + "/trace.log";
    std::ofstream(path) << "an earlier session\n";
    TTraceFile file(path);
    TTraceLogPane pane(file);

    pane.Add("->3E0A00000021 Version Req Console 0");
    EXPECT_EQ(FileLines(path).size(), 2u) << "written through, not held back";
    pane.Add(std::string("<-3E0101050B757800000021 Data of console n\xB0") + "1");

    const std::vector<std::string> lines = FileLines(path);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "an earlier session");
    const std::regex time("^[0-2][0-9]:[0-5][0-9]:[0-6][0-9]\\.[0-9]{3} ");
    EXPECT_TRUE(std::regex_search(lines[1], time)) << lines[1];
    EXPECT_EQ(lines[1].substr(13), "->3E0A00000021 Version Req Console 0");
    EXPECT_EQ(lines[2].substr(13),
              std::string("<-3E0101050B757800000021 Data of console n\xC2\xB0") + "1");
    EXPECT_EQ(pane.Count(), 0);
    EXPECT_TRUE(file.Writing());
}

// The program's own texts are Latin-1 ("n\xB0"); the file is UTF-8, which every editor and
// grep reads. What is UTF-8 already (a port's name) stays as it is.
TEST(TraceFile, TheFileIsUtf8) {
    struct Case {
        std::string Line, InFile;
    };
    const std::vector<Case> cases = {
        {"Data of console n\xB0"
         "2",
         "Data of console n\xC2\xB0"
         "2"},
        {"n\xB0\xB0 \xE9\xFF", "n\xC2\xB0\xC2\xB0 \xC3\xA9\xC3\xBF"},
        {"cut short: caf\xC3", "cut short: caf\xC3\x83"},
        {"Found on /dev/serial/by-id/usb-Caf\xC3\xA9-if00",
         "Found on /dev/serial/by-id/usb-Caf\xC3\xA9-if00"},
        {"->3E0A00000021 Version Req Console 0", "->3E0A00000021 Version Req Console 0"},
    };
    ScratchFolder dir;
    const std::string path = dir.Path() + "/trace.log";
    TTraceFile file(path);
    for (const Case& c : cases) file.WriteLine(c.Line);
    const std::vector<std::string> lines = FileLines(path);
    ASSERT_EQ(lines.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(lines[i].substr(13), cases[i].InFile);
}

// Whether the file cannot be made or the disk is full, the user hears of it once, and tracing
// to it stops without disturbing whoever writes.
TEST(TraceFile, AFailureIsReportedOnceAndEndsTracingToTheFile) {
    ScratchFolder dir;
    std::ofstream(dir.Path() + "/readonly") << "";
    fs::permissions(dir.Path() + "/readonly", fs::perms::owner_read);
    struct Case {
        std::string Path;
        std::string Says;
        bool RootMayWriteIt;
    };
    const std::vector<Case> cases = {
        {"/dev/full", "cannot write the trace file /dev/full: No space left on device", false},
        {dir.Path() + "/no/such/folder/trace.log",
         "cannot open the trace file " + dir.Path() + "/no/such/folder/trace.log: No such file",
         false},
        {dir.Path() + "/readonly",
         "cannot open the trace file " + dir.Path() + "/readonly: Permission denied", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Path);
        if (c.RootMayWriteIt && ::geteuid() == 0) continue;  // file modes do not stop root
        ::testing::internal::CaptureStderr();
        {
            TTraceFile file(c.Path);
            for (int i = 0; i < 3; ++i) file.WriteLine("->3E0A00000021 Version Req Console 0");
            EXPECT_FALSE(file.Writing());
        }
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.rfind("trimora: " + c.Says, 0), 0u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find("tracing to it stops"), std::string::npos) << err;
    }
}
