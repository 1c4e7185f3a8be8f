#include "gui/ComCtrls.h"
#include "gui/DBCtrls.h"
#include "gui/FileCtrl.h"
#include "gui/Forms.h"
#include "gui/Menus.h"
#include "gui/Tabs.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> NodeTexts(const gui::TTreeView& tree) {
    std::vector<std::string> texts;
    for (int k = 0; k < tree.Items().Count(); ++k)
        texts.push_back(tree.Items().Item(k)->Text());
    return texts;
}

} // namespace

TEST(ListKinds, TreeNodesCountEachNodeBeforeItsChildrenAndSortPerLevel) {
    gui::TTreeView tree(nullptr);
    gui::TTreeNode* b = tree.Items().Add("b");
    tree.Items().AddChild(b, "z");
    tree.Items().AddChild(b, "y");
    tree.Items().Add("a");
    EXPECT_EQ(NodeTexts(tree), (std::vector<std::string>{"b", "z", "y", "a"}));
    EXPECT_EQ(tree.Items().Item(4), nullptr);

    tree.SetSortType(gui::TSortType::stText);
    EXPECT_EQ(NodeTexts(tree), (std::vector<std::string>{"a", "b", "y", "z"}));
    b->Item(0)->SetText("zz");
    EXPECT_EQ(NodeTexts(tree), (std::vector<std::string>{"a", "b", "z", "zz"})) << "a new text re-sorts";
    tree.Items().Add("C");
    EXPECT_EQ(NodeTexts(tree), (std::vector<std::string>{"a", "b", "z", "zz", "C"}))
        << "letter case is ignored";
}

TEST(ListKinds, ListViewItemsResortWhenSortedByText) {
    gui::TListView view(nullptr);
    view.AddItem("b");
    view.AddItem("a");
    EXPECT_EQ(view.Item(0).Caption(), "b");
    view.SetSortType(gui::TSortType::stBoth);
    EXPECT_EQ(view.Item(0).Caption(), "a");
    view.Item(0).SetCaption("c");
    EXPECT_EQ(view.Item(0).Caption(), "b");
}

TEST(ListKinds, SelectionsFollowTheirLists) {
    gui::TComboBox combo(nullptr);
    combo.Items()->Add("one");
    combo.Items()->Add("two");
    combo.SetItemIndex(1);
    EXPECT_EQ(combo.Text(), "two");
    combo.Items()->Put(0, "first");
    EXPECT_EQ(combo.ItemIndex(), 1) << "another item's text leaves the selection";
    combo.Items()->Put(1, "second");
    EXPECT_EQ(combo.ItemIndex(), -1) << "replacing the selected item loses the selection";
    combo.SetItemIndex(5);
    EXPECT_EQ(combo.ItemIndex(), -1);

    gui::TTabSet tabs(nullptr);
    tabs.Tabs()->Add("a");
    tabs.Tabs()->Add("b");
    tabs.SetTabIndex(1);
    tabs.Tabs()->Delete(1);
    EXPECT_EQ(tabs.TabIndex(), -1);
    gui::TTabbedNotebook pages(nullptr);
    pages.Pages()->Add("a");
    pages.Pages()->Add("b");
    pages.SetPageIndex(1);
    pages.Pages()->Delete(1);
    EXPECT_EQ(pages.PageIndex(), 0) << "a notebook always shows a page";
}

TEST(ListKinds, AFilterComboBoxListsTheDescriptionsOfItsFilter) {
    gui::TFilterComboBox filter(nullptr);
    EXPECT_EQ(filter.Items()->ToVector(), (std::vector<std::string>{"All files (*.*)"}));
    filter.SetFilter("Texts|*.txt|Pictures|*.bmp;*.ico|Odd");
    EXPECT_EQ(filter.Items()->ToVector(), (std::vector<std::string>{"Texts", "Pictures", "Odd"}));
    EXPECT_EQ(filter.ItemIndex(), 0);
    EXPECT_EQ(filter.Text(), "Texts");
    filter.SetItemIndex(1);
    EXPECT_EQ(filter.Mask(), "*.bmp;*.ico");
    filter.SetItemIndex(2);
    EXPECT_EQ(filter.Mask(), "*.*") << "a description without a mask";
}

TEST(ListKinds, ActionsGiveTheirTextsAndClicksToLinkedClients) {
    gui::TForm form(nullptr);
    auto* action = new gui::TAction(&form);
    action->SetCaption("Run");
    int executed = 0;
    struct Counter : gui::TObject {
        int* count;
        void Run(gui::TObject*) { ++*count; }
    } counter;
    counter.count = &executed;
    action->OnExecute = gui::TNotifyEvent(&counter, &Counter::Run);
    auto* item = new gui::TMenuItem(&form);
    item->SetAction(action);
    EXPECT_EQ(item->Caption(), "Run");
    item->Click();
    EXPECT_EQ(executed, 1);
    delete item;
    // The freed item is no longer a client: the new caption reaches nobody.
    action->SetCaption("Go");
    auto* button = new gui::TButton(&form);
    button->SetAction(action);
    delete action;
    EXPECT_EQ(button->Action(), nullptr);
    EXPECT_EQ(button->Caption(), "Go");
}

TEST(ListKinds, TheNewKindsLoadFromADescription) {
    gui::RegisterStandardClasses();
    gui::TForm form(nullptr);
    form.CreateFromDescription("object Window: TForm\n"
                               "  object Radio: TRadioGroup\n"
                               "    Caption = 'Size'\n"
                               "    Items.Strings = (\n"
                               "      'Small'\n"
                               "      'Large')\n"
                               "    ItemIndex = 1\n"
                               "  end\n"
                               "  object Nav: TDBNavigator\n"
                               "    Hints.Strings = (\n"
                               "      'First')\n"
                               "  end\n"
                               "  object NameField: TField\n"
                               "    FieldName = 'NAME'\n"
                               "  end\n"
                               "end\n");
    auto* radio = static_cast<gui::TRadioGroup*>(form.FindComponent("Radio"));
    EXPECT_EQ(radio->Items()->Count(), 2);
    EXPECT_EQ(radio->ItemIndex(), 1);
    EXPECT_EQ(static_cast<gui::TDBNavigator*>(form.FindComponent("Nav"))->Hints()->Count(), 1);
    EXPECT_EQ(static_cast<gui::TField*>(form.FindComponent("NameField"))->DisplayLabel(), "NAME");
}
