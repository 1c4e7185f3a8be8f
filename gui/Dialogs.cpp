#include "gui/Dialogs.h"

#include "gui/Application.h"

#include <cstdio>

namespace gui {
namespace {

// Shows nothing: writes the box to standard error and answers with its first button.
class TConsoleDialogs : public TDialogProvider {
public:
    TModalResult Show(const TDialogRequest& request) override {
        std::fprintf(stderr, "[%s] %s\n", request.Caption.c_str(), request.Text.c_str());
        return request.Buttons.empty() ? mrCancel : request.Buttons.front().Result;
    }
};

TDialogProvider*& Provider() {
    static TConsoleDialogs console;
    static TDialogProvider* provider = &console;
    return provider;
}

// The text and the answer of each standard button, in the order of TMsgDlgBtn.
const TDialogRequest::Button kStandardButtons[] = {
    {"&Yes", mrYes},
    {"&No", mrNo},
    {"OK", mrOk},
    {"Cancel", mrCancel},
    {"&Abort", mrAbort},
    {"&Retry", mrRetry},
    {"&Ignore", mrIgnore},
    {"&All", mrAll},
    {"N&o to All", mrNoToAll},
    {"Yes to &All", mrYesToAll},
    {"&Help", mrHelp},
};

TDialogRequest::Button Standard(TMsgDlgBtn button) {
    return kStandardButtons[static_cast<int>(button)];
}

} // namespace

TDialogProvider* SetDialogProvider(TDialogProvider* provider) {
    TDialogProvider* previous = Provider();
    Provider() = provider;
    return previous;
}

std::string ButtonText(TMsgDlgBtn button) {
    return Standard(button).Text;
}

void ShowMessage(const std::string& text) {
    TDialogRequest request;
    request.Caption = Application().Title();
    request.Text = text;
    request.Buttons = {Standard(TMsgDlgBtn::mbOK)};
    Provider()->Show(request);
}

void ShowNotice(const std::string& caption, const std::string& text, TDialogIcon icon) {
    TDialogRequest request;
    request.Caption = caption;
    request.Text = text;
    request.Icon = icon;
    request.Buttons = {Standard(TMsgDlgBtn::mbOK)};
    request.Modeless = true;
    Provider()->Show(request);
}

TModalResult MessageDlg(const std::string& text, TMsgDlgType type, std::initializer_list<TMsgDlgBtn> buttons,
                        long) {
    TDialogRequest request;
    request.Text = text;
    switch (type) {
    case TMsgDlgType::mtWarning:
        request.Caption = "Warning";
        request.Icon = TDialogIcon::Warning;
        break;
    case TMsgDlgType::mtError:
        request.Caption = "Error";
        request.Icon = TDialogIcon::Error;
        break;
    case TMsgDlgType::mtInformation:
        request.Caption = "Information";
        request.Icon = TDialogIcon::Information;
        break;
    case TMsgDlgType::mtConfirmation:
        request.Caption = "Confirm";
        request.Icon = TDialogIcon::Question;
        break;
    case TMsgDlgType::mtCustom:
        request.Caption = Application().Title();
        break;
    }
    // Shown in the order of the button kinds, whatever order the caller listed them in.
    for (int kind = 0; kind <= static_cast<int>(TMsgDlgBtn::mbHelp); ++kind)
        for (TMsgDlgBtn button : buttons)
            if (static_cast<int>(button) == kind) {
                request.Buttons.push_back(Standard(button));
                break;
            }
    return Provider()->Show(request);
}

int MessageBoxA(win::HWND owner, win::LPCSTR text, win::LPCSTR caption, win::UINT type) {
    TDialogRequest request;
    request.Owner = owner;
    request.Text = text ? text : "";
    request.Caption = caption ? caption : "Error";
    switch (type & 0xF0) {
    case MB_ICONHAND:
        request.Icon = TDialogIcon::Error;
        break;
    case MB_ICONQUESTION:
        request.Icon = TDialogIcon::Question;
        break;
    case MB_ICONEXCLAMATION:
        request.Icon = TDialogIcon::Warning;
        break;
    case MB_ICONASTERISK:
        request.Icon = TDialogIcon::Information;
        break;
    default:
        break;
    }
    using B = TMsgDlgBtn;
    switch (type & 0x0F) {
    case MB_OKCANCEL:
        request.Buttons = {Standard(B::mbOK), Standard(B::mbCancel)};
        break;
    case MB_ABORTRETRYIGNORE:
        request.Buttons = {Standard(B::mbAbort), Standard(B::mbRetry), Standard(B::mbIgnore)};
        break;
    case MB_YESNOCANCEL:
        request.Buttons = {Standard(B::mbYes), Standard(B::mbNo), Standard(B::mbCancel)};
        break;
    case MB_YESNO:
        request.Buttons = {Standard(B::mbYes), Standard(B::mbNo)};
        break;
    case MB_RETRYCANCEL:
        request.Buttons = {Standard(B::mbRetry), Standard(B::mbCancel)};
        break;
    default:
        request.Buttons = {Standard(B::mbOK)};
        break;
    }
    return Provider()->Show(request);
}

const TClassInfo& TOpenDialog::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TOpenDialog>("TOpenDialog", &TComponent::StaticClass())
            .String("DefaultExt", &TOpenDialog::DefaultExt, &TOpenDialog::SetDefaultExt)
            .String("FileName", &TOpenDialog::FileName, &TOpenDialog::SetFileName)
            .String("Filter", &TOpenDialog::Filter, &TOpenDialog::SetFilter)
            .String("Title", &TOpenDialog::Title, &TOpenDialog::SetTitle)
            .Creatable()
            .Build();
    return info;
}

TOpenDialog::TOpenDialog(TComponent* owner) : TComponent(owner) {}

const TClassInfo& TSaveDialog::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TSaveDialog>("TSaveDialog", &TOpenDialog::StaticClass()).Creatable().Build();
    return info;
}

} // namespace gui
