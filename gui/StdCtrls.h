// Standard controls: label, push button, edit box, multi-line text box, list box, combo box.
#pragma once

#include "gui/Controls.h"
#include "rtl/StringList.h"

namespace gui {

class TLabel : public TControl {
    GUI_CLASS_INFO
public:
    explicit TLabel(TComponent* owner);
    // An auto-sized label keeps its left and top edges; the backend measures the text.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wordWrap);

private:
    bool autoSize_ = true;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool transparent_ = false;
    bool wordWrap_ = false;
};

class TButton : public TWinControl {
    GUI_CLASS_INFO
public:
    explicit TButton(TComponent* owner);
    bool Default() const { return default_; }
    void SetDefault(bool value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value);
    std::int64_t ModalResult() const { return modalResult_; }
    void SetModalResult(std::int64_t value) { modalResult_ = value; }

private:
    bool default_ = false;
    bool cancel_ = false;
    std::int64_t modalResult_ = 0;
};

// A one-line text box.
class TCustomEdit : public TWinControl {
    GUI_CLASS_INFO
public:
    explicit TCustomEdit(TComponent* owner);
    std::string Text() const { return text_; }
    void SetText(const std::string& text);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);

private:
    std::string text_;
    bool readOnly_ = false;
};

class TEdit : public TCustomEdit {
    GUI_CLASS_INFO
public:
    using TCustomEdit::TCustomEdit;
};

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TMemo : public TWinControl {
    GUI_CLASS_INFO
public:
    explicit TMemo(TComponent* owner);
    rtl::TStrings* Lines() const { return &lines_; }
    // The lines joined with CR LF.
    std::string Text() const { return lines_.Text(); }
    void SetText(const std::string& text) { lines_.SetText(text); }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wordWrap);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle scrollBars);

private:
    mutable rtl::TStringList lines_;
    bool readOnly_ = false;
    bool wordWrap_ = true;
    TScrollStyle scrollBars_ = TScrollStyle::ssNone;
};

class TCustomListBox : public TWinControl {
    GUI_CLASS_INFO
public:
    explicit TCustomListBox(TComponent* owner);
    rtl::TStrings* Items() const { return &items_; }
    // -1 when no item is selected.
    std::int64_t ItemIndex() const { return itemIndex_; }
    void SetItemIndex(std::int64_t index);
    std::int64_t ItemHeight() const { return itemHeight_; }
    void SetItemHeight(std::int64_t height);

private:
    mutable rtl::TStringList items_;
    std::int64_t itemIndex_ = -1;
    std::int64_t itemHeight_ = 13;
};

class TListBox : public TCustomListBox {
    GUI_CLASS_INFO
public:
    using TCustomListBox::TCustomListBox;
};

// A list of texts with an edit box; selecting an item puts its text into the box.
class TCustomComboBox : public TWinControl {
    GUI_CLASS_INFO
public:
    explicit TCustomComboBox(TComponent* owner);
    rtl::TStrings* Items() const { return &items_; }
    // -1 when no item is selected. Replacing the selected item's text loses the selection, as the
    // system's combo box replaces an item by deleting and inserting it.
    std::int64_t ItemIndex() const { return itemIndex_; }
    void SetItemIndex(std::int64_t index);
    std::string Text() const { return text_; }
    void SetText(const std::string& text);

private:
    class TItems : public rtl::TStringList {
    public:
        explicit TItems(TCustomComboBox& box) : box_(box) {}
        void Put(int index, const std::string& text) override;

    private:
        TCustomComboBox& box_;
    };

    mutable TItems items_{*this};
    std::int64_t itemIndex_ = -1;
    std::string text_;
};

class TComboBox : public TCustomComboBox {
    GUI_CLASS_INFO
public:
    using TCustomComboBox::TCustomComboBox;
};

} // namespace gui
