#include "multilang/LangSwitch.h"

#include "gui/ComCtrls.h"
#include "gui/DBCtrls.h"
#include "gui/Dialogs.h"
#include "gui/ExtCtrls.h"
#include "gui/FileCtrl.h"
#include "gui/Forms.h"
#include "gui/Mask.h"
#include "gui/Menus.h"
#include "gui/StdCtrls.h"
#include "gui/Tabs.h"

#include <optional>
#include <strings.h>

namespace multilang {

namespace {

const char* const kHintKeySuffix = ".hint";

// The walk through one component's entry: j always points at the key line of a group.
class TEntry {
public:
    TEntry(const TBaseLangSwitch& owner, int index)
        : owner_(owner), words_(*owner.Words()), start_(index), j_(index),
          active_(static_cast<int>(owner.ActiveLanguage())) {}

    int Index() const { return j_; }
    // Whether the group at j has a text line for the active language.
    bool HasText() const { return j_ + active_ + 1 < words_.Count(); }
    bool AtEnd() const { return j_ >= words_.Count(); }
    bool AtContinuation() const { return !AtEnd() && words_[j_] == kContinuationKey; }
    bool AtHint() const {
        if (AtEnd()) return false;
        const std::string key = words_[j_];
        return key.size() == 6 && key[0] == '"' && strcasecmp(key.c_str() + 1, kHintKeySuffix) == 0;
    }
    void SkipGroup() { j_ += owner_.GroupSize(); }

    // The chosen text of the group at j, moving j to the next group; nothing at the table's end.
    std::optional<std::string> NextText() {
        if (!HasText()) return std::nullopt;
        std::string text = owner_.ChosenText(j_);
        SkipGroup();
        return text;
    }

    // One group per item; items without a group become empty. The first group is the name group
    // or a continuation group: another component's entry is never taken for an item.
    void ApplyList(rtl::TStrings& items) {
        if (!HasText() || items.Count() == 0) return;
        if (j_ != start_ && !AtContinuation()) return;
        int k = 0;
        do {
            if (const auto text = NextText()) items.Put(k, *text);
            ++k;
        } while (!AtEnd() && AtContinuation() && k < items.Count());
        for (; k < items.Count(); ++k)
            items.Put(k, "");
    }

    // One group per element, the first read whatever its key, while the groups continue.
    template <typename Write> void ApplyElements(int count, Write write) {
        for (int k = 0; HasText() && k < count; ++k) {
            write(k, *NextText());
            if (!AtContinuation()) return;
        }
    }

private:
    const TBaseLangSwitch& owner_;
    const rtl::TStrings& words_;
    const int start_;
    int j_;
    int active_;
};

// Rows added to a word-table editor's grid, from one start row on.
class TGatherer {
public:
    TGatherer(TTextGrid& grid, int row, int active) : grid_(grid), start_(row), row_(row), active_(active) {}

