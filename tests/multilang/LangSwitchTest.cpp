#include "multilang/LangSwitch.h"

#include "gui/ScriptedDialogs.h"
#include "multilang/TestGrid.h"

#include "gui/ComCtrls.h"
#include "gui/DBCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/FileCtrl.h"
#include "gui/Forms.h"
#include "gui/Mask.h"
#include "gui/Menus.h"
#include "gui/StdCtrls.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

using multilang::TLangSwitch;
using test::TestGrid;

namespace {

template <typename T> T* Make(gui::TCustomForm& form, const std::string& name) {
    auto* component = new T(&form);
    component->SetName(name);
    if constexpr (std::is_base_of_v<gui::TControl, T>) component->SetParent(&form);
    return component;
}

void SetLines(rtl::TStrings& lines, std::initializer_list<std::string> texts) {
    lines.Clear();
    for (const std::string& text : texts)
        lines.Add(text);
}

class TranslateKinds : public ::testing::Test {
protected:
    void SetUp() override {
        multilang::GlobalLanguage = 0;
        form_.SetName("Window");
        next_ = Make<gui::TLabel>(form_, "Next");
        switch_ = new TLangSwitch(&form_);
    }

    // Groups of key, English, Chinese; the label "Next" follows, so each test sees where the walk
    // went on.
    void Table(std::initializer_list<std::vector<std::string>> groups) {
        switch_->Words()->Clear();
        for (const auto& group : groups)
            for (const std::string& line : group)
                switch_->Words()->Add(line);
        for (const char* line : {"Next", "next en", "next zh"})
            switch_->Words()->Add(line);
    }
    void Switch(int language) {
        switch_->SetActiveLanguage(language);
        EXPECT_EQ(next_->Caption(), language == 0 ? "next en" : "next zh")
            << "the walk reached the next entry";
    }

    test::ScriptedDialogs dialogs_;
    gui::TForm form_{nullptr};
    gui::TLabel* next_ = nullptr;
    TLangSwitch* switch_ = nullptr;
};

const std::vector<std::string> More = {"\"", "", ""};

std::vector<std::string> Group(const std::string& key, const std::string& en, const std::string& zh = "") {
    return {key, en, zh};
}

} // namespace

TEST_F(TranslateKinds, AListTakesOneGroupPerItemAndEmptiesTheRest) {
    auto* list = Make<gui::TListBox>(form_, "List");
    SetLines(*list->Items(), {"a", "b", "c"});
    Table({Group("List", "one"), Group("\"", "two")});
    Switch(0);
    EXPECT_EQ(list->Items()->ToVector(), (std::vector<std::string>{"one", "two", ""}));

    list->Items()->Delete(2);
    Table({Group("List", "one"), Group("\"", "two"), Group("\"", "three"), Group("\"", "four")});
    Switch(0);
    EXPECT_EQ(list->Items()->ToVector(), (std::vector<std::string>{"one", "two"}))
        << "the groups left over are skipped by the walk";
}

TEST_F(TranslateKinds, ComboBoxesKeepTheirSelection) {
    auto* combo = Make<gui::TComboBox>(form_, "Combo");
    auto* dbCombo = Make<gui::TDBComboBox>(form_, "DBCombo");
    for (gui::TCustomComboBox* box :
         {static_cast<gui::TCustomComboBox*>(combo), static_cast<gui::TCustomComboBox*>(dbCombo)}) {
        SetLines(*box->Items(), {"red", "green"});
        box->SetItemIndex(1);
    }
    Table({Group("Combo", "Red", "紅"), Group("\"", "Green", "綠"), Group("DBCombo", "Red", "紅"),
           Group("\"", "Green", "綠")});
    Switch(1);
    for (gui::TCustomComboBox* box :
         {static_cast<gui::TCustomComboBox*>(combo), static_cast<gui::TCustomComboBox*>(dbCombo)}) {
        EXPECT_EQ(box->Items()->ToVector(), (std::vector<std::string>{"紅", "綠"}));
        EXPECT_EQ(box->ItemIndex(), 1);
        EXPECT_EQ(box->Text(), "綠");
    }
}

