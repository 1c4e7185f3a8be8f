#include "SampleClasses.h"

namespace sample {

std::vector<std::string>& LoadedLog() {
    static std::vector<std::string> log;
    return log;
}

const gui::TClassInfo& TSampleFont::StaticClass() {
    static const gui::TClassInfo info =
        gui::TClassBuilder<TSampleFont>("TSampleFont", &TPersistent::StaticClass())
            .String("Name", &TSampleFont::Name, &TSampleFont::SetName)
            .Integer("CharSet", &TSampleFont::CharSet, &TSampleFont::SetCharSet)
            .Build();
    return info;
}

const gui::TClassInfo& TSampleLabel::StaticClass() {
    static const gui::TClassInfo info =
        gui::TClassBuilder<TSampleLabel>("TSampleLabel", &TComponent::StaticClass())
            .String("Caption", &TSampleLabel::Caption, &TSampleLabel::SetCaption)
            .Integer("Left", &TSampleLabel::Left, &TSampleLabel::SetLeft)
            .Boolean("Visible", &TSampleLabel::Visible, &TSampleLabel::SetVisible)
            .Enumeration("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"},
                         &TSampleLabel::Alignment, &TSampleLabel::SetAlignment)
            .Object("Font", &TSampleLabel::Font, &TSampleLabel::SetFont)
            .Strings("Lines", &TSampleLabel::Lines)
            .String("Version", &TSampleLabel::Version, nullptr, false)
            .Event("OnClick", &TSampleLabel::OnClick)
            .Field("Note", &TSampleLabel::Note)
            .Field("Count", &TSampleLabel::Count)
            .Field("Flag", &TSampleLabel::Flag)
            .Creatable()
            .Build();
    return info;
}

const gui::TClassInfo& TSampleForm::StaticClass() {
    static const gui::TClassInfo info =
        gui::TClassBuilder<TSampleForm>("TSampleForm", &TComponent::StaticClass())
            .String("Caption", &TSampleForm::Caption, &TSampleForm::SetCaption)
            .Method("ButtonClick", &TSampleForm::ButtonClick)
            .Method("Other", &TSampleForm::Other)
            .Method("WrongShape", &TSampleForm::WrongShape)
            .Build();
    return info;
}

const gui::TClassInfo& TSampleLog::StaticClass() {
    static const gui::TClassInfo info =
        gui::TClassBuilder<TSampleLog>("TSampleLog", &TComponent::StaticClass())
            .Object("Client", &TSampleLog::Client, &TSampleLog::SetClient)
            .Creatable()
            .Build();
    return info;
}

} // namespace sample
