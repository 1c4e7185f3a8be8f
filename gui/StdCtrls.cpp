#include "gui/StdCtrls.h"

namespace gui {

const TClassInfo& TLabel::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TLabel>("TLabel", &TControl::StaticClass())
            .String("Caption", &TLabel::Caption, &TLabel::SetCaption)
            .Boolean("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize)
            .Enumeration("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"}, &TLabel::Alignment,
                         &TLabel::SetAlignment)
            .Boolean("Transparent", &TLabel::Transparent, &TLabel::SetTransparent)
            .Boolean("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap)
            .Event("OnClick", &TLabel::OnClick, &TLabel::SetOnClick)
            .Creatable()
            .Build();
    return info;
}

TLabel::TLabel(TComponent* owner) : TControl(owner) {}

void TLabel::SetAutoSize(bool autoSize) {
    SetField(autoSize_, autoSize, "AutoSize");
}

void TLabel::SetAlignment(TAlignment alignment) {
    SetField(alignment_, alignment, "Alignment");
}

void TLabel::SetTransparent(bool transparent) {
    SetField(transparent_, transparent, "Transparent");
}

void TLabel::SetWordWrap(bool wordWrap) {
    SetField(wordWrap_, wordWrap, "WordWrap");
}

const TClassInfo& TButton::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TButton>("TButton", &TWinControl::StaticClass())
            .String("Caption", &TButton::Caption, &TButton::SetCaption)
            .Boolean("Default", &TButton::Default, &TButton::SetDefault)
            .Boolean("Cancel", &TButton::Cancel, &TButton::SetCancel)
            .Integer("ModalResult", &TButton::ModalResult, &TButton::SetModalResult)
            .Object("Action", &TButton::Action, &TButton::SetAction)
            .Event("OnClick", &TButton::OnClick, &TButton::SetOnClick)
            .Creatable()
            .Build();
    return info;
}

TButton::TButton(TComponent* owner) : TWinControl(owner) {}

void TButton::SetDefault(bool value) {
    SetField(default_, value, "Default");
}

void TButton::SetCancel(bool value) {
    cancel_ = value;
}

const TClassInfo& TCustomEdit::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TCustomEdit>("TCustomEdit", &TWinControl::StaticClass()).Build();
    return info;
}

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
    SetColor(clWindow);
}

void TCustomEdit::SetText(const std::string& text) {
    SetField(text_, text, "Text");
}

void TCustomEdit::SetReadOnly(bool readOnly) {
    SetField(readOnly_, readOnly, "ReadOnly");
}

const TClassInfo& TEdit::StaticClass() {
    static const TClassInfo info = TClassBuilder<TEdit>("TEdit", &TCustomEdit::StaticClass())
                                       .String("Text", &TEdit::Text, &TEdit::SetText)
                                       .Boolean("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly)
                                       .Event("OnClick", &TEdit::OnClick, &TEdit::SetOnClick)
                                       .Creatable()
                                       .Build();
    return info;
}

const TClassInfo& TMemo::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TMemo>("TMemo", &TWinControl::StaticClass())
            .Strings("Lines", &TMemo::Lines)
            .Boolean("ReadOnly", &TMemo::ReadOnly, &TMemo::SetReadOnly)
            .Boolean("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap)
            .Enumeration("ScrollBars", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}, &TMemo::ScrollBars,
                         &TMemo::SetScrollBars)
            .Event("OnClick", &TMemo::OnClick, &TMemo::SetOnClick)
            .Creatable()
            .Build();
    return info;
}

TMemo::TMemo(TComponent* owner) : TWinControl(owner) {
    SetColor(clWindow);
    lines_.OnChange = [this] { Changed("Lines"); };
}

void TMemo::SetReadOnly(bool readOnly) {
    SetField(readOnly_, readOnly, "ReadOnly");
}

void TMemo::SetWordWrap(bool wordWrap) {
    SetField(wordWrap_, wordWrap, "WordWrap");
}

void TMemo::SetScrollBars(TScrollStyle scrollBars) {
    SetField(scrollBars_, scrollBars, "ScrollBars");
}

const TClassInfo& TCustomListBox::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TCustomListBox>("TCustomListBox", &TWinControl::StaticClass())
            .Integer("ItemHeight", &TCustomListBox::ItemHeight, &TCustomListBox::SetItemHeight)
            .Build();
    return info;
}

TCustomListBox::TCustomListBox(TComponent* owner) : TWinControl(owner) {
    SetColor(clWindow);
    items_.OnChange = [this] {
        if (itemIndex_ >= items_.Count()) itemIndex_ = -1;
        Changed("Items");
    };
}

void TCustomListBox::SetItemIndex(std::int64_t index) {
    if (index < -1 || index >= items_.Count()) index = -1;
    if (index == itemIndex_) return;
    itemIndex_ = index;
    Changed("ItemIndex");
}

void TCustomListBox::SetItemHeight(std::int64_t height) {
    if (height == itemHeight_ || height <= 0) return;
    itemHeight_ = height;
    Changed("ItemHeight");
}

const TClassInfo& TListBox::StaticClass() {
    static const TClassInfo info = TClassBuilder<TListBox>("TListBox", &TCustomListBox::StaticClass())
                                       .Strings("Items", &TListBox::Items)
                                       .Event("OnClick", &TListBox::OnClick, &TListBox::SetOnClick)
                                       .Creatable()
                                       .Build();
    return info;
}

const TClassInfo& TCustomComboBox::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TCustomComboBox>("TCustomComboBox", &TWinControl::StaticClass()).Build();
    return info;
}

TCustomComboBox::TCustomComboBox(TComponent* owner) : TWinControl(owner) {
    SetColor(clWindow);
    items_.OnChange = [this] {
        if (itemIndex_ >= items_.Count()) itemIndex_ = -1;
        Changed("Items");
    };
}

void TCustomComboBox::TItems::Put(int index, const std::string& text) {
    TStringList::Put(index, text);
    if (index == box_.itemIndex_) box_.SetItemIndex(-1);
}

void TCustomComboBox::SetItemIndex(std::int64_t index) {
    if (index < -1 || index >= items_.Count()) index = -1;
    if (index == itemIndex_) return;
    itemIndex_ = index;
    if (index >= 0) SetText(items_[static_cast<int>(index)]);
    Changed("ItemIndex");
}

void TCustomComboBox::SetText(const std::string& text) {
    SetField(text_, text, "Text");
}

const TClassInfo& TComboBox::StaticClass() {
    static const TClassInfo info = TClassBuilder<TComboBox>("TComboBox", &TCustomComboBox::StaticClass())
                                       .Strings("Items", &TComboBox::Items)
                                       .Integer("ItemIndex", &TComboBox::ItemIndex, &TComboBox::SetItemIndex)
                                       .String("Text", &TComboBox::Text, &TComboBox::SetText)
                                       .Event("OnClick", &TComboBox::OnClick, &TComboBox::SetOnClick)
                                       .Creatable()
                                       .Build();
    return info;
}

} // namespace gui