TEST_F(TranslateKinds, AStatusBarTakesItsSimpleTextThenContinuedPanels) {
    auto* bar = Make<gui::TStatusBar>(form_, "Bar");
    for (int i = 0; i < 3; ++i)
        bar->AddPanel().Text = "panel";
    Table({Group("Bar", "Ready", "就緒"), Group("\"", "Line 1"), Group("\"", "Column 2")});
    Switch(0);
    EXPECT_EQ(bar->SimpleText(), "Ready");
    EXPECT_EQ(bar->PanelText(0), "Line 1");
    EXPECT_EQ(bar->PanelText(1), "Column 2");
    EXPECT_EQ(bar->PanelText(2), "panel") << "the next key ends the panels";
}

TEST_F(TranslateKinds, AComponentWithoutTextsConsumesOnlyItsNameGroup) {
    auto* timer = new gui::TTimer(&form_);
    timer->SetName("Timer1");
    auto* masked = Make<gui::TMaskEdit>(form_, "Masked");
    masked->SetText("12:00");
    masked->SetReadOnly(true);
    Table({Group("Timer1", "tick", "滴答"), Group("Masked", "never", "never")});
    Switch(1);
    EXPECT_EQ(masked->Text(), "12:00") << "a masked edit keeps its text";
}

TEST_F(TranslateKinds, HintsAreWrittenOnlyWhenTheirTextIsNotEmpty) {
    auto* label = Make<gui::TLabel>(form_, "Label1");
    label->SetHint("stored hint");
    Table({Group("Label1", "Status:", "狀態:"), Group("\".hint", "", "")});
    Switch(0);
    EXPECT_EQ(label->Caption(), "Status:");
    EXPECT_EQ(label->Hint(), "stored hint") << "an empty hint only consumes its group";

    Table({Group("Label1", "Status:", "狀態:"), Group("\".HINT", "Shows the state", "顯示狀態")});
    Switch(1);
    EXPECT_EQ(label->Hint(), "顯示狀態");
}

