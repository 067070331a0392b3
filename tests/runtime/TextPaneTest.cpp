#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "runtime/TMemo.h"
#include "tests/common/FileContents.h"

using namespace trimora;

TEST(TextPane, SavesLinesWithCrLfAndReplacesTheFile) {
    TMemo memo;
    memo.Add("ID;1;80");
    memo.Add(std::string("deg \xB0", 5));
    std::string path = ::testing::TempDir() + "/pane.txt";
    {
        std::ofstream old(path);
        old << "old content that is longer than the new one\n";
    }
    memo.SaveToFile(path);
    EXPECT_EQ(trimora::test::FileText(path), std::string("ID;1;80\r\n") + "deg \xB0" + "\r\n");
    std::remove(path.c_str());
}

TEST(TextPane, SaveToAnUnwritablePlaceThrows) {
    TMemo memo;
    memo.Add("x");
    EXPECT_THROW(memo.SaveToFile("/nonexistent-dir/x.txt"), std::runtime_error);
    EXPECT_THROW(memo.SaveToFile(::testing::TempDir()), std::runtime_error);  // a directory
}

TEST(TextPane, NotifiesAViewOfEachLine) {
    TMemo memo;
    std::vector<std::string> seen;
    memo.OnLineAdded = [&](const std::string& l) { seen.push_back(l); };
    memo.Add("a");
    memo.Add("b");
    EXPECT_EQ(seen, memo.Lines());
    EXPECT_EQ(memo.Count(), 2);
}
