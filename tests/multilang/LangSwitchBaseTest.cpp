#include "multilang/LangSwitchBase.h"

#include "gui/ScriptedDialogs.h"

#include "gui/FormReader.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"

#include <gtest/gtest.h>
#include <memory>

using multilang::TBaseLangSwitch;

namespace {

// Writes only captions, one group per component, which is all the base class needs.
class TCaptionSwitch : public TBaseLangSwitch {
    GUI_CLASS_INFO
public:
    using TBaseLangSwitch::TBaseLangSwitch;
    void TranslateComponent(gui::TComponent& component, int& index) override {
        ApplyPosition(component, index);
        if (ShouldTranslate(component) && gui::HasProperty(component, "Caption") &&
            index + ActiveLanguage() + 1 < Words()->Count())
            gui::SetProperty(component, "Caption", ChosenText(index));
        index += GroupSize();
    }
    void GatherTexts(gui::TComponent&, int, multilang::TTextGrid&) override {}
};

const gui::TClassInfo& TCaptionSwitch::StaticClass() {
    static const gui::TClassInfo info =
        gui::TClassBuilder<TCaptionSwitch>("TCaptionSwitch", &TBaseLangSwitch::StaticClass())
            .Creatable()
            .Build();
    return info;
}

class TStringWindow : public gui::TForm {
    GUI_CLASS_INFO
public:
    using TForm::TForm;
    void Before(gui::TObject*, std::uint8_t language, bool& allow) {
        events.push_back("before " + std::to_string(language));
        allow = allowSwitch;
    }
    void After(gui::TObject*, std::uint8_t language) {
        events.push_back("after " + std::to_string(language));
    }
    std::vector<std::string> events;
    bool allowSwitch = true;
};

const gui::TClassInfo& TStringWindow::StaticClass() {
    static const gui::TClassInfo info =
        gui::TClassBuilder<TStringWindow>("TStringWindow", &TForm::StaticClass()).Build();
    return info;
}

class LangSwitch : public ::testing::Test {
protected:
    void SetUp() override {
        multilang::GlobalLanguage = 0;
        multilang::StringDllName.clear();
        form_.SetName("Window");
        form_.SetCaption("stored caption");
        label_ = new gui::TLabel(&form_);
        label_->SetName("Label1");
        label_->SetCaption("stored label");
        label_->SetParent(&form_);
        switch_ = new TCaptionSwitch(&form_);
        switch_->Words()->SetText("%Form%\nProgram Installation System\nChinese caption\n"
                                  "Label1\nStatus:\nChinese status\n");
        switch_->BeforeLanguageChange = multilang::TBeforeLanguageChange(&form_, &TStringWindow::Before);
        switch_->AfterLanguageChanged = multilang::TAfterLanguageChanged(&form_, &TStringWindow::After);
    }

    test::ScriptedDialogs dialogs_;
    TStringWindow form_{nullptr};
    gui::TLabel* label_ = nullptr;
    TCaptionSwitch* switch_ = nullptr;
};

} // namespace

TEST_F(LangSwitch, SwitchingWritesTheCaptionAndTheComponentsTexts) {
    switch_->SetActiveLanguage(1);
    EXPECT_EQ(form_.Caption(), "Chinese caption");
    EXPECT_EQ(label_->Caption(), "Chinese status");
    switch_->SetActiveLanguage(0);
    EXPECT_EQ(form_.Caption(), "Program Installation System");
    EXPECT_EQ(label_->Caption(), "Status:");
    EXPECT_EQ(form_.events, (std::vector<std::string>{"before 1", "after 1", "before 0", "after 0"}));
    EXPECT_EQ(switch_->About(), "3.76");
}

