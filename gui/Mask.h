// The masked edit box: an edit box whose text follows an edit mask.
#pragma once

#include "gui/StdCtrls.h"

namespace gui {

class TMaskEdit : public TCustomEdit {
    GUI_CLASS_INFO
public:
    using TCustomEdit::TCustomEdit;
    // The mask's text is kept; the model does not enforce it.
    std::string EditMask() const { return editMask_; }
    void SetEditMask(const std::string& mask);

private:
    std::string editMask_;
};

} // namespace gui
