#include "gui/ComCtrls.h"

#include <algorithm>
#include <strings.h>

namespace gui {

const TClassInfo& TStatusBar::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TStatusBar>("TStatusBar", &TWinControl::StaticClass())
            .String("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText)
            .Boolean("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel)
            .Boolean("SizeGrip", &TStatusBar::SizeGrip, &TStatusBar::SetSizeGrip)
            .Boolean("UseSystemFont", &TStatusBar::UseSystemFont, &TStatusBar::SetUseSystemFont)
            .Event("OnClick", &TStatusBar::OnClick, &TStatusBar::SetOnClick)
            .Creatable()
            .Build();
    return info;
}

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner) {
    SetAlign(TAlign::alBottom);
    SetTabStop(false);
}

void TStatusBar::SetSimpleText(const std::string& text) {
    SetField(simpleText_, text, "SimpleText");
}

void TStatusBar::SetSimplePanel(bool simplePanel) {
    SetField(simplePanel_, simplePanel, "SimplePanel");
}

void TStatusBar::SetSizeGrip(bool sizeGrip) {
    SetField(sizeGrip_, sizeGrip, "SizeGrip");
}

void TStatusBar::SetUseSystemFont(bool useSystemFont) {
    SetField(useSystemFont_, useSystemFont, "UseSystemFont");
}

TStatusPanel& TStatusBar::AddPanel() {
    panels_.emplace_back();
    Changed("Panels");
    return panels_.back();
}

void TStatusBar::SetPanelText(int index, const std::string& text) {
    panels_.at(static_cast<std::size_t>(index)).Text = text;
    Changed("Panels");
}

const TClassInfo& TTabControl::StaticClass() {
    static const TClassInfo info = TClassBuilder<TTabControl>("TTabControl", &TCustomTabs::StaticClass())
                                       .Strings("Tabs", &TTabControl::Tabs)
                                       .Integer("TabIndex", &TTabControl::TabIndex, &TTabControl::SetTabIndex)
                                       .Creatable()
                                       .Build();
    return info;
}

namespace {

template <typename Entry, typename Key>
void SortByText(std::vector<std::unique_ptr<Entry>>& entries, Key key) {
    std::stable_sort(entries.begin(), entries.end(), [&](const auto& a, const auto& b) {
        return strcasecmp(key(*a).c_str(), key(*b).c_str()) < 0;
    });
}

} // namespace

TTreeNode::TTreeNode(TTreeView& tree, TTreeNode* parent, std::string text)
    : tree_(tree), parent_(parent), text_(std::move(text)) {}

void TTreeNode::SetText(const std::string& text) {
    text_ = text;
    if (SortsByText(tree_.SortType())) tree_.Items().SortChildren(parent_, false);
    tree_.Changed("Items");
}

std::vector<TTreeNode*> TTreeNodes::InOrder() const {
    std::vector<TTreeNode*> nodes;
    // Depth first, each node before its children.
    std::vector<TTreeNode*> pending;
    for (auto root = roots_.rbegin(); root != roots_.rend(); ++root)
        pending.push_back(root->get());
    while (!pending.empty()) {
        TTreeNode* node = pending.back();
        pending.pop_back();
        nodes.push_back(node);
        for (auto child = node->children_.rbegin(); child != node->children_.rend(); ++child)
            pending.push_back(child->get());
    }
    return nodes;
}

TTreeNode* TTreeNodes::Item(int absoluteIndex) const {
    const std::vector<TTreeNode*> nodes = InOrder();
    return absoluteIndex < 0 || absoluteIndex >= static_cast<int>(nodes.size())
               ? nullptr
               : nodes[static_cast<std::size_t>(absoluteIndex)];
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const std::string& text) {
    auto& siblings = Siblings(parent);
    siblings.push_back(std::make_unique<TTreeNode>(tree_, parent, text));
    TTreeNode* node = siblings.back().get();
    if (SortsByText(tree_.SortType())) SortChildren(parent, false);
    tree_.Changed("Items");
    return node;
}

void TTreeNodes::Clear() {
    roots_.clear();
    tree_.Changed("Items");
}

std::vector<std::unique_ptr<TTreeNode>>& TTreeNodes::Siblings(TTreeNode* parent) {
    return parent == nullptr ? roots_ : parent->children_;
}

void TTreeNodes::SortChildren(TTreeNode* parent, bool recursive) {
    auto& siblings = Siblings(parent);
    SortByText(siblings, [](const TTreeNode& node) { return node.Text(); });
    if (recursive)
        for (auto& node : siblings)
            SortChildren(node.get(), true);
}

const TClassInfo& TTreeView::StaticClass() {
    static const TClassInfo info = TClassBuilder<TTreeView>("TTreeView", &TWinControl::StaticClass())
                                       .Enumeration("SortType", {"stNone", "stData", "stText", "stBoth"},
                                                    &TTreeView::SortType, &TTreeView::SetSortType)
                                       .Creatable()
                                       .Build();
    return info;
}

TTreeView::TTreeView(TComponent* owner) : TWinControl(owner) {
    SetColor(clWindow);
}

void TTreeView::SetSortType(TSortType sortType) {
    if (sortType == sortType_) return;
    sortType_ = sortType;
    if (SortsByText(sortType_)) items_.SortChildren(nullptr, true);
    Changed("Items");
}

TListItem::TListItem(TListView& view, std::string caption) : view_(view), caption_(std::move(caption)) {
    subItems_.OnChange = [this] { view_.Changed("Items"); };
}

void TListItem::SetCaption(const std::string& caption) {
    caption_ = caption;
    view_.Sort();
    view_.Changed("Items");
}

const TClassInfo& TListView::StaticClass() {
    static const TClassInfo info = TClassBuilder<TListView>("TListView", &TWinControl::StaticClass())
                                       .Enumeration("SortType", {"stNone", "stData", "stText", "stBoth"},
                                                    &TListView::SortType, &TListView::SetSortType)
                                       .Creatable()
                                       .Build();
    return info;
}

TListView::TListView(TComponent* owner) : TWinControl(owner) {
    SetColor(clWindow);
}

TListColumn& TListView::AddColumn(const std::string& caption) {
    columns_.push_back({caption});
    Changed("Columns");
    return columns_.back();
}

void TListView::SetColumnCaption(int index, const std::string& caption) {
    columns_.at(static_cast<std::size_t>(index)).Caption = caption;
    Changed("Columns");
}

TListItem& TListView::AddItem(const std::string& caption) {
    items_.push_back(std::make_unique<TListItem>(*this, caption));
    TListItem& item = *items_.back();
    Sort();
    Changed("Items");
    return item;
}

void TListView::SetSortType(TSortType sortType) {
    if (sortType == sortType_) return;
    sortType_ = sortType;
    Sort();
    Changed("Items");
}

void TListView::Sort() {
    if (SortsByText(sortType_)) SortByText(items_, [](const TListItem& item) { return item.Caption(); });
}

const TClassInfo& THeaderControl::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<THeaderControl>("THeaderControl", &TWinControl::StaticClass()).Creatable().Build();
    return info;
}

THeaderControl::THeaderControl(TComponent* owner) : TWinControl(owner) {
    SetAlign(TAlign::alTop);
}

THeaderSection& THeaderControl::AddSection(const std::string& text) {
    sections_.push_back({text});
    Changed("Sections");
    return sections_.back();
}

void THeaderControl::SetSectionText(int index, const std::string& text) {
    sections_.at(static_cast<std::size_t>(index)).Text = text;
    Changed("Sections");
}

} // namespace gui
