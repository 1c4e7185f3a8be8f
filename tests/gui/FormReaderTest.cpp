#include "gui/FormReader.h"

#include "SampleClasses.h"

#include <gtest/gtest.h>
#include <string>

using namespace sample;

namespace {

class FormReader : public ::testing::Test {
protected:
    void SetUp() override {
        gui::RegisterClass(TSampleLabel::StaticClass());
        gui::RegisterClass(TSampleLog::StaticClass());
        LoadedLog().clear();
    }

    // The message of the EReadError that reading `description` raises.
    std::string ReadError(const std::string& description) {
        TSampleForm form(nullptr);
        try {
            gui::ReadComponent(form, description);
        } catch (const gui::EReadError& e) {
            return e.Message();
        }
        return "no error";
    }
};

// 成功下載之檔案 in Big5: the second byte of 功 is 0x5C, a backslash.
const std::string kBig5Received = "\xA6\xA8\xA5\x5C\xA4\x55\xB8\xFC\xA4\xA7\xC0\xC9\xAE\xD7";

} // namespace

TEST_F(FormReader, CreatesComponentsWithTheirPropertiesInOrder) {
    TSampleForm form(nullptr);
    gui::ReadComponent(form, "object GetUpdateFile: TSampleForm\n"
                             "  Caption = 'Program'#32'Installation System'\n"
                             "  object Label1: TSampleLabel\n"
                             "    Caption = 'It''s'\n"
                             "    Left = 16\n"
                             "    Visible = False\n"
                             "    Alignment = taCenter\n"
                             "    Font.Name = 'PMingLiU'\n"
                             "    Font.CharSet = 136\n"
                             "    Lines.Strings = (\n"
                             "      '%Form%'\n"
                             "      'Exit')\n"
                             "  end\n"
                             "  object FtpLog1: TSampleLog\n"
                             "    Client = Label1\n"
                             "  end\n"
                             "end\n");
    EXPECT_EQ(form.Name(), "GetUpdateFile");
    EXPECT_EQ(form.Caption(), "Program Installation System");
    ASSERT_EQ(form.ComponentCount(), 2);
    auto* label = static_cast<TSampleLabel*>(form.FindComponent("Label1"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Caption(), "It's");
    EXPECT_EQ(label->Left(), 16);
    EXPECT_FALSE(label->Visible());
    EXPECT_EQ(label->Alignment(), TAlignment::taCenter);
    EXPECT_EQ(label->Font()->Name(), "PMingLiU");
    EXPECT_EQ(label->Font()->CharSet(), 136);
    EXPECT_EQ(label->Lines()->ToVector(), (std::vector<std::string>{"%Form%", "Exit"}));
    EXPECT_EQ(label->ParentComponent(), &form);
    EXPECT_EQ(static_cast<TSampleLog*>(form.Components(1))->Client(), label);
    EXPECT_FALSE(label->IsLoading());
}

TEST_F(FormReader, LoadedRunsAfterAllPropertiesInCreationOrder) {
    TSampleForm form(nullptr);
    gui::ReadComponent(form, "object Form: TSampleForm\n"
                             "  object Log: TSampleLog\n"
                             "    Client = Later\n" // a reference to a component created after it
                             "  end\n"
                             "  object Later: TSampleLabel\n"
                             "    Caption = 'set'\n"
                             "    object Inner: TSampleLabel\n"
                             "      Caption = 'inner'\n"
                             "    end\n"
                             "  end\n"
                             "  Caption = 'form'\n"
                             "end\n");
    EXPECT_EQ(LoadedLog(), (std::vector<std::string>{"Form caption=form", "Log client=Later",
                                                     "Later caption=set", "Inner caption=inner"}));
    auto* inner = static_cast<TSampleLabel*>(form.FindComponent("Inner"));
    EXPECT_EQ(inner->Owner(), &form) << "the form owns every component";
    EXPECT_EQ(inner->ParentComponent(), form.FindComponent("Later")) << "nesting gives the parent";
}

TEST_F(FormReader, Big5TextsAreStoredByteForByte) {
    TSampleForm form(nullptr);
    gui::ReadComponent(form, "object Form: TSampleForm\n"
                             "  object Label5: TSampleLabel\n"
                             "    Caption = '" +
                                 kBig5Received +
                                 "'\n"
                                 "  end\n"
                                 "  Caption = '\\'#92'x'\n"
                                 "end\n");
    EXPECT_EQ(static_cast<TSampleLabel*>(form.Components(0))->Caption(), kBig5Received);
    EXPECT_EQ(form.Caption(), "\\\\x") << "a backslash is an ordinary byte";
}

TEST_F(FormReader, EventsBindByHandlerName) {
    TSampleForm form(nullptr);
    gui::ReadComponent(form, "object Form: TSampleForm\n"
                             "  object btnExit: TSampleLabel\n"
                             "    OnClick = ButtonClick\n"
                             "  end\n"
                             "end\n");
    auto* button = static_cast<TSampleLabel*>(form.Components(0));
    ASSERT_TRUE(button->OnClick);
    button->OnClick(button);
    EXPECT_EQ(form.clicks, 1);
    EXPECT_EQ(
        ReadError("object Form: TSampleForm\n  object B: TSampleLabel\n    OnClick = Missing\n  end\nend\n"),
        "Form description, line 3, B.OnClick: Property TSampleLabel.OnClick: Class TSampleForm has no "
        "published method Missing");
}

TEST_F(FormReader, ErrorsNameTheComponentAndTheProperty) {
    EXPECT_EQ(ReadError("object Form: TSampleForm\n  object Label1: TNoSuchLabel\n  end\nend\n"),
              "Form description, line 2, Label1: class TNoSuchLabel not found");
    EXPECT_EQ(
        ReadError("object Form: TSampleForm\n  object Label1: TSampleLabel\n    Colour = 5\n  end\nend\n"),
        "Form description, line 3, Label1.Colour: Class TSampleLabel has no property Colour");
    EXPECT_EQ(
        ReadError("object Form: TSampleForm\n  object Label1: TSampleLabel\n    Left = 'x'\n  end\nend\n"),
        "Form description, line 3, Label1.Left: an integer is expected");
    EXPECT_EQ(
        ReadError("object Form: TSampleForm\n  object L: TSampleLog\n    Client = Nobody\n  end\nend\n"),
        "Form description, line 3, L.Client: component Nobody not found");
    EXPECT_EQ(ReadError("object Form: TOtherForm\nend\n"),
              "Form description, line 1, Form: the description is of class TOtherForm, not TSampleForm");
    EXPECT_EQ(ReadError("object Form: TSampleForm\n  Caption = 'open\nend\n"),
              "Form description, line 2: unterminated text");
    EXPECT_EQ(ReadError("object Form: TSampleForm\n  object A: TSampleLabel\n  end\n  object a: "
                        "TSampleLabel\n  end\nend\n"),
              "Form description, line 4, a: A component named a already exists");
    EXPECT_EQ(ReadError("object Form: TSampleForm\n  Caption = #300\nend\n"),
              "Form description, line 2: byte code 300 is above 255");
}

TEST_F(FormReader, HostileDescriptionsAreReadErrorsToo) {
    EXPECT_EQ(ReadError("object Form: TSampleForm\n  Caption = #99999999999\nend\n"),
              "Form description, line 2: byte code 99999999999 is above 255");
    std::string deep = "object Form: TSampleForm\n";
    for (int level = 0; level < 50000; ++level)
        deep += "object L" + std::to_string(level) + ": TSampleLabel\n";
    EXPECT_EQ(ReadError(deep), "Form description, line 258: objects are nested more than 256 deep");
    std::string allowed = "object Form: TSampleForm\n";
    for (int level = 0; level < 20; ++level)
        allowed += "object L" + std::to_string(level) + ": TSampleLabel\n";
    for (int level = 0; level <= 20; ++level)
        allowed += "end\n";
    EXPECT_EQ(ReadError(allowed), "no error");
}