TEST_F(LangSwitch, AnOutOfRangeLanguageIsRefusedWithTheInformationDialog) {
    switch_->SetActiveLanguage(2);
    ASSERT_EQ(dialogs_.Shown().size(), 1u);
    EXPECT_EQ(dialogs_.Shown()[0].Caption, "Information");
    EXPECT_EQ(dialogs_.Shown()[0].Text, "Value must not be higher than\rnumber of available languages.");
    ASSERT_EQ(dialogs_.Shown()[0].Buttons.size(), 1u);
    EXPECT_EQ(dialogs_.Shown()[0].Buttons[0].Text, "Cancel");
    EXPECT_EQ(switch_->ActiveLanguage(), 0);
    EXPECT_EQ(label_->Caption(), "stored label");
    EXPECT_TRUE(form_.events.empty()) << "no events";
    switch_->SetDefaultLanguage(5);
    EXPECT_EQ(dialogs_.Shown().size(), 2u);
    EXPECT_EQ(switch_->DefaultLanguage(), 0);
}

TEST_F(LangSwitch, AVetoedSwitchChangesNothing) {
    switch_->CharSets()->SetText("MS Sans Serif,1\nPMingLiU,136\n");
    form_.allowSwitch = false;
    switch_->SetActiveLanguage(1);
    EXPECT_EQ(switch_->ActiveLanguage(), 0);
    EXPECT_EQ(label_->Caption(), "stored label");
    EXPECT_EQ(form_.Font()->Name(), "MS Sans Serif");
    EXPECT_EQ(form_.events, (std::vector<std::string>{"before 1"})) << "AfterLanguageChanged is not called";
}

TEST_F(LangSwitch, EmptyTextsFallBackOnlyWhenDefaultIsEnabled) {
    switch_->Words()->Put(5, "");
    switch_->SetActiveLanguage(1);
    EXPECT_EQ(label_->Caption(), "") << "an empty text is written as it is";
    switch_->SetDefaultEnabled(true); // re-applies the active language
    EXPECT_EQ(label_->Caption(), "Status:");
}

TEST_F(LangSwitch, UnknownNamesAndTheirContinuationGroupsAreSkipped) {
    switch_->Words()->SetText("Missing\na\nb\n\"\nc\nd\n\"\ne\nf\nLabel1\nStatus:\nChinese status\n");
    switch_->SetActiveLanguage(1);
    EXPECT_EQ(label_->Caption(), "Chinese status");
}

TEST_F(LangSwitch, GrowingAndShrinkingTheLanguagesReshapesTheTableWithConfirmation) {
    rtl::TStringList table;
    for (int entry = 0; entry < 9; ++entry) {
        table.Add(entry == 0 ? "%Form%" : "Name" + std::to_string(entry));
        table.Add("en" + std::to_string(entry));
        table.Add("zh" + std::to_string(entry));
    }
    switch_->Words()->Assign(table);
    ASSERT_EQ(switch_->Words()->Count(), 27);
    switch_->SetLanguages(3);
    EXPECT_EQ(switch_->Words()->Count(), 36);
    EXPECT_EQ((*switch_->Words())[3], "?");
    EXPECT_EQ((*switch_->Words())[35], "?");
    EXPECT_TRUE(dialogs_.Shown().empty()) << "growing asks nothing";

    dialogs_.Answer(gui::mrNo);
    switch_->SetLanguages(2);
    EXPECT_EQ(switch_->Languages(), 3) << "declined";
    EXPECT_EQ(dialogs_.Shown().back().Caption, "Confirm");
    EXPECT_EQ(dialogs_.Shown().back().Text, "You are decreasing the number of languages.\rEntries for the "
                                            "removed language will be lost.\r\rContinue?");
    dialogs_.Answer(gui::mrYes);
    switch_->SetLanguages(2);
    EXPECT_EQ(switch_->Languages(), 2);
    EXPECT_TRUE(switch_->Words()->Equals(table)) << "the added texts are removed again";

    switch_->SetActiveLanguage(1);
    dialogs_.Answer(gui::mrYes);
    switch_->SetLanguages(1);
    EXPECT_NE(dialogs_.Shown().back().Text.find("The currently displayed language will be deleted, too."),
              std::string::npos);
    EXPECT_EQ(switch_->ActiveLanguage(), 0);
    EXPECT_EQ(switch_->Words()->Count(), 18);
    switch_->SetLanguages(0);
    EXPECT_EQ(dialogs_.Shown().back().Text, "You have to provide at least 1 language.");
    EXPECT_EQ(switch_->Languages(), 1);
}

