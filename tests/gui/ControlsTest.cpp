#include "gui/Application.h"
#include "gui/Buttons.h"
#include "gui/ComCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/FileCtrl.h"
#include "gui/Forms.h"

#include "support/TempFolder.h"

#include "platform/MessageLoop.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class TWindowForm : public gui::TForm {
    GUI_CLASS_INFO
public:
    using TForm::TForm;
    void FormCreate(gui::TObject*) { log.push_back("create " + Caption()); }
    void FormDestroy(gui::TObject*) { log.push_back("destroy"); }
    void FormClose(gui::TObject*, gui::TCloseAction& action) {
        log.push_back("close");
        action = closeAction;
    }
    void btnExitClick(gui::TObject* sender) {
        log.push_back("click " + static_cast<gui::TComponent*>(sender)->Name());
    }
    std::vector<std::string> log;
    gui::TCloseAction closeAction = gui::TCloseAction::caHide;
};

const gui::TClassInfo& TWindowForm::StaticClass() {
    static const gui::TClassInfo info = gui::TClassBuilder<TWindowForm>("TWindowForm", &TForm::StaticClass())
                                            .Method("FormCreate", &TWindowForm::FormCreate)
                                            .Method("FormDestroy", &TWindowForm::FormDestroy)
                                            .Method("FormClose", &TWindowForm::FormClose)
                                            .Method("btnExitClick", &TWindowForm::btnExitClick)
                                            .Build();
    return info;
}

// Records what a backend's widget would be told.
class RecordingPeer : public gui::TControlPeer {
public:
    explicit RecordingPeer(std::vector<std::string>& changes) : changes_(changes) {}
    void PropertyChanged(std::string_view property) override { changes_.emplace_back(property); }

private:
    std::vector<std::string>& changes_;
};

const char* const kWindow = "object GetUpdateFile: TWindowForm\n"
                            "  BorderStyle = bsDialog\n"
                            "  Caption = 'Program Installation System'\n"
                            "  ClientHeight = 327\n"
                            "  ClientWidth = 494\n"
                            "  Color = clBtnFace\n"
                            "  Font.Charset = 1\n"
                            "  Font.Color = clWindowText\n"
                            "  Font.Height = -11\n"
                            "  Font.Name = 'MS Sans Serif'\n"
                            "  Position = poScreenCenter\n"
                            "  OnCreate = FormCreate\n"
                            "  OnDestroy = FormDestroy\n"
                            "  OnClose = FormClose\n"
                            "  PixelsPerInch = 96\n"
                            "  object Label3: TLabel\n"
                            "    Left = 72\n"
                            "    Top = 18\n"
                            "    Width = 150\n"
                            "    Height = 15\n"
                            "    Caption = 'Program (Download / Installation) System'\n"
                            "    Font.Charset = 136\n"
                            "    Font.Color = clBlue\n"
                            "    Font.Height = -15\n"
                            "    Font.Name = 'MS Sans Serif'\n"
                            "    ParentFont = False\n"
                            "  end\n"
                            "  object InfoMemo: TMemo\n"
                            "    Left = 16\n"
                            "    Top = 104\n"
                            "    Width = 140\n"
                            "    Height = 137\n"
                            "    ScrollBars = ssBoth\n"
                            "    TabOrder = 0\n"
                            "    WordWrap = False\n"
                            "  end\n"
                            "  object StatusBar1: TStatusBar\n"
                            "    Align = alNone\n"
                            "    SimplePanel = True\n"
                            "  end\n"
                            "  object btnExit: TButton\n"
                            "    Caption = 'Exit'\n"
                            "    TabOrder = 2\n"
                            "    OnClick = btnExitClick\n"
                            "  end\n"
                            "  object BitBtn1: TBitBtn\n"
                            "    TabOrder = 7\n"
                            "    Glyph.Data = {424D 3600}\n"
                            "  end\n"
                            "  object ProgramIcon: TImage\n"
                            "    Picture.Data = {0000 0100}\n"
                            "  end\n"
                            "  object Timer1: TTimer\n"
                            "    Enabled = False\n"
                            "    Interval = 2000\n"
                            "  end\n"
                            "end\n";

} // namespace

TEST(Controls, TheWindowsKindsLoadFromTheirDescription) {
    gui::RegisterStandardClasses();
    TWindowForm form(nullptr);
    form.CreateFromDescription(kWindow);
    EXPECT_EQ(form.log, (std::vector<std::string>{"create Program Installation System"}));
    EXPECT_EQ(form.ClientWidth(), 494);
    EXPECT_EQ(form.ClientHeight(), 327);
    EXPECT_EQ(form.BorderStyle(), gui::TFormBorderStyle::bsDialog);
    EXPECT_EQ(form.Position(), gui::TPosition::poScreenCenter);
    EXPECT_EQ(form.Color(), gui::clBtnFace);

    auto* title = static_cast<gui::TLabel*>(form.FindComponent("Label3"));
    EXPECT_EQ(title->Font()->Color(), gui::clBlue);
    EXPECT_EQ(title->Font()->CharSet(), gui::CHINESEBIG5_CHARSET);
    EXPECT_EQ(title->Font()->Size(), 11);
    EXPECT_FALSE(title->ParentFont());
    EXPECT_EQ(title->Parent(), &form);

    auto* memo = static_cast<gui::TMemo*>(form.FindComponent("InfoMemo"));
    EXPECT_TRUE(memo->ParentFont()) << "a control without font settings follows the form";
    EXPECT_EQ(memo->Font()->Height(), -11);
    EXPECT_FALSE(memo->WordWrap());
    EXPECT_FALSE(memo->ReadOnly());

    EXPECT_EQ(static_cast<gui::TBitBtn*>(form.FindComponent("BitBtn1"))->Glyph()->Data(),
              std::string("BM6\0", 4));
    EXPECT_EQ(static_cast<gui::TImage*>(form.FindComponent("ProgramIcon"))->Picture()->Data().size(), 4u);
    EXPECT_FALSE(static_cast<gui::TTimer*>(form.FindComponent("Timer1"))->Enabled());
    EXPECT_FALSE(static_cast<gui::TStatusBar*>(form.FindComponent("StatusBar1"))->TabStop());

    std::vector<std::string> tabOrder;
    for (auto* control : form.TabList())
        tabOrder.push_back(control->Name());
    EXPECT_EQ(tabOrder, (std::vector<std::string>{"InfoMemo", "btnExit", "BitBtn1"}));

    static_cast<gui::TButton*>(form.FindComponent("btnExit"))->Click();
    EXPECT_EQ(form.log.back(), "click btnExit");
}