    void Add(const std::string& text) {
        grid_.SetCell(0, row_, kContinuationKey);
        grid_.SetCell(active_ + 1, row_, text);
        ++row_;
        grid_.SetRowCount(grid_.RowCount() + 1);
        for (int column = 0; column < grid_.ColCount(); ++column)
            grid_.SetCell(column, grid_.RowCount() - 1, "");
    }
    void AddAll(const rtl::TStrings& texts) {
        for (int i = 0; i < texts.Count(); ++i)
            Add(texts[i]);
    }
    // Writes the key of the row added last.
    void KeyLast(const std::string& key) { grid_.SetCell(0, row_ - 1, key); }
    bool Added() const { return row_ > start_; }
    int Start() const { return start_; }
    TTextGrid& Grid() const { return grid_; }

private:
    TTextGrid& grid_;
    int start_;
    int row_;
    int active_;
};

template <typename T> T& As(gui::TComponent& component) {
    return static_cast<T&>(component);
}

void ApplyStatusBar(TEntry& entry, gui::TStatusBar& bar) {
    if (const auto text = entry.NextText()) bar.SetSimpleText(*text);
    for (int k = 0; entry.HasText() && entry.AtContinuation() && k < bar.PanelCount(); ++k)
        bar.SetPanelText(k, *entry.NextText());
}

// Sorting by text is off while the texts change, so that node k stays node k.
void ApplyTree(TEntry& entry, gui::TTreeView& tree) {
    const gui::TSortType sortType = tree.SortType();
    tree.SetSortType(gui::TSortType::stNone);
    const std::vector<gui::TTreeNode*> nodes = tree.Items().InOrder();
    entry.ApplyElements(static_cast<int>(nodes.size()), [&](int k, const std::string& text) {
        nodes[static_cast<std::size_t>(k)]->SetText(text);
    });
    tree.SetSortType(sortType);
}

void ApplyListView(TEntry& entry, gui::TListView& view) {
    entry.ApplyElements(view.ColumnCount(),
                        [&](int k, const std::string& text) { view.SetColumnCaption(k, text); });
    const gui::TSortType sortType = view.SortType();
    view.SetSortType(gui::TSortType::stNone);
    for (int m = 0; entry.HasText() && entry.AtContinuation() && m < view.ItemCount(); ++m) {
        view.Item(m).SetCaption(*entry.NextText());
        entry.ApplyList(*view.Item(m).SubItems());
    }
    view.SetSortType(sortType);
}

void ApplyGridColumns(TEntry& entry, gui::TDBGrid& grid) {
    entry.ApplyElements(grid.ColumnCount(),
                        [&](int k, const std::string& text) { grid.SetTitleCaption(k, text); });
}

// One hint per group, however many buttons there are.
void ApplyNavigator(TEntry& entry, gui::TDBNavigator& navigator) {
    if (!entry.HasText()) return;
    rtl::TStringList hints;
    do
        hints.Add(entry.NextText().value_or(""));
    while (entry.HasText() && entry.AtContinuation());
    navigator.Hints()->Assign(hints);
}

// Caption, then Text (not for a masked edit), each only where published.
void ApplyCaptionAndText(TEntry& entry, gui::TComponent& component) {
    if (gui::HasProperty(component, "Caption"))
        if (const auto text = entry.NextText()) gui::SetProperty(component, "Caption", *text);
    if (!component.Is<gui::TMaskEdit>() && gui::HasProperty(component, "Text"))
        if (const auto text = entry.NextText()) gui::SetProperty(component, "Text", *text);
}

void GatherCaptionAndText(TGatherer& rows, gui::TComponent& component) {
    if (gui::HasProperty(component, "Caption")) rows.Add(gui::GetStringProperty(component, "Caption"));
    if (!component.Is<gui::TMaskEdit>() && gui::HasProperty(component, "Text"))
        rows.Add(gui::GetStringProperty(component, "Text"));
}

void GatherTree(TGatherer& rows, gui::TTreeView& tree) {
    for (const gui::TTreeNode* node : tree.Items().InOrder())
        rows.Add(node->Text());
}

void GatherListView(TGatherer& rows, gui::TListView& view) {
    for (int k = 0; k < view.ColumnCount(); ++k)
        rows.Add(view.Column(k).Caption);
    for (int m = 0; m < view.ItemCount(); ++m) {
        rows.Add(view.Item(m).Caption());
        rows.AddAll(*view.Item(m).SubItems());
    }
}

// The kinds in the order they are tried; the first row whose class the component is (or derives
// from) writes and gathers its texts.
struct TKind {
    const gui::TClassInfo& (*Class)();
    void (*Apply)(TEntry&, gui::TComponent&);
    void (*Gather)(TGatherer&, gui::TComponent&);
};

// A kind whose texts are one list of lines.
template <typename T, auto List> constexpr TKind ListKind() {
    return {&T::StaticClass, [](TEntry& e, gui::TComponent& c) { e.ApplyList(*(As<T>(c).*List)()); },
            [](TGatherer& g, gui::TComponent& c) { g.AddAll(*(As<T>(c).*List)()); }};
}

// A list whose selection is lost when an item's text is replaced: it is read before and restored.
template <typename T> constexpr TKind SelectionListKind() {
    return {&T::StaticClass,
            [](TEntry& e, gui::TComponent& c) {
                T& box = As<T>(c);
                const std::int64_t index = box.ItemIndex();
                e.ApplyList(*box.Items());
                box.SetItemIndex(index);
            },
            [](TGatherer& g, gui::TComponent& c) { g.AddAll(*As<T>(c).Items()); }};
}

template <typename T> constexpr TKind RadioGroupKind() {
    return {&T::StaticClass,
            [](TEntry& e, gui::TComponent& c) {
                T& group = As<T>(c);
                if (const auto text = e.NextText()) group.SetCaption(*text);
                e.ApplyList(*group.Items());
            },
            [](TGatherer& g, gui::TComponent& c) {
                g.Add(As<T>(c).Caption());
                g.AddAll(*As<T>(c).Items());
            }};
}

// A kind with one text, read and written by a getter and a setter.
template <typename T, auto Get, auto Set> constexpr TKind TextKind() {
    return {&T::StaticClass,
            [](TEntry& e, gui::TComponent& c) {
                if (const auto text = e.NextText()) (As<T>(c).*Set)(*text);
            },
            [](TGatherer& g, gui::TComponent& c) { g.Add((As<T>(c).*Get)()); }};
}

const TKind kKinds[] = {
    ListKind<gui::TListBox, &gui::TListBox::Items>(),
    ListKind<gui::TDBListBox, &gui::TDBListBox::Items>(),
    RadioGroupKind<gui::TDBRadioGroup>(),
    {&gui::TDBGrid::StaticClass,
     [](TEntry& e, gui::TComponent& c) { ApplyGridColumns(e, As<gui::TDBGrid>(c)); },
     [](TGatherer& g, gui::TComponent& c) {
         const auto& grid = As<gui::TDBGrid>(c);
         for (int k = 0; k < grid.ColumnCount(); ++k)
             g.Add(grid.Column(k).TitleCaption);
     }},
    SelectionListKind<gui::TDBComboBox>(),
    TextKind<gui::TField, &gui::TField::DisplayLabel, &gui::TField::SetDisplayLabel>(),
    {&gui::TDBNavigator::StaticClass,
     [](TEntry& e, gui::TComponent& c) { ApplyNavigator(e, As<gui::TDBNavigator>(c)); },
     [](TGatherer& g, gui::TComponent& c) { g.AddAll(*As<gui::TDBNavigator>(c).Hints()); }},
    {&gui::TCustomForm::StaticClass,
     [](TEntry& e, gui::TComponent& c) {
         if (const auto text = e.NextText()) As<gui::TCustomForm>(c).SetCaption(*text);
     },
     [](TGatherer& g, gui::TComponent& c) {
         g.Add(As<gui::TCustomForm>(c).Caption());
         g.KeyLast(kFormKey);
     }},
    RadioGroupKind<gui::TRadioGroup>(),
    ListKind<gui::TMemo, &gui::TMemo::Lines>(),
    ListKind<gui::THeader, &gui::THeader::Sections>(),
    ListKind<gui::TTabSet, &gui::TTabSet::Tabs>(),
    ListKind<gui::TTabbedNotebook, &gui::TTabbedNotebook::Pages>(),
    ListKind<gui::TNotebook, &gui::TNotebook::Pages>(),
    ListKind<gui::TTabControl, &gui::TTabControl::Tabs>(),
    {&gui::TTreeView::StaticClass, [](TEntry& e, gui::TComponent& c) { ApplyTree(e, As<gui::TTreeView>(c)); },
     [](TGatherer& g, gui::TComponent& c) { GatherTree(g, As<gui::TTreeView>(c)); }},
    {&gui::TListView::StaticClass,
     [](TEntry& e, gui::TComponent& c) { ApplyListView(e, As<gui::TListView>(c)); },
     [](TGatherer& g, gui::TComponent& c) { GatherListView(g, As<gui::TListView>(c)); }},
    {&gui::TStatusBar::StaticClass,
     [](TEntry& e, gui::TComponent& c) { ApplyStatusBar(e, As<gui::TStatusBar>(c)); },
     [](TGatherer& g, gui::TComponent& c) {
         const auto& bar = As<gui::TStatusBar>(c);
         g.Add(bar.SimpleText());
         for (int k = 0; k < bar.PanelCount(); ++k)
             g.Add(bar.PanelText(k));
     }},
    {&gui::THeaderControl::StaticClass,
     [](TEntry& e, gui::TComponent& c) {
         auto& header = As<gui::THeaderControl>(c);
         e.ApplyElements(header.SectionCount(),
                         [&](int k, const std::string& text) { header.SetSectionText(k, text); });
     },
     [](TGatherer& g, gui::TComponent& c) {
         const auto& header = As<gui::THeaderControl>(c);
         for (int k = 0; k < header.SectionCount(); ++k)
             g.Add(header.Section(k).Text);
     }},
    SelectionListKind<gui::TComboBox>(),
    TextKind<gui::TFilterComboBox, &gui::TFilterComboBox::Filter, &gui::TFilterComboBox::SetFilter>(),
    {&gui::TOpenDialog::StaticClass,
     [](TEntry& e, gui::TComponent& c) {
         auto& dialog = As<gui::TOpenDialog>(c);
         if (const auto text = e.NextText()) dialog.SetTitle(*text);
         if (const auto text = e.NextText()) dialog.SetFilter(*text);
     },
     [](TGatherer& g, gui::TComponent& c) {
         g.Add(As<gui::TOpenDialog>(c).Title());
         g.Add(As<gui::TOpenDialog>(c).Filter());
     }},
    TextKind<gui::TMenuItem, &gui::TMenuItem::Caption, &gui::TMenuItem::SetCaption>(),
};

const TKind kAnyOther = {&gui::TComponent::StaticClass, &ApplyCaptionAndText, &GatherCaptionAndText};

const TKind& KindOf(const gui::TComponent& component) {
    for (const TKind& kind : kKinds)
        if (component.InheritsFrom(kind.Class())) return kind;
    return kAnyOther;
}

} // namespace

const gui::TClassInfo& TLangSwitch::StaticClass() {
    static const gui::TClassInfo info =
        gui::TClassBuilder<TLangSwitch>("TLangSwitch", &TBaseLangSwitch::StaticClass()).Creatable().Build();
    return info;
}

void TLangSwitch::TranslateComponent(gui::TComponent& component, int& index) {
    ApplyPosition(component, index);
    TEntry entry(*this, index);
    if (ShouldTranslate(component)) KindOf(component).Apply(entry, component);
    if (entry.Index() == index) entry.SkipGroup();
    if (gui::HasProperty(component, "Hint") && entry.AtHint())
        if (const auto hint = entry.NextText(); hint && !hint->empty())
            gui::SetProperty(component, "Hint", *hint);
    index = entry.Index();
}

void TLangSwitch::GatherTexts(gui::TComponent& component, int index, TTextGrid& grid) {
    SavePosition(component, index);
    TGatherer rows(grid, index, static_cast<int>(ActiveLanguage()));
    if (ShouldTranslate(component)) KindOf(component).Gather(rows, component);
    if (gui::HasProperty(component, "Hint")) {
        const std::string hint = gui::GetStringProperty(component, "Hint");
        if (!hint.empty()) {
            if (!rows.Added()) rows.Add("");
            rows.Add(hint);
            rows.KeyLast(std::string(kContinuationKey) + ".Hint");
        }
    }
    // A window's own row keeps its "%Form%" key.
    if (rows.Added() && grid.Cell(0, index) != kFormKey) grid.SetCell(0, index, component.Name());
}

void SetGlobalLanguage(std::uint8_t language) {
    const std::vector<TBaseLangSwitch*> instances = LangSwitchInstances;
    for (TBaseLangSwitch* instance : instances)
        if (instance->Languages() > language) instance->SetActiveLanguage(language);
    GlobalLanguage = language;
}

} // namespace multilang