TEST_F(LangSwitch, CharSetsFollowTheLanguageAndMissingLinesAreFilledLater) {
    switch_->SetActiveLanguage(1);
    EXPECT_EQ(form_.Font()->Name(), "MS Sans Serif") << "no char set lines: the font stays";
    EXPECT_EQ(switch_->CharSets()->ToVector(),
              (std::vector<std::string>{"MS Sans Serif,1", "MS Sans Serif,1"}))
        << "leaving the language saved the current font for every missing line";
    switch_->SetActiveLanguage(0);
    switch_->CharSets()->Put(1, "PMingLiU,136"); // set while language 1 is not shown
    switch_->SetActiveLanguage(1);
    EXPECT_EQ(form_.Font()->Name(), "PMingLiU");
    EXPECT_EQ(form_.Font()->CharSet(), 136);
}

TEST_F(LangSwitch, PositionsAreKeptPerLanguage) {
    switch_->SetSwitchPositions(multilang::TSwitchPositions::spFormAndControls);
    label_->SetBounds(10, 20, 30, 40);
    switch_->SetActiveLanguage(1);
    label_->SetBounds(50, 60, 70, 80);
    switch_->SetActiveLanguage(0);
    EXPECT_EQ(label_->Left(), 10);
    EXPECT_EQ(label_->Height(), 40);
    switch_->SetActiveLanguage(1);
    EXPECT_EQ(label_->Left(), 50);
    EXPECT_NE(switch_->Positions()->IndexOf("label1,10.20.30.40,50.60.70.80"), -1);

    dialogs_.Answer(gui::mrNo);
    switch_->SetSwitchPositions(multilang::TSwitchPositions::spNone);
    EXPECT_EQ(dialogs_.Shown().back().Text, "Cancelled.");
    EXPECT_EQ(switch_->SwitchPositions(), multilang::TSwitchPositions::spFormAndControls);
    switch_->SetSwitchPositions(multilang::TSwitchPositions::spNone); // answered Yes
    EXPECT_EQ(switch_->Positions()->Count(), 0);
}

TEST_F(LangSwitch, ReadOnlyEditsAreTranslatedOnlyWhenAllowed) {
    gui::TMemo memo(nullptr);
    EXPECT_FALSE(switch_->ShouldTranslate(memo)) << "an editable memo with teReadOnly";
    memo.SetReadOnly(true);
    EXPECT_TRUE(switch_->ShouldTranslate(memo));
    switch_->SetTranslateEdits(multilang::TTranslateEdits::teNever);
    EXPECT_FALSE(switch_->ShouldTranslate(memo));
    switch_->SetTranslateEdits(multilang::TTranslateEdits::teAlways);
    memo.SetReadOnly(false);
    EXPECT_TRUE(switch_->ShouldTranslate(memo));
    EXPECT_TRUE(switch_->ShouldTranslate(*label_));
}

TEST_F(LangSwitch, InstancesRegisterThemselvesInCreationOrder) {
    const std::size_t before = multilang::LangSwitchInstances.size();
    auto second = std::make_unique<TCaptionSwitch>(nullptr);
    EXPECT_EQ(multilang::LangSwitchInstances.size(), before + 1);
    EXPECT_EQ(multilang::LangSwitchInstances.back(), second.get());
    second.reset();
    EXPECT_EQ(multilang::LangSwitchInstances.size(), before);
}

