#include "gui/Graphics.h"

namespace gui {

const std::vector<std::pair<std::string, std::int64_t>>& ColorNames() {
    static const std::vector<std::pair<std::string, std::int64_t>> names = {
        {"clBlack", clBlack},     {"clMaroon", clMaroon},
        {"clGreen", clGreen},     {"clNavy", clNavy},
        {"clGray", clGray},       {"clRed", clRed},
        {"clBlue", clBlue},       {"clWhite", clWhite},
        {"clWindow", clWindow},   {"clWindowText", clWindowText},
        {"clBtnFace", clBtnFace}, {"clBtnText", clBtnText},
    };
    return names;
}

std::uint32_t ColorToRgb(TColor color) {
    std::uint32_t bgr;
    switch (color) {
    case clWindow:
        bgr = 0xFFFFFF;
        break;
    case clWindowText:
    case clBtnText:
        bgr = 0x000000;
        break;
    case clBtnFace:
        bgr = 0xC0C0C0;
        break;
    default:
        bgr = static_cast<std::uint32_t>(color & 0xFFFFFF);
        break;
    }
    return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}

const TClassInfo& TFont::StaticClass() {
    static const TClassInfo info = TClassBuilder<TFont>("TFont", &TPersistent::StaticClass())
                                       .Integer("CharSet", &TFont::CharSet, &TFont::SetCharSet)
                                       .NamedInteger("Color", ColorNames(), &TFont::Color, &TFont::SetColor)
                                       .Integer("Height", &TFont::Height, &TFont::SetHeight)
                                       .String("Name", &TFont::Name, &TFont::SetName)
                                       .Integer("Size", &TFont::Size, &TFont::SetSize, false)
                                       .Boolean("Bold", &TFont::Bold, &TFont::SetBold)
                                       .Build();
    return info;
}

void TFont::Changed() {
    if (OnChange) OnChange();
}

void TFont::SetName(const std::string& name) {
    if (name == name_) return;
    name_ = name;
    Changed();
}

void TFont::SetHeight(std::int64_t height) {
    if (height == height_) return;
    height_ = height;
    Changed();
}

std::int64_t TFont::Size() const {
    const std::int64_t pixels = height_ < 0 ? -height_ : height_;
    return (pixels * 72 + 48) / 96;
}

void TFont::SetSize(std::int64_t points) {
    SetHeight(-((points * 96 + 36) / 72));
}

void TFont::SetCharSet(std::int64_t charSet) {
    if (charSet == charSet_) return;
    charSet_ = charSet;
    Changed();
}

void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Changed();
}

void TFont::SetBold(bool bold) {
    if (bold == bold_) return;
    bold_ = bold;
    Changed();
}

void TFont::Assign(const TPersistent& source) {
    if (!source.Is<TFont>()) return TPersistent::Assign(source);
    const auto& font = static_cast<const TFont&>(source);
    if (*this == font) return;
    name_ = font.name_;
    height_ = font.height_;
    charSet_ = font.charSet_;
    color_ = font.color_;
    bold_ = font.bold_;
    Changed();
}

bool TFont::operator==(const TFont& other) const {
    return name_ == other.name_ && height_ == other.height_ && charSet_ == other.charSet_ &&
           color_ == other.color_ && bold_ == other.bold_;
}

const TClassInfo& TPicture::StaticClass() {
    static const TClassInfo info = TClassBuilder<TPicture>("TPicture", &TPersistent::StaticClass())
                                       .String("Data", &TPicture::Data, &TPicture::SetData)
                                       .Build();
    return info;
}

void TPicture::SetData(const std::string& data) {
    data_ = data;
    if (OnChange) OnChange();
}

void TPicture::Assign(const TPersistent& source) {
    if (!source.Is<TPicture>()) return TPersistent::Assign(source);
    SetData(static_cast<const TPicture&>(source).data_);
}

} // namespace gui
