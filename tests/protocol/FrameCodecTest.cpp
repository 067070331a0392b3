#include <gtest/gtest.h>

#include <random>

#include "protocol/FrameCodec.h"

using namespace trimora;

namespace {
std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s += static_cast<char>(v);
    return s;
}
}  // namespace

TEST(FrameCodec, ValidityCheckTable) {
    std::string n255 = Bytes({0x3E, 0x01, 0x00, 0xFF});
    n255 += std::string(255, '\x21');
    n255 += Bytes({0x00, 0x21});
    struct Case {
        const char* what;
        std::string frame;
        bool valid;
    };
    const Case cases[] = {
        {"empty", "", false},
        {"start and end alone", Bytes({0x3E, 0x21}), false},
        {"five bytes", Bytes({0x3E, 0x01, 0x00, 0x00, 0x21}), false},
        {"minimal", Bytes({0x3E, 0x04, 0x00, 0x00, 0x00, 0x21}), true},
        {"measure N=5, any content", Bytes({0x3E, 0x77, 0x99, 0x05, 1, 2, 3, 4, 5, 0x55, 0x21}),
         true},
        {"N=4 on 11 bytes", Bytes({0x3E, 0x01, 0x01, 0x04, 1, 2, 3, 4, 5, 0, 0x21}), false},
        {"N=6 on 11 bytes", Bytes({0x3E, 0x01, 0x01, 0x06, 1, 2, 3, 4, 5, 0, 0x21}), false},
        {"N=255 at 261 bytes", n255, true},
        {"N=255 one short", n255.substr(1), false},
        {"wrong start", Bytes({0x3C, 0x04, 0x00, 0x00, 0x00, 0x21}), false},
        {"wrong end", Bytes({0x3E, 0x04, 0x00, 0x00, 0x00, 0x20}), false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsValidFrame(c.frame), c.valid) << c.what;
}

TEST(FrameCodec, HexToIntTable) {
    struct Case {
        const char* text;
        std::int32_t value;
    };
    const Case cases[] = {
        {"", 0},
        {"3E", 62},
        {"3e", 62},
        {"ff", 255},
        {"FF", 255},
        {"FFFFFFFF", -1},
        {"7FFFFFFF", 2147483647},
        {"80000000", INT32_MIN},
        {"G", -1},
        {"1G", 15},
        {"0123456789", 0x01234567},
        {"01234567ZZZZ", 0x01234567},
    };
    for (const Case& c : cases) EXPECT_EQ(HexToInt(c.text), c.value) << c.text;
}

TEST(FrameCodec, BytesToHexAlwaysTwoUpperCaseDigits) {
    EXPECT_EQ(BytesToHex(""), "");
    EXPECT_EQ(BytesToHex(Bytes({0x0A})), "0A");
    EXPECT_EQ(BytesToHex(Bytes({0xFF})), "FF");
    EXPECT_EQ(BytesToHex(Bytes({0x3E, 0x0A, 0x00})), "3E0A00");
}

TEST(FrameCodec, HexToBytesPairsAndIgnoresAnUnpairedTail) {
    EXPECT_EQ(HexToBytes("3E0400000021"), Bytes({0x3E, 0x04, 0x00, 0x00, 0x00, 0x21}));
    EXPECT_EQ(HexToBytes("FF00"), Bytes({0xFF, 0x00}));
    EXPECT_EQ(HexToBytes(""), "");
    EXPECT_EQ(HexToBytes("FF0"), Bytes({0xFF}));
}

TEST(FrameCodec, HexRoundTripsEveryByteString) {
    std::mt19937 rng(7);
    std::string all;
    for (int v = 0; v < 256; ++v) all += static_cast<char>(v);
    EXPECT_EQ(HexToBytes(BytesToHex(all)), all);
    for (int i = 0; i < 200; ++i) {
        std::string b(rng() % 300, '\0');
        for (char& c : b) c = static_cast<char>(rng());
        ASSERT_EQ(HexToBytes(BytesToHex(b)), b);
    }
}
