#include "support/VelnProgressBar.h"

#include <algorithm>
#include <memory>

#include "runtime/Application.h"
#include "runtime/SwallowedError.h"
#include "support/HeadlessProgressView.h"

namespace trimora {

// The window itself: a component, so that an owner can release it.
class TVelnProgressForm : public TComponent {
  public:
    TVelnProgressForm(TComponent* AOwner, TVelnProgressBar* AHolder)
        : TComponent(AOwner), FHolder(AHolder) {}
    ~TVelnProgressForm() override {
        if (FHolder != nullptr) FHolder->FForm = nullptr;
    }

    TVelnProgressBar* FHolder;
    ProgressWindowLook FLook;
    std::unique_ptr<TProgressWindowView> FView;
};

namespace {
constexpr const char* kCaption = "TVelnProgressBar";

ProgressWindowLook BuiltLook() {
    ProgressWindowLook look;
    look.Borderless = true;
    look.Caption = kCaption;
    look.CentredOnMainWindow = true;
    look.StayOnTop = true;
    look.Width = 377;
    look.Height = 50;
    const int clientWidth = look.Width;  // no border: the client area is the whole window

    look.BarName = "progressbar1";
    look.BarWidth = clientWidth - 16;
    look.BarHeight = look.Height / 2;
    look.Max = 100;
    look.Min = 0;
    look.Step = 1;
    look.Position = 100;  // the bar starts full
    look.BarLeft = look.Width / 2 - look.BarWidth / 2;
    look.BarTop = look.Height - look.BarHeight;

    look.LabelLeft = look.BarLeft;
    look.LabelTop = 5;
    look.LabelText = kCaption;
    look.LabelVisible = true;
    look.Visible = false;
    return look;
}

std::unique_ptr<TProgressWindowView> MakeView() {
    try {
        if (auto view = Application::Instance().Ui().CreateProgressView()) return view;
    } catch (...) {
        // A toolkit that cannot build the window must not stop the caller: the model goes on
        // without it.
        ReportSwallowed("building the progress window", std::current_exception());
    }
    return std::make_unique<THeadlessProgressView>();
}
}  // namespace

TVelnProgressBar::TVelnProgressBar(TComponent* AOwner)
    : FForm(new TVelnProgressForm(AOwner, this)) {
    FForm->FLook = BuiltLook();
    FForm->FView = MakeView();
    FForm->FView->Apply(FForm->FLook);
}

TVelnProgressBar::~TVelnProgressBar() {
    if (FForm == nullptr) return;
    FForm->FHolder = nullptr;
    delete FForm;  // leaves its owner's list
}

TProgressWindowView* TVelnProgressBar::View() const {
    return FForm != nullptr ? FForm->FView.get() : nullptr;
}

void TVelnProgressBar::Change(const std::function<void(ProgressWindowLook&)>& Edit) {
    if (FForm == nullptr) return;
    ProgressWindowLook next = FForm->FLook;
    Edit(next);
    if (next == FForm->FLook) return;
    FForm->FLook = next;
    FForm->FView->Apply(next);
}

void TVelnProgressBar::Show() {
    if (!FShowEnabled || FForm == nullptr) return;
    FForm->FLook.Visible = true;
    FForm->FView->Apply(FForm->FLook);  // also when already showing: back to the front
}

void TVelnProgressBar::Close() {
    Change([](ProgressWindowLook& l) { l.Visible = false; });
}

std::int32_t TVelnProgressBar::GetPosition() const {
    return FForm != nullptr ? FForm->FLook.Position : 0;
}

std::int32_t TVelnProgressBar::GetMax() const {
    return FForm != nullptr ? FForm->FLook.Max : 0;
}

void TVelnProgressBar::SetText(const std::string& Text) {
    Change([&](ProgressWindowLook& l) { l.LabelText = Text; });
}

void TVelnProgressBar::SetPosition(std::int32_t Value) {
    Change([&](ProgressWindowLook& l) {
        l.Position = std::clamp(Value, l.Min, std::max(l.Min, l.Max));
    });
}

void TVelnProgressBar::SetMax(std::int32_t Value) {
    Change([&](ProgressWindowLook& l) {
        l.Max = Value;
        l.Position = std::clamp(l.Position, l.Min, std::max(l.Min, l.Max));
    });
}

}  // namespace trimora
