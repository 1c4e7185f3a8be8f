#include "SampleClasses.h"

#include <gtest/gtest.h>
#include <string>

using gui::TComponent;
using gui::TMethodRef;
using gui::TPropertyValue;
using namespace sample;

TEST(TypeInfo, ClassTestsFollowTheClassTree) {
    TSampleLabel label(nullptr);
    EXPECT_TRUE(label.Is<TSampleLabel>());
    EXPECT_TRUE(label.Is<TComponent>());
    EXPECT_TRUE(label.Is<gui::TObject>());
    EXPECT_FALSE(label.Is<TSampleForm>());
    EXPECT_EQ(label.ClassName(), "TSampleLabel");
    const auto names = [&] {
        std::vector<std::string> all;
        for (const auto* p : TSampleLabel::StaticClass().AllProperties())
            all.push_back(p->Name);
        return all;
    }();
    EXPECT_EQ(names,
              (std::vector<std::string>{"Name", "Tag", "Caption", "Left", "Visible", "Alignment", "Font",
                                        "Lines", "Version", "OnClick", "Note", "Count", "Flag"}))
        << "ancestors' properties first, each in declaration order";
}

TEST(TypeInfo, PropertiesAreReadAndWrittenByNameIgnoringCase) {
    TSampleLabel label(nullptr);
    gui::SetProperty(label, "caption", std::string("Exit"));
    EXPECT_EQ(label.Caption(), "Exit");
    EXPECT_EQ(gui::GetStringProperty(label, "CAPTION"), "Exit");
    gui::SetProperty(label, "Left", std::int64_t{388});
    EXPECT_EQ(gui::GetIntegerProperty(label, "Left"), 388);
    gui::SetProperty(label, "Visible", false);
    EXPECT_FALSE(gui::GetBooleanProperty(label, "Visible"));
    gui::SetProperty(label, "Name", std::string("btnExit"));
    EXPECT_EQ(label.Name(), "btnExit");
    EXPECT_FALSE(gui::PropertyOf(label, "Name").Stored);
    EXPECT_TRUE(gui::HasProperty(label, "Lines"));
    EXPECT_FALSE(gui::HasProperty(label, "Hint"));
}

TEST(TypeInfo, EnumerationsTakeOrdinalsOrNames) {
    TSampleLabel label(nullptr);
    gui::SetProperty(label, "Alignment", std::string("taCenter"));
    EXPECT_EQ(label.Alignment(), TAlignment::taCenter);
    gui::SetProperty(label, "Alignment", std::int64_t{1});
    EXPECT_EQ(gui::GetIntegerProperty(label, "Alignment"), 1);
    EXPECT_THROW(gui::SetProperty(label, "Alignment", std::string("taJustify")), gui::EPropertyError);
    EXPECT_THROW(gui::SetProperty(label, "Alignment", std::int64_t{3}), gui::EPropertyError);
}

TEST(TypeInfo, ErrorsNameTheClassAndTheProperty) {
    TSampleLabel label(nullptr);
    try {
        gui::SetProperty(label, "Hint", std::string("x"));
        FAIL();
    } catch (const gui::EPropertyError& e) {
        EXPECT_EQ(e.Message(), "Class TSampleLabel has no property Hint");
    }
    try {
        gui::SetProperty(label, "Left", std::string("wide"));
        FAIL();
    } catch (const gui::EPropertyError& e) {
        EXPECT_EQ(e.Message(), "Property TSampleLabel.Left: an integer is required");
    }
    try {
        gui::SetProperty(label, "Version", std::string("9"));
        FAIL();
    } catch (const gui::EPropertyError& e) {
        EXPECT_EQ(e.Message(), "Property TSampleLabel.Version is read-only");
    }
    EXPECT_EQ(gui::GetStringProperty(label, "Version"), "3.76");
    EXPECT_THROW(gui::GetIntegerProperty(label, "Caption"), gui::EPropertyError);
}

