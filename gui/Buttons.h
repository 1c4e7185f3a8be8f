// Buttons with a glyph.
#pragma once

#include "gui/StdCtrls.h"

#include <memory>

namespace gui {

enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

class TBitBtn : public TButton {
    GUI_CLASS_INFO
public:
    explicit TBitBtn(TComponent* owner);
    // The bitmap shown beside (or, without a caption, instead of) the text.
    TPicture* Glyph() const { return glyph_.get(); }
    void SetGlyph(TPicture* glyph) { glyph_->Assign(*glyph); }
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout layout);
    std::int64_t NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(std::int64_t numGlyphs) { numGlyphs_ = numGlyphs; }

private:
    std::unique_ptr<TPicture> glyph_;
    TButtonLayout layout_ = TButtonLayout::blGlyphLeft;
    std::int64_t numGlyphs_ = 1;
};

} // namespace gui
