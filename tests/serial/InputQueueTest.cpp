#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/ComErrorFlags.h"
#include "serial/DeviceInput.h"
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

// The event thread's fill of the queue.

TEST(InputFill, ReadsNoMoreThanTheQueueHasRoomFor) {
    TInputQueue q(100);
    EXPECT_EQ(ReadRoom(q, 64), 64u) << "the read buffer bounds an empty queue's room";
    q.Push(std::string(60, 'x').data(), 60);
    EXPECT_EQ(ReadRoom(q, 64), 40u);
    q.Push(std::string(40, 'x').data(), 40);
    EXPECT_EQ(ReadRoom(q, 64), 0u) << "a full queue stops the reads";
    q.SetCapacity(50);
    EXPECT_EQ(ReadRoom(q, 64), 0u) << "a queue made smaller than its count";
}

TEST(InputFill, StoresWhatCameWithItsEvents) {
    struct Case {
        const char* Name;
        bool DiscardNull;
        std::string Read;
        std::string Stored;
        TComEvents Events;
    };
    const std::vector<Case> cases = {
        {"plain bytes", false, "ab", "ab", {evRxChar}},
        {"the event character", false, "a!b", "a!b", {evRxChar, evRxFlag}},
        {"nulls kept", false, std::string("a\0b", 3), std::string("a\0b", 3), {evRxChar}},
        {"nulls dropped", true, std::string("a\0b\0", 4), "ab", {evRxChar}},
        {"only nulls, dropped: nothing came", true, std::string(3, '\0'), "", {}},
        {"more than fits: the rest is dropped",
         false,
         "0123456789ab",
         "0123456789",
         {evRxChar, evError, evRx80Full}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TInputQueue q(10);
        TInputFill fill(q, c.DiscardNull, '!');
        std::string read = c.Read;
        fill.Take(read.data(), read.size());
        EXPECT_EQ(fill.Events(), c.Events);
        EXPECT_EQ(PopAll(q), c.Stored);
    }
}

// evRx80Full tells that the queue went past 80 % during the pass: not when it was there already,
// nor when the reader took enough meanwhile that it ends below.
TEST(InputFill, TellsWhenAPassTakesTheQueuePastEightyPercent) {
    struct Case {
        const char* Name;
        std::size_t Before, Added, TakenMeanwhile;
        bool Rx80Full;
    };
    const std::vector<Case> cases = {
        {"from empty to 79 %", 0, 79, 0, false},
        {"from empty to 80 %", 0, 80, 0, true},
        {"from 79 % by one byte", 79, 1, 0, true},
        {"at 80 % already", 80, 10, 0, false},
        {"past 80 %, but the reader took some back", 70, 20, 15, false},
        {"past 80 % in two reads", 50, 40, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TInputQueue q(100);
        q.Push(std::string(c.Before, 'x').data(), c.Before);
        TInputFill fill(q, false, '!');
        std::string half(c.Added / 2, 'y'), rest(c.Added - c.Added / 2, 'y');
        fill.Take(half.data(), half.size());
        std::string taken(c.TakenMeanwhile, '\0');
        q.Pop(taken.data(), taken.size());
        fill.Take(rest.data(), rest.size());
        EXPECT_EQ(fill.Events().Contains(evRx80Full), c.Rx80Full);
        EXPECT_TRUE(fill.Events().Contains(evRxChar));
    }
}