TEST(LangSwitchLoading, AOneLanguageWindowLoadedInLanguage1KeepsItsTexts) {
    test::ScriptedDialogs dialogs;
    gui::RegisterStandardClasses();
    gui::RegisterClass(TCaptionSwitch::StaticClass());
    multilang::GlobalLanguage = 1;
    TStringWindow form(nullptr);
    gui::ReadComponent(form, "object Window: TStringWindow\n"
                             "  Caption = 'stored'\n"
                             "  object LangSwitch1: TCaptionSwitch\n"
                             "    Languages = 1\n"
                             "    Words.Strings = ('%Form%' 'other')\n"
                             "  end\n"
                             "end\n");
    multilang::GlobalLanguage = 0;
    ASSERT_EQ(dialogs.Shown().size(), 1u);
    EXPECT_EQ(dialogs.Shown()[0].Caption, "Information");
    EXPECT_EQ(form.Caption(), "stored");
}

// The stored active language is read before the number of languages shrinks below it.
TEST(LangSwitchLoading, AnActiveLanguageBeyondTheLanguagesIsBroughtBackWithPositionsOn) {
    test::ScriptedDialogs dialogs;
    gui::RegisterStandardClasses();
    gui::RegisterClass(TCaptionSwitch::StaticClass());
    TStringWindow form(nullptr);
    gui::ReadComponent(form, "object Window: TStringWindow\n"
                             "  Left = 10\n"
                             "  object LangSwitch1: TCaptionSwitch\n"
                             "    ActiveLanguage = 1\n"
                             "    Languages = 1\n"
                             "    SwitchPositions = spFormAndControls\n"
                             "    Positions.Strings = ('%Form%,20.0.0.0')\n"
                             "    Words.Strings = ('%Form%' 'caption')\n"
                             "  end\n"
                             "end\n");
    const auto* languageSwitch = static_cast<TCaptionSwitch*>(form.FindComponent("LangSwitch1"));
    EXPECT_EQ(languageSwitch->ActiveLanguage(), 0);
    EXPECT_EQ(form.Caption(), "caption");
    ASSERT_EQ(languageSwitch->Positions()->Count(), 1);
    EXPECT_EQ((*languageSwitch->Positions())[0], "%Form%,10.0.0.0") << "one entry, for the one language";
}

TEST(LangSwitchLoading, AStringLibraryReplacesTheTable) {
    test::ScriptedDialogs dialogs;
    gui::RegisterStandardClasses();
    gui::RegisterClass(TCaptionSwitch::StaticClass());
    multilang::StringDllName = TEST_STRING_LIBRARY;
    TStringWindow form(nullptr);
    gui::ReadComponent(form, "object Window: TStringWindow\n"
                             "  object Label1: TLabel\n"
                             "    Caption = 'stored'\n"
                             "  end\n"
                             "  object LangSwitch1: TCaptionSwitch\n"
                             "    Words.Strings = ('%Form%' 'a' 'b')\n"
                             "  end\n"
                             "end\n");
    multilang::StringDllName.clear();
    auto* languageSwitch = static_cast<TCaptionSwitch*>(form.FindComponent("LangSwitch1"));
    EXPECT_EQ(languageSwitch->Languages(), 1);
    EXPECT_EQ(
        languageSwitch->Words()->ToVector(),
        (std::vector<std::string>{"%Form%", "Window from the library", "Label1", "Label from the library"}));
    EXPECT_EQ(form.Caption(), "Window from the library");
    EXPECT_EQ(static_cast<gui::TLabel*>(form.FindComponent("Label1"))->Caption(), "Label from the library");

    multilang::StringDllName = "/no/such/folder/strings.dll";
    TStringWindow other(nullptr);
    gui::ReadComponent(other, "object Window: TStringWindow\n  object L: TCaptionSwitch\n  end\nend\n");
    EXPECT_EQ(multilang::StringDllName, "strings.dll") << "a missing library is reduced to its file name";
    multilang::StringDllName.clear();
}
