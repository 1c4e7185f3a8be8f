#include "gui/Forms.h"

#include "gui/Application.h"
#include "gui/Buttons.h"
#include "gui/ComCtrls.h"
#include "gui/DBCtrls.h"
#include "gui/Dialogs.h"
#include "gui/ExtCtrls.h"
#include "gui/FileCtrl.h"
#include "gui/FormReader.h"
#include "gui/Mask.h"
#include "gui/Menus.h"
#include "gui/Tabs.h"

namespace gui {

const TClassInfo& TCustomForm::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TCustomForm>("TCustomForm", &TWinControl::StaticClass())
            .String("Caption", &TCustomForm::Caption, &TCustomForm::SetCaption)
            .Integer("ClientWidth", &TCustomForm::ClientWidth, &TCustomForm::SetClientWidth)
            .Integer("ClientHeight", &TCustomForm::ClientHeight, &TCustomForm::SetClientHeight)
            .Enumeration("BorderStyle",
                         {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"},
                         &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle)
            .Enumeration("Position",
                         {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                          "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"},
                         &TCustomForm::Position, &TCustomForm::SetPosition)
            .Integer("PixelsPerInch", &TCustomForm::PixelsPerInch, &TCustomForm::SetPixelsPerInch)
            .Integer("TextHeight", &TCustomForm::TextHeight, &TCustomForm::SetTextHeight)
            .Object("Icon", &TCustomForm::Icon, &TCustomForm::SetIcon)
            .Object("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl)
            .Event("OnCreate", &TCustomForm::OnCreate)
            .Event("OnDestroy", &TCustomForm::OnDestroy)
            .Event("OnClose", &TCustomForm::OnClose)
            .Event("OnClick", &TCustomForm::OnClick, &TCustomForm::SetOnClick)
            .Build();
    return info;
}

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner), icon_(std::make_unique<TPicture>()) {
    SetVisible(false);
    icon_->OnChange = [this] { Changed("Icon"); };
}

void TCustomForm::SetClientWidth(std::int64_t width) {
    SetField(clientWidth_, width, "ClientWidth");
}

void TCustomForm::SetClientHeight(std::int64_t height) {
    SetField(clientHeight_, height, "ClientHeight");
}

void TCustomForm::SetBorderStyle(TFormBorderStyle style) {
    SetField(borderStyle_, style, "BorderStyle");
}

void TCustomForm::SetPosition(TPosition position) {
    SetField(position_, position, "Position");
}

void TCustomForm::SetActiveControl(TWinControl* control) {
    if (control == activeControl_) return;
    activeControl_ = control;
    if (control != nullptr) control->FreeNotification(this);
    Changed("ActiveControl");
}

void TCustomForm::CreateFromDescription(std::string_view description) {
    ReadComponent(*this, description);
    OnCreate.Call(this);
}

void TCustomForm::CreateFromResource(const std::string& resourceName) {
    ReadComponentResource(*this, resourceName);
    OnCreate.Call(this);
}

void TCustomForm::Close() {
    TCloseAction action = TCloseAction::caHide;
    if (OnClose) OnClose(this, action);
    if (action == TCloseAction::caNone) return;
    if (Application().MainForm() == this) {
        Application().Terminate();
        return;
    }
    Hide();
    // Freed later, since Close may be running inside one of the form's own handlers.
    if (action == TCloseAction::caFree) Application().Release(this);
}

void TCustomForm::BeforeDestruction() {
    if (destroyCalled_) return;
    destroyCalled_ = true;
    OnDestroy.Call(this);
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == activeControl_) activeControl_ = nullptr;
}

const TClassInfo& TForm::StaticClass() {
    static const TClassInfo info = TClassBuilder<TForm>("TForm", &TCustomForm::StaticClass()).Build();
    return info;
}

void RegisterStandardClasses() {
    for (const TClassInfo* info :
         {&TForm::StaticClass(),           &TLabel::StaticClass(),         &TButton::StaticClass(),
          &TBitBtn::StaticClass(),         &TEdit::StaticClass(),          &TMaskEdit::StaticClass(),
          &TMemo::StaticClass(),           &TListBox::StaticClass(),       &TComboBox::StaticClass(),
          &TStatusBar::StaticClass(),      &TImage::StaticClass(),         &TFileListBox::StaticClass(),
          &TFilterComboBox::StaticClass(), &TTimer::StaticClass(),         &TRadioGroup::StaticClass(),
          &THeader::StaticClass(),         &TNotebook::StaticClass(),      &TTabSet::StaticClass(),
          &TTabbedNotebook::StaticClass(), &TTabControl::StaticClass(),    &TTreeView::StaticClass(),
          &TListView::StaticClass(),       &THeaderControl::StaticClass(), &TOpenDialog::StaticClass(),
          &TSaveDialog::StaticClass(),     &TMenuItem::StaticClass(),      &TAction::StaticClass(),
          &TField::StaticClass(),          &TDBListBox::StaticClass(),     &TDBRadioGroup::StaticClass(),
          &TDBComboBox::StaticClass(),     &TDBNavigator::StaticClass(),   &TDBGrid::StaticClass()})
        RegisterClass(*info);
}

} // namespace gui
