#include "gui/Controls.h"

#include <algorithm>

namespace gui {

const TClassInfo& TControl::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TControl>("TControl", &TComponent::StaticClass())
            .Integer("Left", &TControl::Left, &TControl::SetLeft)
            .Integer("Top", &TControl::Top, &TControl::SetTop)
            .Integer("Width", &TControl::Width, &TControl::SetWidth)
            .Integer("Height", &TControl::Height, &TControl::SetHeight)
            .Enumeration("Align", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"},
                         &TControl::Align, &TControl::SetAlign)
            .NamedInteger("Color", ColorNames(), &TControl::Color, &TControl::SetColor)
            .Object("Font", &TControl::Font, &TControl::SetFont)
            .Boolean("ParentFont", &TControl::ParentFont, &TControl::SetParentFont)
            .String("Hint", &TControl::Hint, &TControl::SetHint)
            .Boolean("ShowHint", &TControl::ShowHint, &TControl::SetShowHint)
            .Boolean("Visible", &TControl::Visible, &TControl::SetVisible)
            .Boolean("Enabled", &TControl::Enabled, &TControl::SetEnabled)
            .Build();
    return info;
}

TControl::TControl(TComponent* owner) : TComponent(owner), font_(std::make_unique<TFont>()) {
    font_->OnChange = [this] {
        if (!settingParentFont_) parentFont_ = false;
        Changed("Font");
        ParentFontChanged();
    };
}

TControl::~TControl() {
    peer_.reset();
    SetParent(nullptr);
}

void TControl::SetBounds(std::int64_t left, std::int64_t top, std::int64_t width, std::int64_t height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Changed("Bounds");
}

void TControl::SetCaption(const std::string& caption) {
    SetField(caption_, caption, "Caption");
}

void TControl::SetHint(const std::string& hint) {
    SetField(hint_, hint, "Hint");
}

void TControl::SetShowHint(bool showHint) {
    SetField(showHint_, showHint, "ShowHint");
}

void TControl::SetVisible(bool visible) {
    SetField(visible_, visible, "Visible");
}

void TControl::SetEnabled(bool enabled) {
    SetField(enabled_, enabled, "Enabled");
}

void TControl::SetColor(TColor color) {
    SetField(color_, color, "Color");
}

void TControl::SetAlign(TAlign align) {
    SetField(align_, align, "Align");
}

void TControl::SetParentFont(bool parentFont) {
    if (parentFont == parentFont_) return;
    parentFont_ = parentFont;
    if (parentFont_) TakeParentFont();
    Changed("ParentFont");
}

void TControl::ParentFontChanged() {}

void TControl::TakeParentFont() {
    if (parent_ == nullptr) return;
    settingParentFont_ = true; // a font taken from the parent keeps ParentFont set
    font_->Assign(*parent_->Font());
    settingParentFont_ = false;
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent_ != nullptr) parent_->RemoveControl(this);
    parent_ = parent;
    if (parent_ != nullptr) {
        parent_->InsertControl(this);
        if (parentFont_) TakeParentFont();
    }
    Changed("Parent");
}

void TControl::SetParentComponent(TComponent* parent) {
    if (parent != nullptr && parent->Is<TWinControl>()) SetParent(static_cast<TWinControl*>(parent));
}

void TControl::Click() {
    if (onClick_ || Action() == nullptr)
        onClick_.Call(this);
    else
        Action()->Execute();
}

void TControl::Changed(std::string_view property) {
    if (peer_) peer_->PropertyChanged(property);
}

void TControl::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    if (component == parent_) parent_ = nullptr;
    actionLink_.Removed(component);
}

const TClassInfo& TWinControl::StaticClass() {
    static const TClassInfo info = TClassBuilder<TWinControl>("TWinControl", &TControl::StaticClass())
                                       .Integer("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder)
                                       .Boolean("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop)
                                       .Build();
    return info;
}

TWinControl::~TWinControl() {
    for (TControl* control : controls_)
        control->parent_ = nullptr;
}

void TWinControl::InsertControl(TControl* control) {
    controls_.push_back(control);
    if (auto* child = dynamic_cast<TWinControl*>(control); child != nullptr && child->tabOrder_ < 0) {
        child->tabOrder_ = static_cast<std::int64_t>(
            std::count_if(controls_.begin(), controls_.end(),
                          [](TControl* c) { return dynamic_cast<TWinControl*>(c); }) -
            1);
    }
}

void TWinControl::RemoveControl(TControl* control) {
    std::erase(controls_, control);
}

void TWinControl::SetTabOrder(std::int64_t tabOrder) {
    SetField(tabOrder_, tabOrder, "TabOrder");
}

void TWinControl::SetTabStop(bool tabStop) {
    SetField(tabStop_, tabStop, "TabStop");
}

std::vector<TWinControl*> TWinControl::TabList() const {
    std::vector<TWinControl*> list;
    for (TControl* control : controls_)
        if (auto* child = dynamic_cast<TWinControl*>(control); child != nullptr && child->TabStop())
            list.push_back(child);
    std::stable_sort(list.begin(), list.end(),
                     [](TWinControl* a, TWinControl* b) { return a->TabOrder() < b->TabOrder(); });
    return list;
}

void TWinControl::ParentFontChanged() {
    for (TControl* control : controls_)
        if (control->parentFont_) control->TakeParentFont();
}

} // namespace gui