TEST(TypeInfo, ObjectAndListPropertiesAssignIntoTheOwnedObject) {
    TSampleLabel label(nullptr);
    TSampleFont font;
    font.SetName("PMingLiU");
    font.SetCharSet(136);
    gui::SetProperty(label, "Font", static_cast<gui::TObject*>(&font));
    EXPECT_NE(label.Font(), &font) << "the label keeps its own font";
    EXPECT_EQ(label.Font()->CharSet(), 136);
    auto* ownFont = gui::GetObjectProperty(label, "Font");
    gui::SetProperty(*ownFont, "Name", std::string("MS Sans Serif"));
    EXPECT_EQ(label.Font()->Name(), "MS Sans Serif");
    TSampleForm notAFont(nullptr);
    EXPECT_THROW(gui::SetProperty(label, "Font", static_cast<gui::TObject*>(&notAFont)), gui::EPropertyError);

    rtl::TStringList lines{"one", "two"};
    gui::SetProperty(label, "Lines", static_cast<rtl::TStrings*>(&lines));
    lines.Clear();
    EXPECT_EQ(label.Lines()->Count(), 2) << "the lines were copied";
    EXPECT_EQ(gui::GetStringsProperty(label, "Lines"), label.Lines());
}

TEST(TypeInfo, EventsBindToPublishedMethodsByNameAndCompareByCode) {
    TSampleForm form(nullptr);
    auto* button = new TSampleLabel(&form);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(gui::GetProperty(*button, "OnClick")));
    gui::SetProperty(*button, "OnClick", TMethodRef{&form, "buttonclick"});
    ASSERT_TRUE(button->OnClick);
    button->OnClick(button);
    EXPECT_EQ(form.clicks, 1);
    EXPECT_EQ(form.lastSender, button);
    EXPECT_TRUE(std::holds_alternative<TMethodRef>(gui::GetProperty(*button, "OnClick")));

    const TNotifyEvent same(&form, &TSampleForm::ButtonClick);
    TSampleForm otherForm(nullptr);
    const TNotifyEvent sameCodeOtherObject(&otherForm, &TSampleForm::ButtonClick);
    const TNotifyEvent otherCode(&form, &TSampleForm::Other);
    EXPECT_TRUE(button->OnClick == same);
    EXPECT_TRUE(button->OnClick.Code() == sameCodeOtherObject.Code());
    EXPECT_FALSE(button->OnClick == sameCodeOtherObject);
    EXPECT_FALSE(button->OnClick.Code() == otherCode.Code());

    EXPECT_THROW(gui::SetProperty(*button, "OnClick", TMethodRef{&form, "NoSuchHandler"}),
                 gui::EPropertyError);
    EXPECT_THROW(gui::SetProperty(*button, "OnClick", TMethodRef{&form, "WrongShape"}), gui::EPropertyError);
    gui::SetProperty(*button, "OnClick", std::monostate{});
    EXPECT_FALSE(button->OnClick);
    button->OnClick.Call(button); // an unassigned event is skipped
    EXPECT_EQ(form.clicks, 1);
}

TEST(TypeInfo, RegisteredClassesAreCreatedByName) {
    gui::RegisterClass(TSampleLabel::StaticClass());
    gui::RegisterClass(TSampleForm::StaticClass());
    const gui::TClassInfo* found = gui::FindClass("tsamplelabel");
    ASSERT_NE(found, nullptr);
    TComponent owner(nullptr);
    TComponent* created = found->Create(&owner);
    EXPECT_TRUE(created->Is<TSampleLabel>());
    EXPECT_EQ(created->Owner(), &owner);
    EXPECT_FALSE(gui::FindClass("TSampleForm")->CanCreate());
    EXPECT_THROW(gui::FindClass("TSampleForm")->Create(&owner), gui::EPropertyError);
    EXPECT_EQ(gui::FindClass("TUnknown"), nullptr);
}

TEST(TypeInfo, DataFieldsArePublishedInPlace) {
    sample::TSampleLabel label(nullptr);
    gui::SetProperty(label, "note", std::string("remember"));
    gui::SetProperty(label, "Count", std::int64_t{70000});
    gui::SetProperty(label, "Flag", true);
    EXPECT_EQ(label.Note, "remember");
    EXPECT_EQ(label.Count, static_cast<std::int16_t>(70000)) << "kept to the field's width";
    EXPECT_TRUE(label.Flag);
    EXPECT_EQ(gui::GetIntegerProperty(label, "Count"), label.Count);
    EXPECT_EQ(gui::PropertyOf(label, "Flag").Kind, gui::TTypeKind::tkBoolean);
    EXPECT_THROW(gui::SetProperty(label, "Note", std::int64_t{1}), gui::EPropertyError);
}
