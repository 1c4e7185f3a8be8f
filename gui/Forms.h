// Forms: top-level windows made from a form description.
#pragma once

#include "gui/Controls.h"

#include <memory>
#include <string>
#include <string_view>

namespace gui {

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = TMethod<void(TObject* sender, TCloseAction& action)>;

class TCustomForm : public TWinControl {
    GUI_CLASS_INFO
public:
    explicit TCustomForm(TComponent* owner);

    // The client area; the frame around it belongs to the backend.
    std::int64_t ClientWidth() const { return clientWidth_; }
    void SetClientWidth(std::int64_t width);
    std::int64_t ClientHeight() const { return clientHeight_; }
    void SetClientHeight(std::int64_t height);
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle style);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position);
    std::int64_t PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(std::int64_t value) { pixelsPerInch_ = value; }
    std::int64_t TextHeight() const { return textHeight_; }
    void SetTextHeight(std::int64_t value) { textHeight_ = value; }
    TPicture* Icon() const { return icon_.get(); }
    void SetIcon(TPicture* icon) { icon_->Assign(*icon); }
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* control);

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TCloseEvent OnClose;

    // Reads the description into the form, then runs OnCreate.
    void CreateFromDescription(std::string_view description);
    void CreateFromResource(const std::string& resourceName);

    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Asks OnClose (default caHide). Closing the application's main form terminates the
    // application; caFree frees the form once the current message is handled.
    void Close();
    void BeforeDestruction() override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::int64_t clientWidth_ = 0, clientHeight_ = 0;
    TFormBorderStyle borderStyle_ = TFormBorderStyle::bsSizeable;
    TPosition position_ = TPosition::poDesigned;
    std::int64_t pixelsPerInch_ = 96;
    std::int64_t textHeight_ = 13;
    std::unique_ptr<TPicture> icon_;
    TWinControl* activeControl_ = nullptr;
    bool destroyCalled_ = false;
};

class TForm : public TCustomForm {
    GUI_CLASS_INFO
public:
    using TCustomForm::TCustomForm;
};

// Registers every control and component class of the library for form descriptions.
void RegisterStandardClasses();

} // namespace gui
