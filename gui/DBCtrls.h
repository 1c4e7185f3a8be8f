// Data-aware controls and the field, as plain models: they keep the texts and settings of their
// kinds; no data source is connected.
#pragma once

#include "gui/ExtCtrls.h"
#include "gui/StdCtrls.h"

#include <string>
#include <vector>

namespace gui {

class TField : public TComponent {
    GUI_CLASS_INFO
public:
    explicit TField(TComponent* owner);
    std::string FieldName() const { return fieldName_; }
    void SetFieldName(const std::string& name) { fieldName_ = name; }
    // The field name while no label of its own is set.
    std::string DisplayLabel() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
    void SetDisplayLabel(const std::string& label) { displayLabel_ = label; }

private:
    std::string fieldName_;
    std::string displayLabel_;
};

// The field a data-aware control shows and whether it may change it.
class TDataLinkSettings {
public:
    std::string DataField() const { return dataField_; }
    void SetDataField(const std::string& field) { dataField_ = field; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

private:
    std::string dataField_;
    bool readOnly_ = false;
};

class TDBListBox : public TCustomListBox, public TDataLinkSettings {
    GUI_CLASS_INFO
public:
    using TCustomListBox::TCustomListBox;
};

class TDBRadioGroup : public TCustomRadioGroup, public TDataLinkSettings {
    GUI_CLASS_INFO
public:
    using TCustomRadioGroup::TCustomRadioGroup;
};

class TDBComboBox : public TCustomComboBox, public TDataLinkSettings {
    GUI_CLASS_INFO
public:
    using TCustomComboBox::TCustomComboBox;
};

// The record buttons; Hints holds one hint per button, in button order.
class TDBNavigator : public TWinControl {
    GUI_CLASS_INFO
public:
    explicit TDBNavigator(TComponent* owner);
    rtl::TStrings* Hints() const { return &hints_; }

private:
    mutable rtl::TStringList hints_;
};

struct TColumn {
    std::string FieldName;
    std::string TitleCaption;
};

class TDBGrid : public TWinControl, public TDataLinkSettings {
    GUI_CLASS_INFO
public:
    explicit TDBGrid(TComponent* owner);
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    const TColumn& Column(int index) const { return columns_.at(static_cast<std::size_t>(index)); }
    // A column titled with its field name.
    TColumn& AddColumn(const std::string& fieldName);
    void SetTitleCaption(int index, const std::string& caption);

private:
    std::vector<TColumn> columns_;
};

} // namespace gui
