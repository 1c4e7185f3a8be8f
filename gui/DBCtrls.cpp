#include "gui/DBCtrls.h"

namespace gui {

const TClassInfo& TField::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TField>("TField", &TComponent::StaticClass())
            .String("DisplayLabel", &TField::DisplayLabel, &TField::SetDisplayLabel)
            .String("FieldName", &TField::FieldName, &TField::SetFieldName)
            .Creatable()
            .Build();
    return info;
}

TField::TField(TComponent* owner) : TComponent(owner) {}

const TClassInfo& TDBListBox::StaticClass() {
    static const TClassInfo info = TClassBuilder<TDBListBox>("TDBListBox", &TCustomListBox::StaticClass())
                                       .String("DataField", &TDBListBox::DataField, &TDBListBox::SetDataField)
                                       .Strings("Items", &TDBListBox::Items)
                                       .Boolean("ReadOnly", &TDBListBox::ReadOnly, &TDBListBox::SetReadOnly)
                                       .Creatable()
                                       .Build();
    return info;
}

const TClassInfo& TDBRadioGroup::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TDBRadioGroup>("TDBRadioGroup", &TCustomRadioGroup::StaticClass())
            .String("Caption", &TDBRadioGroup::Caption, &TDBRadioGroup::SetCaption)
            .String("DataField", &TDBRadioGroup::DataField, &TDBRadioGroup::SetDataField)
            .Strings("Items", &TDBRadioGroup::Items)
            .Boolean("ReadOnly", &TDBRadioGroup::ReadOnly, &TDBRadioGroup::SetReadOnly)
            .Creatable()
            .Build();
    return info;
}

const TClassInfo& TDBComboBox::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TDBComboBox>("TDBComboBox", &TCustomComboBox::StaticClass())
            .String("DataField", &TDBComboBox::DataField, &TDBComboBox::SetDataField)
            .Strings("Items", &TDBComboBox::Items)
            .Boolean("ReadOnly", &TDBComboBox::ReadOnly, &TDBComboBox::SetReadOnly)
            .Creatable()
            .Build();
    return info;
}

const TClassInfo& TDBNavigator::StaticClass() {
    static const TClassInfo info = TClassBuilder<TDBNavigator>("TDBNavigator", &TWinControl::StaticClass())
                                       .Strings("Hints", &TDBNavigator::Hints)
                                       .Creatable()
                                       .Build();
    return info;
}

TDBNavigator::TDBNavigator(TComponent* owner) : TWinControl(owner) {
    hints_.OnChange = [this] { Changed("Hints"); };
}

const TClassInfo& TDBGrid::StaticClass() {
    static const TClassInfo info = TClassBuilder<TDBGrid>("TDBGrid", &TWinControl::StaticClass())
                                       .Boolean("ReadOnly", &TDBGrid::ReadOnly, &TDBGrid::SetReadOnly)
                                       .Creatable()
                                       .Build();
    return info;
}

TDBGrid::TDBGrid(TComponent* owner) : TWinControl(owner) {
    SetColor(clWindow);
}

TColumn& TDBGrid::AddColumn(const std::string& fieldName) {
    columns_.push_back({fieldName, fieldName});
    Changed("Columns");
    return columns_.back();
}

void TDBGrid::SetTitleCaption(int index, const std::string& caption) {
    columns_.at(static_cast<std::size_t>(index)).TitleCaption = caption;
    Changed("Columns");
}

} // namespace gui
