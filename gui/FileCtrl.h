// The file list box: the files of a folder that match a mask.
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

} // namespace gui