TEST_F(TranslateKinds, OnlyReadOnlyMemosAndEditsReceiveTexts) {
    auto* shown = Make<gui::TMemo>(form_, "Shown");
    shown->SetReadOnly(true);
    SetLines(*shown->Lines(), {"x", "y"});
    auto* typed = Make<gui::TMemo>(form_, "Typed");
    SetLines(*typed->Lines(), {"typed by the user"});
    auto* edit = Make<gui::TEdit>(form_, "Edit");
    edit->SetText("user text");
    Table({Group("Shown", "first", "一"), Group("\"", "second", "二"), Group("Typed", "lost", "lost"),
           Group("\"", "lost", "lost"), Group("Edit", "lost", "lost")});
    Switch(0);
    EXPECT_EQ(shown->Lines()->ToVector(), (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(typed->Lines()->ToVector(), (std::vector<std::string>{"typed by the user"}));
    EXPECT_EQ(edit->Text(), "user text");

    switch_->SetTranslateEdits(multilang::TTranslateEdits::teAlways);
    Switch(0);
    EXPECT_EQ(typed->Lines()->ToVector(), (std::vector<std::string>{"lost"}));
    EXPECT_EQ(edit->Text(), "lost");
}

TEST_F(TranslateKinds, AControlLinkedToAnActionTakesItsTextsFromTheAction) {
    auto* action = new gui::TAction(&form_);
    action->SetCaption("Run");
    auto* button = Make<gui::TButton>(form_, "Button");
    button->SetAction(action);
    Table({Group("Button", "Button text", "按鈕")});
    Switch(1);
    EXPECT_EQ(button->Caption(), "Run");
    action->SetCaption("Go");
    EXPECT_EQ(button->Caption(), "Go");
    delete action;
    EXPECT_EQ(button->Action(), nullptr);
    Switch(1);
    EXPECT_EQ(button->Caption(), "按鈕");
}

TEST_F(TranslateKinds, TreeNodesAreWrittenInIndexOrderWithSortingOff) {
    auto* tree = Make<gui::TTreeView>(form_, "Tree");
    gui::TTreeNode* fruit = tree->Items().Add("a");
    tree->Items().AddChild(fruit, "b");
    tree->Items().Add("c");
    tree->SetSortType(gui::TSortType::stText);
    Table({Group("Tree", "Zebra"), Group("\"", "Apple"), Group("\"", "Mango")});
    Switch(0);
    EXPECT_EQ(fruit->Text(), "Zebra");
    EXPECT_EQ(fruit->Item(0)->Text(), "Apple");
    EXPECT_EQ(tree->SortType(), gui::TSortType::stText);
    EXPECT_EQ(tree->Items().Item(0)->Text(), "Mango") << "sorting again once the texts are in";
}

TEST_F(TranslateKinds, AListViewTakesColumnsThenItemsWithTheirSubItems) {
    auto* view = Make<gui::TListView>(form_, "View");
    view->AddColumn("name");
    view->AddColumn("size");
    view->AddItem("f1").SubItems()->Add("1 KB");
    view->AddItem("f2").SubItems()->Add("2 KB");
    Table({Group("View", "Name"), Group("\"", "Size"), Group("\"", "First"), Group("\"", "one kilobyte"),
           Group("\"", "Second")});
    Switch(0);
    EXPECT_EQ(view->Column(0).Caption, "Name");
    EXPECT_EQ(view->Column(1).Caption, "Size");
    EXPECT_EQ(view->Item(0).Caption(), "First");
    EXPECT_EQ(view->Item(0).SubItems()->ToVector(), (std::vector<std::string>{"one kilobyte"}));
    EXPECT_EQ(view->Item(1).Caption(), "Second");
    EXPECT_EQ(view->Item(1).SubItems()->ToVector(), (std::vector<std::string>{"2 KB"}))
        << "the table ends before the second item's sub-item";
}

TEST_F(TranslateKinds, SectionsTitlesAndNavigatorHintsFollowTheirGroups) {
    auto* header = Make<gui::THeaderControl>(form_, "Header");
    header->AddSection("a");
    header->AddSection("b");
    auto* grid = Make<gui::TDBGrid>(form_, "Grid");
    grid->AddColumn("NAME");
    auto* navigator = Make<gui::TDBNavigator>(form_, "Navigator");
    SetLines(*navigator->Hints(), {"h1", "h2", "h3", "h4"});
    Table({Group("Header", "Left"), Group("\"", "Right"), Group("Grid", "Name"), Group("\"", "unused"),
           Group("Navigator", "First record"), Group("\"", "Prior record")});
    Switch(0);
    EXPECT_EQ(header->Section(0).Text, "Left");
    EXPECT_EQ(header->Section(1).Text, "Right");
    EXPECT_EQ(grid->Column(0).TitleCaption, "Name");
    EXPECT_EQ(navigator->Hints()->ToVector(), (std::vector<std::string>{"First record", "Prior record"}))
        << "as many hints as groups";
}

TEST_F(TranslateKinds, ANavigatorEntryCutOffByTheTableEndDoesNotHang) {
    auto* navigator = Make<gui::TDBNavigator>(form_, "Navigator");
    switch_->Words()->SetText("Navigator\nFirst\n\xE7\xAC\xAC\n\"\nonly English\n");
    switch_->SetActiveLanguage(1);
    EXPECT_EQ(navigator->Hints()->Count(), 1);
}

TEST_F(TranslateKinds, EveryKindTakesItsOwnTexts) {
    auto* radio = Make<gui::TRadioGroup>(form_, "Radio");
    SetLines(*radio->Items(), {"x", "y"});
    auto* dbRadio = Make<gui::TDBRadioGroup>(form_, "DBRadio");
    SetLines(*dbRadio->Items(), {"x"});
    auto* field = new gui::TField(&form_);
    field->SetName("NameField");
    field->SetFieldName("NAME");
    auto* open = new gui::TOpenDialog(&form_);
    open->SetName("Open");
    auto* save = new gui::TSaveDialog(&form_);
    save->SetName("Save");
    auto* item = new gui::TMenuItem(&form_);
    item->SetName("FileItem");
    auto* filter = Make<gui::TFilterComboBox>(form_, "Filter");
    auto* tabs = Make<gui::TTabControl>(form_, "Tabs");
    SetLines(*tabs->Tabs(), {"1", "2"});
    Table({Group("Radio", "Size"), Group("\"", "Small"), Group("\"", "Large"), Group("DBRadio", "Kind"),
           Group("\"", "Plain"), Group("NameField", "Name"), Group("Open", "Open a file"),
           Group("\"", "Texts|*.txt"), Group("Save", "Save as"), Group("\"", "All|*.*"),
           Group("FileItem", "&File"), Group("Filter", "Pictures|*.bmp|Icons|*.ico"),
           Group("Tabs", "General"), Group("\"", "Advanced")});
    Switch(0);
    EXPECT_EQ(radio->Caption(), "Size");
    EXPECT_EQ(radio->Items()->ToVector(), (std::vector<std::string>{"Small", "Large"}));
    EXPECT_EQ(dbRadio->Caption(), "Kind");
    EXPECT_EQ(dbRadio->Items()->ToVector(), (std::vector<std::string>{"Plain"}));
    EXPECT_EQ(field->DisplayLabel(), "Name");
    EXPECT_EQ(open->Title(), "Open a file");
    EXPECT_EQ(open->Filter(), "Texts|*.txt");
    EXPECT_EQ(save->Title(), "Save as");
    EXPECT_EQ(save->Filter(), "All|*.*");
    EXPECT_EQ(item->Caption(), "&File");
    EXPECT_EQ(filter->Items()->ToVector(), (std::vector<std::string>{"Pictures", "Icons"}));
    EXPECT_EQ(filter->Mask(), "*.bmp");
    EXPECT_EQ(tabs->Tabs()->ToVector(), (std::vector<std::string>{"General", "Advanced"}));
}

TEST_F(TranslateKinds, GatheredTextsTranslateBackToTheSameTexts) {
    const auto build = [](gui::TForm& form, const std::string& suffix) {
        form.SetCaption("Window" + suffix);
        auto* label = Make<gui::TLabel>(form, "Label");
        label->SetCaption("Status" + suffix);
        label->SetHint("Hint" + suffix);
        Make<gui::TButton>(form, "Quiet")->SetHint("Only a hint" + suffix);
        SetLines(*Make<gui::TListBox>(form, "List")->Items(), {"a" + suffix, "b" + suffix});
        auto* bar = Make<gui::TStatusBar>(form, "Bar");
        bar->SetSimpleText("Ready" + suffix);
        bar->AddPanel().Text = "Panel" + suffix;
        auto* radio = Make<gui::TRadioGroup>(form, "Radio");
        radio->SetCaption("Size" + suffix);
        SetLines(*radio->Items(), {"Small" + suffix});
        auto* view = Make<gui::TListView>(form, "View");
        view->AddColumn("Name" + suffix);
        view->AddItem("Item" + suffix).SubItems()->Add("Sub" + suffix);
        auto* tree = Make<gui::TTreeView>(form, "Tree");
        tree->Items().AddChild(tree->Items().Add("Root" + suffix), "Leaf" + suffix);
    };
    build(form_, "");
    TestGrid grid;
    switch_->GatherTexts(form_, 0, grid);
    for (gui::TComponent* component : form_.ComponentList())
        switch_->GatherTexts(*component, grid.RowCount() - 1, grid);
    EXPECT_EQ(grid.Cell(0, 0), multilang::kFormKey);
    EXPECT_EQ(grid.Cell(0, 1), "Next");

    gui::TForm other(nullptr);
    other.SetName("Other");
    Make<gui::TLabel>(other, "Next");
    build(other, " (old)");
    auto* otherSwitch = new TLangSwitch(&other);
    otherSwitch->Words()->Assign(grid.Words());
    otherSwitch->SetActiveLanguage(0);

    TestGrid again;
    otherSwitch->GatherTexts(other, 0, again);
    for (gui::TComponent* component : other.ComponentList())
        if (component != otherSwitch) otherSwitch->GatherTexts(*component, again.RowCount() - 1, again);
    EXPECT_TRUE(again.Words().Equals(grid.Words())) << again.Words().Text() << "\nversus\n"
                                                    << grid.Words().Text();
    EXPECT_EQ(static_cast<gui::TLabel*>(other.FindComponent("Label"))->Hint(), "Hint");
}

TEST(GlobalLanguage, OnlyInstancesWithTheLanguageSwitch) {
    multilang::GlobalLanguage = 0;
    test::ScriptedDialogs dialogs;
    gui::TForm bilingual(nullptr), english(nullptr);
    auto* both = new TLangSwitch(&bilingual);
    both->Words()->SetText("%Form%\nUpdater\n更新\n");
    auto* one = new TLangSwitch(&english);
    dialogs.Answer(gui::mrYes);
    one->SetLanguages(1);
    one->Words()->SetText("%Form%\nViewer\n");
    one->SetActiveLanguage(0);

    multilang::SetGlobalLanguage(1);
    EXPECT_EQ(bilingual.Caption(), "更新");
    EXPECT_EQ(english.Caption(), "Viewer");
    EXPECT_EQ(one->ActiveLanguage(), 0);
    EXPECT_EQ(dialogs.Shown().size(), 1u) << "only the confirmation of the language count";
    EXPECT_EQ(multilang::GlobalLanguage, 1);
    multilang::SetGlobalLanguage(0);
    EXPECT_EQ(bilingual.Caption(), "Updater");
}
