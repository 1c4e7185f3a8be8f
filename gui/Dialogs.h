// Dialogs: the plain message box, the standard message dialog, MessageBoxA and the modeless
// notice, all shown by one provider. The Qt backend installs one that shows modal boxes; tests install one
// that answers. Also the file dialogs' settings as components.
#pragma once

#include "gui/Component.h"
#include "platform/WinTypes.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace gui {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum class TMsgDlgBtn {
    mbYes,
    mbNo,
    mbOK,
    mbCancel,
    mbAbort,
    mbRetry,
    mbIgnore,
    mbAll,
    mbNoToAll,
    mbYesToAll,
    mbHelp
};

using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;
inline constexpr TModalResult mrNoToAll = 9;
inline constexpr TModalResult mrYesToAll = 10;
inline constexpr TModalResult mrHelp = 11;

// MessageBoxA's flags and answers.
inline constexpr win::UINT MB_OK = 0x00;
inline constexpr win::UINT MB_OKCANCEL = 0x01;
inline constexpr win::UINT MB_ABORTRETRYIGNORE = 0x02;
inline constexpr win::UINT MB_YESNOCANCEL = 0x03;
inline constexpr win::UINT MB_YESNO = 0x04;
inline constexpr win::UINT MB_RETRYCANCEL = 0x05;
inline constexpr win::UINT MB_ICONHAND = 0x10;
inline constexpr win::UINT MB_ICONQUESTION = 0x20;
inline constexpr win::UINT MB_ICONEXCLAMATION = 0x30;
inline constexpr win::UINT MB_ICONASTERISK = 0x40;
inline constexpr win::UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr win::UINT MB_ICONSTOP = MB_ICONHAND;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

enum class TDialogIcon { None, Error, Question, Warning, Information };

// One box: its title, text, icon and buttons with the answer each gives. The answers use the
// numbering of TModalResult, which is also MessageBoxA's.
struct TDialogRequest {
    win::HWND Owner = nullptr;
    std::string Caption;
    std::string Text;
    TDialogIcon Icon = TDialogIcon::None;
    struct Button {
        std::string Text;
        TModalResult Result;
        bool operator==(const Button&) const = default;
    };
    std::vector<Button> Buttons;
    // The box holds no window from input: Show returns mrNone without waiting for an answer
    // where the system allows it, and the box goes with the program.
    bool Modeless = false;
};

class TDialogProvider {
public:
    virtual ~TDialogProvider() = default;
    // Shows the box until the user answers; returns the answer (the result of a button, or the
    // cancel answer when the box is closed otherwise).
    virtual TModalResult Show(const TDialogRequest& request) = 0;
};

// Installs the provider (not owned) and returns the previous one. Without one, boxes are written
// to standard error and answered with their first button.
TDialogProvider* SetDialogProvider(TDialogProvider* provider);

// The plain message box, titled with the application's title, with an OK button.
void ShowMessage(const std::string& text);
// The standard message dialog: titled "Warning", "Error", "Information" or "Confirm" by kind (the
// application's title for mtCustom), buttons in the order of TMsgDlgBtn.
TModalResult MessageDlg(const std::string& text, TMsgDlgType type, std::initializer_list<TMsgDlgBtn> buttons,
                        long helpContext = 0);
int MessageBoxA(win::HWND owner, win::LPCSTR text, win::LPCSTR caption, win::UINT type);
// A box with an OK button that leaves every window usable while it is open, so that the program
// can still be ended.
void ShowNotice(const std::string& caption, const std::string& text, TDialogIcon icon);

// The texts of the standard buttons: "&Yes", "&No", "OK", "Cancel", ...
std::string ButtonText(TMsgDlgBtn button);

// The settings of the open-file dialog: its title and the filter "Description|Mask|...".
class TOpenDialog : public TComponent {
    GUI_CLASS_INFO
public:
    explicit TOpenDialog(TComponent* owner);
    std::string Title() const { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }
    std::string Filter() const { return filter_; }
    void SetFilter(const std::string& filter) { filter_ = filter; }
    std::string FileName() const { return fileName_; }
    void SetFileName(const std::string& fileName) { fileName_ = fileName; }
    std::string DefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const std::string& extension) { defaultExt_ = extension; }

private:
    std::string title_;
    std::string filter_;
    std::string fileName_;
    std::string defaultExt_;
};

class TSaveDialog : public TOpenDialog {
    GUI_CLASS_INFO
public:
    using TOpenDialog::TOpenDialog;
};

} // namespace gui
