#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace trimora {

enum TAsyncDirection : std::uint8_t { adWrite = 0, adRead = 1 };

// State of the requests started on one record: the direction of the last one and a copy of the
// bytes of the last write. Each write keeps its own copy of its bytes until it is sent, so a
// record can be reused at once and the caller's buffer is never referred to after the call.
struct TAsyncRecord {
    TAsyncDirection Direction = adWrite;
    std::string BytesCopy;

    std::int32_t BytesCopyLength() const { return static_cast<std::int32_t>(BytesCopy.size()); }
};

// Prepares a fresh record in AsyncPtr (replacing any it held).
void InitAsyncRecord(std::unique_ptr<TAsyncRecord>& AsyncPtr);

}  // namespace trimora
