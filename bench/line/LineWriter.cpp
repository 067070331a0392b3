#include "bench/line/LineWriter.h"

namespace trimora::bench {

std::int64_t LineWriter::WriteBlock(const std::string& Bytes, int TimeoutMs) {
    return FPty.Write(Bytes.data(), Bytes.size(), TimeoutMs);
}

}  // namespace trimora::bench