TEST(Controls, ParentFontFollowsTheFormUntilTheControlsOwnFontIsSet) {
    gui::TForm form(nullptr);
    auto* label = new gui::TLabel(&form);
    label->SetParent(&form);
    form.Font()->SetName("PMingLiU");
    EXPECT_EQ(label->Font()->Name(), "PMingLiU");
    label->Font()->SetCharSet(136);
    EXPECT_FALSE(label->ParentFont());
    form.Font()->SetName("MS Sans Serif");
    EXPECT_EQ(label->Font()->Name(), "PMingLiU") << "a label with its own font keeps it";
    label->SetParentFont(true);
    EXPECT_EQ(label->Font()->Name(), "MS Sans Serif");
}

TEST(Controls, PeersAreToldOfEveryChange) {
    gui::TForm form(nullptr);
    auto* status = new gui::TStatusBar(&form);
    std::vector<std::string> changes;
    status->SetPeer(std::make_unique<RecordingPeer>(changes));
    status->SetSimpleText("C:\\Apps\\");
    status->SetSimpleText("C:\\Apps\\");
    status->SetBounds(80, 256, 393, 19);
    status->Font()->SetHeight(-12);
    auto* memo = new gui::TMemo(&form);
    memo->SetPeer(std::make_unique<RecordingPeer>(changes));
    memo->Lines()->Add("Setup.exe");
    EXPECT_EQ(changes, (std::vector<std::string>{"SimpleText", "Bounds", "Font", "Lines"}))
        << "a value set again is no change";
}

TEST(Controls, TheFileListBoxListsTheFilesOfItsFolderThatMatchItsMask) {
    test::TempFolder folder("file-list");
    for (const char* name : {"SetupNVL.exe", "b.txt", "A.TXT"})
        std::ofstream(folder.Path(name)) << "x";
    std::filesystem::create_directory(folder.path() / "sub");
    gui::TForm form(nullptr);
    auto* list = new gui::TFileListBox(&form);
    list->SetDirectory(folder.path().string());
    EXPECT_EQ(list->Items()->ToVector(), (std::vector<std::string>{"A.TXT", "b.txt", "SetupNVL.exe"}))
        << "files only, sorted ignoring case";
    list->SetMask("*.exe;*.none");
    EXPECT_EQ(list->Items()->ToVector(), (std::vector<std::string>{"SetupNVL.exe"}));
    list->SetMask("");
    std::filesystem::remove(folder.Path("SetupNVL.exe"));
    EXPECT_EQ(list->Items()->Count(), 3) << "the list is read again only on Update";
    list->Update();
    EXPECT_EQ(list->Items()->Count(), 2);
}

TEST(Controls, ClosingTheMainFormTerminatesAndOnDestroyRunsBeforeTheFormGoes) {
    gui::RegisterStandardClasses();
    gui::TApplication& application = gui::Application();
    auto* form = application.CreateForm<TWindowForm>();
    form->CreateFromDescription(kWindow);
    form->Close();
    EXPECT_EQ(form->log.back(), "close");
    win::MSG message{};
    ASSERT_EQ(win::GetMessageA(&message, nullptr, 0, 0), win::FALSE)
        << "the application was told to terminate";

    auto* other = application.CreateForm<TWindowForm>();
    other->OnClose = gui::TCloseEvent(other, &TWindowForm::FormClose);
    other->closeAction = gui::TCloseAction::caFree;
    other->Close();
    EXPECT_EQ(application.ComponentCount(), 2) << "freed only when the message loop comes back";
    while (win::PeekMessageA(&message, nullptr, 0, 0, win::PM_REMOVE))
        win::DispatchMessageA(&message);
    EXPECT_EQ(application.ComponentCount(), 1);
    gui::FreeComponent(form);
    EXPECT_EQ(application.MainForm(), nullptr);
}

TEST(Controls, FreeComponentRunsOnDestroy) {
    auto* form = new TWindowForm(nullptr);
    form->OnDestroy = gui::TNotifyEvent(form, &TWindowForm::FormDestroy);
    std::vector<std::string>* log = &form->log;
    form->BeforeDestruction();
    EXPECT_EQ(log->back(), "destroy");
    form->BeforeDestruction();
    EXPECT_EQ(std::count(log->begin(), log->end(), "destroy"), 1) << "once only";
    gui::FreeComponent(form);
}
