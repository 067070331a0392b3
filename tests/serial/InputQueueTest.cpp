#include <gtest/gtest.h>

#include <string>

#include "serial/ComErrorFlags.h"
#include "serial/InputQueue.h"

using namespace trimora;

namespace {
std::string PopAll(TInputQueue& q) {
    std::string out(q.Count(), '\0');
    out.resize(q.Pop(out.data(), out.size()));
    return out;
}
std::uint32_t Errors(TInputQueue& q) {
    std::size_t count;
    return q.TakeErrors(count);
}
}  // namespace

TEST(InputQueue, KeepsOrderAcrossTheRingsEnd) {
    TInputQueue q(4);
    EXPECT_EQ(q.Push("abc", 3), 3u);
    char two[2];
    ASSERT_EQ(q.Pop(two, 2), 2u);
    EXPECT_EQ(std::string(two, 2), "ab");
    EXPECT_EQ(q.Push("def", 3), 3u);  // wraps
    EXPECT_EQ(PopAll(q), "cdef");
    EXPECT_EQ(Errors(q), 0u);
}

TEST(InputQueue, OverflowDropsTheNewestBytesAndReportsReceiveOverrun) {
    TInputQueue q(4);
    EXPECT_EQ(q.Push("abcdef", 6), 4u);
    std::size_t count = 0;
    EXPECT_EQ(q.TakeErrors(count), CE_RXOVER);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(Errors(q), 0u) << "the query clears the condition";
    EXPECT_EQ(PopAll(q), "abcd");
}

TEST(InputQueue, ShrinkingKeepsTheOldestBytes) {
    TInputQueue q(8);
    q.Push("abcdefgh", 8);
    char skip[5];
    q.Pop(skip, 5);
    q.Push("ijk", 3);  // "fghijk", wrapped
    q.SetCapacity(4);
    EXPECT_EQ(PopAll(q), "fghi");
    EXPECT_EQ(Errors(q), CE_RXOVER);
    q.SetCapacity(16);
    q.Push("0123456789", 10);
    EXPECT_EQ(PopAll(q), "0123456789");
}
