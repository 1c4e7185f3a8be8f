// Fonts, colours and pictures of the controls.
#pragma once

#include "gui/Component.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace gui {

// Blue-green-red values; values with the top bit set name a system colour.
using TColor = std::int64_t;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clWindow = 0x80000005;
inline constexpr TColor clWindowText = 0x80000008;
inline constexpr TColor clBtnFace = 0x8000000F;
inline constexpr TColor clBtnText = 0x80000012;

// The colour names a form description may use.
const std::vector<std::pair<std::string, std::int64_t>>& ColorNames();
// The red-green-blue value of a colour, system colours resolved to the classic Windows scheme.
std::uint32_t ColorToRgb(TColor color);

inline constexpr std::int64_t DEFAULT_CHARSET = 1;
inline constexpr std::int64_t CHINESEBIG5_CHARSET = 136;

class TFont : public TPersistent {
    GUI_CLASS_INFO
public:
    std::string Name() const { return name_; }
    void SetName(const std::string& name);
    // Negative: the character height in pixels; positive: the cell height.
    std::int64_t Height() const { return height_; }
    void SetHeight(std::int64_t height);
    // Points at 96 pixels per inch, derived from Height.
    std::int64_t Size() const;
    void SetSize(std::int64_t points);
    std::int64_t CharSet() const { return charSet_; }
    void SetCharSet(std::int64_t charSet);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    bool Bold() const { return bold_; }
    void SetBold(bool bold);

    void Assign(const TPersistent& source) override;
    bool operator==(const TFont& other) const;

    // Told after every change, once per change.
    std::function<void()> OnChange;

private:
    void Changed();

    std::string name_ = "MS Sans Serif";
    std::int64_t height_ = -11;
    std::int64_t charSet_ = DEFAULT_CHARSET;
    TColor color_ = clWindowText;
    bool bold_ = false;
};

// A picture kept as the bytes of its file (a Windows icon or bitmap).
class TPicture : public TPersistent {
    GUI_CLASS_INFO
public:
    std::string Data() const { return data_; }
    void SetData(const std::string& data);
    bool Empty() const { return data_.empty(); }
    void Assign(const TPersistent& source) override;
    std::function<void()> OnChange;

private:
    std::string data_;
};

} // namespace gui
