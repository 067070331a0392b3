#pragma once

#include <memory>
#include <vector>

#include "runtime/UiHooks.h"

namespace trimora {

// Stands in for the progress window where no toolkit draws one: it keeps every look the window
// was given, so what a user would have seen can be read back.
class THeadlessProgressView : public TProgressWindowView {
  public:
    using Record = std::vector<ProgressWindowLook>;

    // Looks go to Shared when given (it may outlive the view), else to the view's own record.
    explicit THeadlessProgressView(std::shared_ptr<Record> Shared = nullptr);

    void Apply(const ProgressWindowLook& Look) override;

    // Every look in the order applied, hidden ones included.
    const Record& History() const { return *FRecord; }
    // The window as a user sees it now; before the first look it is not visible.
    const ProgressWindowLook& Current() const { return FCurrent; }

  private:
    std::shared_ptr<Record> FRecord;
    ProgressWindowLook FCurrent;
};

}  // namespace trimora
