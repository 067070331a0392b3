#include "support/HeadlessProgressView.h"

namespace trimora {

THeadlessProgressView::THeadlessProgressView(std::shared_ptr<Record> Shared)
    : FRecord(Shared ? std::move(Shared) : std::make_shared<Record>()) {}

void THeadlessProgressView::Apply(const ProgressWindowLook& Look) {
    FCurrent = Look;
    FRecord->push_back(Look);
}

}  // namespace trimora
