// The hex codec and the frame check with arbitrary bytes: nothing crashes or reads out of bounds,
// the conversions round-trip, and the check says what a frame is.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "protocol/FrameCodec.h"

namespace {

using namespace trimora;

bool IsUpperHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

std::string FoldLower(std::string S) {
    for (char& c : S)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return S;
}

std::string FoldUpper(std::string S) {
    for (char& c : S)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return S;
}

void CheckBytesToHex(const std::string& B) {
    const std::string hex = BytesToHex(B);
    FUZZ_CHECK(hex.size() == 2 * B.size());
    for (char c : hex) FUZZ_CHECK(IsUpperHexDigit(c));
    FUZZ_CHECK(HexToBytes(hex) == B);
    FUZZ_CHECK(HexToBytes(FoldLower(hex)) == B);
}

void CheckHexToInt(const std::string& S) {
    const std::int32_t value = HexToInt(S);
    // Only the first 8 characters count, and only ASCII letters fold.
    FUZZ_CHECK(value == HexToInt(S.substr(0, 8)));
    FUZZ_CHECK(value == HexToInt(FoldUpper(S)));
    const std::string head = S.substr(0, 8);
    bool allHex = true;
    for (char c : FoldUpper(head)) allHex = allHex && IsUpperHexDigit(c);
    if (allHex && !head.empty()) {
        const unsigned long expected = std::strtoul(head.c_str(), nullptr, 16);
        FUZZ_CHECK(static_cast<std::uint32_t>(value) == static_cast<std::uint32_t>(expected));
    }
}

void CheckHexToBytes(const std::string& S) {
    const std::string bytes = HexToBytes(S);
    FUZZ_CHECK(bytes.size() == S.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        FUZZ_CHECK(static_cast<std::uint8_t>(bytes[i]) ==
                   static_cast<std::uint8_t>(HexToInt(S.substr(2 * i, 2)) & 0xFF));
}

void CheckFrameCheck(const std::string& F) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(F[i]); };
    const bool frame =
        F.size() >= 6 && byte(0) == 0x3E && byte(F.size() - 1) == 0x21 && F.size() == byte(3) + 6u;
    FUZZ_CHECK(IsValidFrame(F) == frame);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string input(reinterpret_cast<const char*>(Data), Size);
    CheckBytesToHex(input);
    CheckHexToInt(input);
    CheckHexToBytes(input);
    CheckFrameCheck(input);
    return 0;
}
