// The file list box (the files of a folder that match a mask) and the filter combo box.
#pragma once

#include "gui/StdCtrls.h"

namespace gui {

class TFileListBox : public TCustomListBox {
    GUI_CLASS_INFO
public:
    explicit TFileListBox(TComponent* owner);
    // Setting the folder or the mask re-reads the list.
    std::string Directory() const { return directory_; }
    void SetDirectory(const std::string& directory);
    std::string Mask() const { return mask_; }
    void SetMask(const std::string& mask);
    // Reads the folder again: the names of its files (no folders) that match the mask, sorted
    // ignoring letter case.
    void Update();
    void Loaded() override;

private:
    std::string directory_;
    std::string mask_ = "*.*";
};

// Lists the descriptions of a filter "Description|Mask|Description|Mask...".
class TFilterComboBox : public TCustomComboBox {
    GUI_CLASS_INFO
public:
    explicit TFilterComboBox(TComponent* owner);
    std::string Filter() const { return filter_; }
    void SetFilter(const std::string& filter);
    // The mask of the selected description ("*.*" when none is selected).
    std::string Mask() const;

private:
    std::string filter_;
    std::vector<std::string> masks_;
};

} // namespace gui
