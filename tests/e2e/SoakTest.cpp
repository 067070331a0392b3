// Measures at the line rate through the whole receive path for a while: every frame arrives,
// in order and intact, memory stays flat after the warm-up and no frame waits long for the GUI
// thread.
// TRIMORA_SOAK_SECONDS sets the length (scripts/soak); ctest runs a few seconds.
#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

#include "runtime/Application.h"
#include "tests/e2e/LineBench.h"
#include "tests/e2e/SequencedStream.h"

using namespace trimora;
using namespace trimora::e2e;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;  // the sanitizers' own bookkeeping grows and slows things
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

std::int64_t ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atoll(line.c_str() + 6);
    return -1;
}

std::int64_t HeapInUseKiB() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<std::int64_t>(info.uordblks / 1024);
}

std::chrono::seconds SoakLength() {
    if (const char* s = std::getenv("TRIMORA_SOAK_SECONDS"); s != nullptr && std::atoi(s) > 0)
        return std::chrono::seconds(std::atoi(s));
    return 4s;
}

struct Figures {
    double Seconds = 0;
    std::uint64_t Sent = 0;
    std::uint64_t Received = 0;
    std::uint64_t OutOfOrder = 0;
    std::int64_t RssWarmKiB = 0, RssEndKiB = 0, RssMaxKiB = 0;
    std::int64_t HeapWarmKiB = 0, HeapEndKiB = 0;
    // From the time the writer was due to send a frame to its measure on the GUI thread; the
    // writer sends every 2 ms, so a few ms are the writer's own.
    Clock::duration MaxDeliveryLag{0};
    std::chrono::microseconds Cpu{0};
};

}  // namespace

TEST(Soak, LineRateMeasuresThroughTheWholePath) {
    const auto length = SoakLength();
    const auto warmUp = std::max<Clock::duration>(1s, length / 5);
    LineBench bench;
    std::string error;
    ASSERT_TRUE(bench.Start(&error)) << error;
    TVelnWirelessProtocol& protocol = bench.Protocol();

    Figures fig;
    std::atomic<std::uint64_t> received{0};
    std::uint32_t expected = 0;
    // The dongle's side starts right after this.
    const auto start = Clock::now();
    protocol.OnMeasuresReceived = [&](TVelnWirelessConsoleMeasures& val, std::uint8_t id) {
        const std::uint32_t sequence = SequenceOf(val.Items[id]);
        if (sequence != expected) ++fig.OutOfOrder;
        expected = sequence + 1;
        received.fetch_add(1, std::memory_order_relaxed);
        const auto now = Clock::now();
        const auto due =
            start + std::chrono::duration_cast<Clock::duration>(
                        std::chrono::duration<double>(sequence / kLineRateFramesPerSecond));
        if (now - start >= warmUp) fig.MaxDeliveryLag = std::max(fig.MaxDeliveryLag, now - due);
    };

    LineRateWriter writer(bench.Sim(), length);

    // Samples memory once warm, then at the end; ends the GUI loop once everything sent arrived.
    std::mutex figMutex;
    std::thread watcher([&] {
        std::this_thread::sleep_until(start + warmUp);
        {
            std::lock_guard lock(figMutex);
            fig.RssWarmKiB = ResidentKiB();
            fig.HeapWarmKiB = HeapInUseKiB();
        }
        const auto drainLimit = start + length + 5s;
        while (Clock::now() < drainLimit && (writer.Writing() || received.load() < writer.Sent())) {
            std::this_thread::sleep_for(50ms);
            std::lock_guard lock(figMutex);
            fig.RssMaxKiB = std::max(fig.RssMaxKiB, ResidentKiB());
        }
        {
            std::lock_guard lock(figMutex);
            fig.RssEndKiB = ResidentKiB();
            fig.HeapEndKiB = HeapInUseKiB();
        }
        Application::Instance().Terminate();
    });

    const auto cpu0 = ProcessCpuTime();
    Application::Instance().Run();  // the program's main loop, headless
    fig.Cpu = ProcessCpuTime() - cpu0;
    writer.Join();
    watcher.join();
    fig.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
    fig.Sent = writer.Sent();
    fig.Received = received;

    std::printf(
        "soak: %.1f s, line rate %.0f frames/s\n"
        "soak: frames sent %llu, received %llu, out of order %llu\n"
        "soak: resident memory %lld KiB after warm-up, %lld KiB at the end, %lld KiB at most\n"
        "soak: heap in use %lld KiB after warm-up, %lld KiB at the end%s\n"
        "soak: longest delivery lag after warm-up %.3f ms\n"
        "soak: CPU time %.2f s (%.0f%% of one core)\n",
        fig.Seconds, kLineRateFramesPerSecond, static_cast<unsigned long long>(fig.Sent),
        static_cast<unsigned long long>(fig.Received),
        static_cast<unsigned long long>(fig.OutOfOrder), static_cast<long long>(fig.RssWarmKiB),
        static_cast<long long>(fig.RssEndKiB), static_cast<long long>(fig.RssMaxKiB),
        static_cast<long long>(fig.HeapWarmKiB), static_cast<long long>(fig.HeapEndKiB),
        kSanitized ? " (not meaningful under a sanitizer)" : "",
        std::chrono::duration<double, std::milli>(fig.MaxDeliveryLag).count(),
        fig.Cpu.count() / 1e6, 100.0 * fig.Cpu.count() / 1e6 / fig.Seconds);

    const double expectedFrames =
        std::chrono::duration<double>(length).count() * kLineRateFramesPerSecond;
    EXPECT_GT(static_cast<double>(fig.Sent), 0.9 * expectedFrames) << "the writer kept the rate";
    EXPECT_EQ(fig.Received, fig.Sent);
    EXPECT_EQ(fig.OutOfOrder, 0u);
    EXPECT_EQ(bench.Protocol().LastMeasure().Items.size(), 5u);
    if (!kSanitized) {
        // Flat: a few hundred KiB of slack for the allocator's and the kernel's own moves.
        EXPECT_LE(fig.RssEndKiB - fig.RssWarmKiB, 1024 + fig.RssWarmKiB / 20);
        EXPECT_LE(fig.HeapEndKiB - fig.HeapWarmKiB, 256);
    }
    // The lag is a figure: a loaded machine delays frames by tens of ms without losing any. A
    // stall the operator would see is a fault.
    EXPECT_LT(fig.MaxDeliveryLag, 1s);
}
