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

TModalResult ResultOf(TMsgDlgBtn button) {
    switch (button) {
    case TMsgDlgBtn::mbYes:
        return mrYes;
    case TMsgDlgBtn::mbNo:
        return mrNo;
    case TMsgDlgBtn::mbOK:
        return mrOk;
    case TMsgDlgBtn::mbCancel:
        return mrCancel;
    case TMsgDlgBtn::mbAbort:
        return mrAbort;
    case TMsgDlgBtn::mbRetry:
        return mrRetry;
    case TMsgDlgBtn::mbIgnore:
        return mrIgnore;
    case TMsgDlgBtn::mbAll:
        return mrAll;
    case TMsgDlgBtn::mbNoToAll:
        return mrNoToAll;
    case TMsgDlgBtn::mbYesToAll:
        return mrYesToAll;
    case TMsgDlgBtn::mbHelp:
        return mrHelp;
    }
    return mrNone;
}

TDialogRequest::Button Standard(TMsgDlgBtn button) {
    return {ButtonText(button), ResultOf(button)};
}

} // namespace

TDialogProvider* SetDialogProvider(TDialogProvider* provider) {
    TDialogProvider* previous = Provider();
    Provider() = provider;
    return previous;
}

std::string ButtonText(TMsgDlgBtn button) {
    switch (button) {
    case TMsgDlgBtn::mbYes:
        return "&Yes";
    case TMsgDlgBtn::mbNo:
        return "&No";
    case TMsgDlgBtn::mbOK:
        return "OK";
    case TMsgDlgBtn::mbCancel:
        return "Cancel";
    case TMsgDlgBtn::mbAbort:
        return "&Abort";
    case TMsgDlgBtn::mbRetry:
        return "&Retry";
    case TMsgDlgBtn::mbIgnore:
        return "&Ignore";
    case TMsgDlgBtn::mbAll:
        return "&All";
    case TMsgDlgBtn::mbNoToAll:
        return "N&o to All";
    case TMsgDlgBtn::mbYesToAll:
        return "Yes to &All";
    case TMsgDlgBtn::mbHelp:
        return "&Help";
    }
    return {};
}

void ShowMessage(const std::string& text) {
    TDialogRequest request;
    request.Caption = Application().Title();
    request.Text = text;
    request.Buttons = {Standard(TMsgDlgBtn::mbOK)};
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

} // namespace gui
