#include "runtime/UiHooks.h"

#include <cstdio>

namespace trimora {

const char* MsgDlgCaption(TMsgDlgType Type) {
    switch (Type) {
        case TMsgDlgType::mtWarning:
            return "Warning";
        case TMsgDlgType::mtError:
            return "Error";
        case TMsgDlgType::mtInformation:
            return "Information";
        case TMsgDlgType::mtConfirmation:
            return "Confirm";
    }
    return "";
}

void TUiHooks::MessageBox(const std::string& Text, TMsgDlgType Type) {
    FShown.push_back({Text, Type});
    if (FMessageBox) {
        FMessageBox(Text, Type);
        return;
    }
    std::fprintf(stderr, "Trimora: %s\n", Text.c_str());
}

void TUiHooks::Notice(const std::string& Text) {
    if (FNotice) {
        FNotice(Text);
        return;
    }
    std::fprintf(stderr, "%s\n", Text.c_str());
}

std::unique_ptr<TProgressWindowView> TUiHooks::CreateProgressView() const {
    return FProgressFactory ? FProgressFactory() : nullptr;
}

}  // namespace trimora
