#include "gui/Mask.h"

namespace gui {

const TClassInfo& TMaskEdit::StaticClass() {
    static const TClassInfo info = TClassBuilder<TMaskEdit>("TMaskEdit", &TCustomEdit::StaticClass())
                                       .String("EditMask", &TMaskEdit::EditMask, &TMaskEdit::SetEditMask)
                                       .String("Text", &TMaskEdit::Text, &TMaskEdit::SetText)
                                       .Boolean("ReadOnly", &TMaskEdit::ReadOnly, &TMaskEdit::SetReadOnly)
                                       .Creatable()
                                       .Build();
    return info;
}

void TMaskEdit::SetEditMask(const std::string& mask) {
    SetField(editMask_, mask, "EditMask");
}

} // namespace gui
