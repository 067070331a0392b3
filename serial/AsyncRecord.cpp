#include "serial/AsyncRecord.h"

namespace trimora {

void InitAsyncRecord(std::unique_ptr<TAsyncRecord>& AsyncPtr) {
    AsyncPtr = std::make_unique<TAsyncRecord>();
}

}  // namespace trimora
