#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace trimora {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };

// The title of a message box of that type ("Error", ...), whichever toolkit shows it.
const char* MsgDlgCaption(TMsgDlgType Type);

struct ShownMessage {
    std::string Text;
    TMsgDlgType Type;
};

// Everything a progress window shows; the window model computes it, a view draws it.
// Sizes in pixels; control positions relative to the window's client area.
struct ProgressWindowLook {
    std::string Caption;
    int Width = 0, Height = 0;
    bool Borderless = true, StayOnTop = true;
    // Shown over the centre of the application's main window, on that window's monitor.
    bool CentredOnMainWindow = true;
    std::string BarName;
    int BarLeft = 0, BarTop = 0, BarWidth = 0, BarHeight = 0;
    int Min = 0, Max = 0, Step = 0, Position = 0;
    int LabelLeft = 0, LabelTop = 0;
    std::string LabelText;
    bool LabelVisible = false;
    bool Visible = false;

    bool operator==(const ProgressWindowLook&) const = default;
};

class TProgressWindowView {
  public:
    virtual ~TProgressWindowView() = default;
    // Called with the whole look when the window is built, whenever anything of it changes, and
    // on every Show: a visible look also brings the window to the front, without making it modal.
    // The window goes away with the view.
    virtual void Apply(const ProgressWindowLook& Look) = 0;
};

// The user-interface services the core needs. Headless defaults record what a user would
// have seen; a toolkit replaces them with real windows.
class TUiHooks {
  public:
    using MessageBoxHook = std::function<void(const std::string&, TMsgDlgType)>;
    using ProgressViewFactory = std::function<std::unique_ptr<TProgressWindowView>()>;
    using NoticeHook = std::function<void(const std::string&)>;

    // A modal box with an OK button. Every box is recorded; without a hook it goes to stderr.
    void MessageBox(const std::string& Text, TMsgDlgType Type);
    void SetMessageBoxHook(MessageBoxHook Hook) { FMessageBox = std::move(Hook); }
    const std::vector<ShownMessage>& ShownMessages() const { return FShown; }
    void ClearShownMessages() { FShown.clear(); }

    // A line for the operator outside the window, such as why a port cannot be opened. Without
    // a hook it goes to stderr.
    void Notice(const std::string& Text);
    void SetNoticeHook(NoticeHook Hook) { FNotice = std::move(Hook); }

    // A new view for a progress window; nullptr when no toolkit view is installed.
    std::unique_ptr<TProgressWindowView> CreateProgressView() const;
    void SetProgressViewFactory(ProgressViewFactory Factory) {
        FProgressFactory = std::move(Factory);
    }

  private:
    MessageBoxHook FMessageBox;
    ProgressViewFactory FProgressFactory;
    NoticeHook FNotice;
    std::vector<ShownMessage> FShown;
};

}  // namespace trimora
