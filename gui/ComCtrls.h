// Common controls: status bar, tab control, tree view, list view, header control.
#pragma once

#include "gui/Controls.h"
#include "gui/Pages.h"
#include "rtl/StringList.h"

#include <memory>

#include <string>
#include <vector>

namespace gui {

struct TStatusPanel {
    std::string Text;
    std::int64_t Width = 50;
};

// Shows SimpleText when SimplePanel is set, else its panels.
class TStatusBar : public TWinControl {
    GUI_CLASS_INFO
public:
    explicit TStatusBar(TComponent* owner);
    std::string SimpleText() const { return simpleText_; }
    void SetSimpleText(const std::string& text);
    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool simplePanel);
    bool SizeGrip() const { return sizeGrip_; }
    void SetSizeGrip(bool sizeGrip);
    // The system's status-bar font instead of Font.
    bool UseSystemFont() const { return useSystemFont_; }
    void SetUseSystemFont(bool useSystemFont);

    int PanelCount() const { return static_cast<int>(panels_.size()); }
    TStatusPanel& AddPanel();
    std::string PanelText(int index) const { return panels_.at(static_cast<std::size_t>(index)).Text; }
    void SetPanelText(int index, const std::string& text);
    // What the bar shows in one line: the simple text, or the first panel's.
    std::string ShownText() const {
        return simplePanel_ || panels_.empty() ? simpleText_ : panels_.front().Text;
    }

private:
    std::string simpleText_;
    bool simplePanel_ = false;
    bool sizeGrip_ = true;
    bool useSystemFont_ = true;
    std::vector<TStatusPanel> panels_;
};

class TTabControl : public TCustomTabs {
    GUI_CLASS_INFO
public:
    using TCustomTabs::TCustomTabs;
};

// How a tree or list view keeps its entries ordered; by text (stText, stBoth) they re-sort
// whenever a text changes.
enum class TSortType { stNone, stData, stText, stBoth };

inline bool SortsByText(TSortType sortType) {
    return sortType == TSortType::stText || sortType == TSortType::stBoth;
}

class TTreeView;

class TTreeNode {
public:
    TTreeNode(TTreeView& tree, TTreeNode* parent, std::string text);
    const std::string& Text() const { return text_; }
    void SetText(const std::string& text);
    TTreeNode* Parent() const { return parent_; }
    int Count() const { return static_cast<int>(children_.size()); }
    TTreeNode* Item(int index) const { return children_.at(static_cast<std::size_t>(index)).get(); }

private:
    friend class TTreeNodes;
    TTreeView& tree_;
    TTreeNode* parent_;
    std::string text_;
    std::vector<std::unique_ptr<TTreeNode>> children_;
};

// The nodes of a tree view. Absolute indexes count each node followed by its descendants.
class TTreeNodes {
public:
    explicit TTreeNodes(TTreeView& tree) : tree_(tree) {}
    int Count() const { return static_cast<int>(InOrder().size()); }
    // nullptr beyond the last node.
    TTreeNode* Item(int absoluteIndex) const;
    // Every node in absolute index order.
    std::vector<TTreeNode*> InOrder() const;
    // A new last root, or a new last child of `parent`.
    TTreeNode* Add(const std::string& text) { return AddChild(nullptr, text); }
    TTreeNode* AddChild(TTreeNode* parent, const std::string& text);
    void Clear();

private:
    friend class TTreeNode;
    friend class TTreeView;
    std::vector<std::unique_ptr<TTreeNode>>& Siblings(TTreeNode* parent);
    void SortChildren(TTreeNode* parent, bool recursive);

    TTreeView& tree_;
    std::vector<std::unique_ptr<TTreeNode>> roots_;
};

class TTreeView : public TWinControl {
    GUI_CLASS_INFO
public:
    explicit TTreeView(TComponent* owner);
    TTreeNodes& Items() { return items_; }
    const TTreeNodes& Items() const { return items_; }
    TSortType SortType() const { return sortType_; }
    // Sorting by text orders every level at once.
    void SetSortType(TSortType sortType);

private:
    friend class TTreeNode;
    friend class TTreeNodes;
    TTreeNodes items_{*this};
    TSortType sortType_ = TSortType::stNone;
};

struct TListColumn {
    std::string Caption;
    std::int64_t Width = 50;
};

class TListView;

class TListItem {
public:
    TListItem(TListView& view, std::string caption);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    rtl::TStrings* SubItems() const { return &subItems_; }

private:
    TListView& view_;
    std::string caption_;
    mutable rtl::TStringList subItems_;
};

class TListView : public TWinControl {
    GUI_CLASS_INFO
public:
    explicit TListView(TComponent* owner);
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    TListColumn& Column(int index) { return columns_.at(static_cast<std::size_t>(index)); }
    TListColumn& AddColumn(const std::string& caption);
    void SetColumnCaption(int index, const std::string& caption);
    int ItemCount() const { return static_cast<int>(items_.size()); }
    TListItem& Item(int index) const { return *items_.at(static_cast<std::size_t>(index)); }
    TListItem& AddItem(const std::string& caption);
    TSortType SortType() const { return sortType_; }
    void SetSortType(TSortType sortType);

private:
    friend class TListItem;
    void Sort();

    std::vector<TListColumn> columns_;
    std::vector<std::unique_ptr<TListItem>> items_;
    TSortType sortType_ = TSortType::stNone;
};

struct THeaderSection {
    std::string Text;
    std::int64_t Width = 50;
};

class THeaderControl : public TWinControl {
    GUI_CLASS_INFO
public:
    explicit THeaderControl(TComponent* owner);
    int SectionCount() const { return static_cast<int>(sections_.size()); }
    const THeaderSection& Section(int index) const { return sections_.at(static_cast<std::size_t>(index)); }
    THeaderSection& AddSection(const std::string& text);
    void SetSectionText(int index, const std::string& text);

private:
    std::vector<THeaderSection> sections_;
};

} // namespace gui
