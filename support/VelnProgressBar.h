#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "runtime/TComponent.h"
#include "runtime/TObject.h"
#include "runtime/UiHooks.h"

namespace trimora {

class TVelnProgressForm;

// A small borderless stay-on-top window with one line of text above a progress bar. This object
// builds and holds the window; a TProgressWindowView draws it (the toolkit's, or a headless one
// when no toolkit is plugged in). GUI thread only.
class TVelnProgressBar : public TObject {
  public:
    // The window is owned by AOwner when given: an owner released first takes the window with
    // it, and the operations below then do nothing (the getters read 0).
    explicit TVelnProgressBar(TComponent* AOwner);
    ~TVelnProgressBar() override;

    // While false, Show does nothing.
    bool FShowEnabled = false;

    // Shows the window and brings it to the front, not modal.
    void Show();
    // Hides the window; text, position and maximum stay for the next Show.
    void Close();

    std::int32_t GetPosition() const;
    std::int32_t GetMax() const;
    void SetText(const std::string& Text);
    // Kept within the bar's range, as the bar itself keeps it.
    void SetPosition(std::int32_t Value);
    // A position above the new maximum comes down to it.
    void SetMax(std::int32_t Value);

    // The view that draws the window; nullptr once an owner has released the window.
    TProgressWindowView* View() const;

  private:
    friend class TVelnProgressForm;
    void Change(const std::function<void(ProgressWindowLook&)>& Edit);

    TVelnProgressForm* FForm = nullptr;
};

}  // namespace trimora
