// Visible controls: position, size, font, colour, texts and events, and the peer that a toolkit
// backend attaches to draw a control and keep it in step with the model.
#pragma once

#include "gui/ActnList.h"
#include "gui/Component.h"
#include "gui/Graphics.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace gui {

class TWinControl;

// What a backend's widget learns of its control. PropertyChanged names the published property
// that changed ("Caption", "Left", "Font", ...).
class TControlPeer {
public:
    virtual ~TControlPeer() = default;
    virtual void PropertyChanged(std::string_view property) = 0;
};

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

class TControl : public TComponent {
    GUI_CLASS_INFO
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    std::int64_t Left() const { return left_; }
    void SetLeft(std::int64_t left) { SetBounds(left, top_, width_, height_); }
    std::int64_t Top() const { return top_; }
    void SetTop(std::int64_t top) { SetBounds(left_, top, width_, height_); }
    std::int64_t Width() const { return width_; }
    void SetWidth(std::int64_t width) { SetBounds(left_, top_, width, height_); }
    std::int64_t Height() const { return height_; }
    void SetHeight(std::int64_t height) { SetBounds(left_, top_, width_, height); }
    virtual void SetBounds(std::int64_t left, std::int64_t top, std::int64_t width, std::int64_t height);

    // The text of labels, buttons and forms; only those classes publish it.
    std::string Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    std::string Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool showHint);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);

    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* font) { font_->Assign(*font); }
    // A control with ParentFont takes its parent's font and follows its changes.
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool parentFont);

    TWinControl* Parent() const { return parent_; }
    void SetParent(TWinControl* parent);
    void SetParentComponent(TComponent* parent) override;

    // A control linked to an action shows the action's caption and hint; only some classes
    // publish it.
    TAction* Action() const { return actionLink_.Action(); }
    void SetAction(TAction* action) { actionLink_.Set(action); }

    const TNotifyEvent& OnClick() const { return onClick_; }
    void SetOnClick(TNotifyEvent handler) { onClick_ = std::move(handler); }
    // What a click of the user does: OnClick, else the linked action.
    virtual void Click();

    TControlPeer* Peer() const { return peer_.get(); }
    void SetPeer(std::unique_ptr<TControlPeer> peer) { peer_ = std::move(peer); }

protected:
    // Tells the peer; every setter calls it after a change.
    void Changed(std::string_view property);
    // Stores a new value and tells the peer, unless the value is the same.
    template <typename V> void SetField(V& field, V value, std::string_view property) {
        if (field == value) return;
        field = std::move(value);
        Changed(property);
    }
    virtual void ParentFontChanged();
    void TakeParentFont();
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TWinControl;

    std::int64_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    std::string caption_;
    std::string hint_;
    bool showHint_ = false;
    bool visible_ = true;
    bool enabled_ = true;
    TColor color_ = clBtnFace;
    TAlign align_ = TAlign::alNone;
    std::unique_ptr<TFont> font_;
    bool parentFont_ = true;
    bool settingParentFont_ = false;
    TWinControl* parent_ = nullptr;
    TNotifyEvent onClick_;
    TActionLink actionLink_{*this};
    std::unique_ptr<TControlPeer> peer_;
};

// A control that can hold other controls and take the keyboard focus.
class TWinControl : public TControl {
    GUI_CLASS_INFO
public:
    using TControl::TControl;
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(static_cast<std::size_t>(index)); }
    const std::vector<TControl*>& ControlList() const { return controls_; }

    std::int64_t TabOrder() const { return tabOrder_; }
    void SetTabOrder(std::int64_t tabOrder);
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool tabStop);
    // The child controls that take part in tabbing, in tab order.
    std::vector<TWinControl*> TabList() const;

protected:
    void ParentFontChanged() override;

private:
    friend class TControl;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);

    std::vector<TControl*> controls_;
    std::int64_t tabOrder_ = -1;
    bool tabStop_ = true;
};

} // namespace gui
