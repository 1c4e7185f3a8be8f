#include "gui/Buttons.h"

namespace gui {

const TClassInfo& TBitBtn::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TBitBtn>("TBitBtn", &TButton::StaticClass())
            .Object("Glyph", &TBitBtn::Glyph, &TBitBtn::SetGlyph)
            .Enumeration("Layout", {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"},
                         &TBitBtn::Layout, &TBitBtn::SetLayout)
            .Integer("NumGlyphs", &TBitBtn::NumGlyphs, &TBitBtn::SetNumGlyphs)
            .Creatable()
            .Build();
    return info;
}

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner), glyph_(std::make_unique<TPicture>()) {
    glyph_->OnChange = [this] { Changed("Glyph"); };
}

void TBitBtn::SetLayout(TButtonLayout layout) {
    SetField(layout_, layout, "Layout");
}

} // namespace gui
