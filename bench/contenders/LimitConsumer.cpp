// The operating system's limit: one reader thread that blocks in poll() on the slave, read()s
// whatever is queued and cuts frames with a byte-at-a-time scanner. Nothing is handed to another
// thread; the frame's values are decoded on the reader thread itself.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "bench/line/ConsumerRecord.h"

namespace {

using trimora::bench::ConsumerRecord;

// Start 0x3E, end at the first 0x21 after it; a frame is valid when its length is N + 6.
class FrameScanner {
  public:
    explicit FrameScanner(ConsumerRecord& Record) : FRecord(Record) {}

    // Returns true once the end frame has been decoded.
    bool Feed(const std::uint8_t* Data, std::size_t Size) {
        for (std::size_t i = 0; i < Size; ++i) {
            const std::uint8_t b = Data[i];
            if (!FOpen) {
                if (b == 0x3E) {
                    FOpen = true;
                    FLength = 1;
                    FFrame[0] = b;
                }
                continue;
            }
            if (FLength < sizeof FFrame) FFrame[FLength] = b;
            ++FLength;
            if (b != 0x21) continue;
            FOpen = false;
            if (FLength >= 6 && FLength <= sizeof FFrame && FLength == std::size_t(FFrame[3]) + 6 &&
                FFrame[1] == 0x01 && FLength >= 11) {
                const std::uint16_t speed = std::uint16_t(FFrame[4] << 8 | FFrame[5]);
                if (FRecord.Decoded(FFrame[2], speed, FFrame[6])) return true;
            }
        }
        return false;
    }

  private:
    ConsumerRecord& FRecord;
    std::uint8_t FFrame[261];
    std::size_t FLength = 0;
    bool FOpen = false;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SLAVE RESULT_FILE\n", argv[0]);
        return 2;
    }
    int fd = ::open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        std::perror(argv[1]);
        return 1;
    }
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetspeed(&tio, B115200);
    tcsetattr(fd, TCSANOW, &tio);

    ConsumerRecord record;
    std::thread reader([&] {
        FrameScanner scanner(record);
        std::uint8_t buf[4096];
        for (;;) {
            pollfd pfd{fd, POLLIN, 0};
            if (::poll(&pfd, 1, -1) < 0 && errno != EINTR) return;
            if (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) return;
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (n <= 0) return;
            if (scanner.Feed(buf, std::size_t(n))) return;
        }
    });
    trimora::bench::SignalReady();
    reader.join();
    ::close(fd);
    record.WriteTo(argv[2]);
    return record.Ended() ? 0 : 1;
}
