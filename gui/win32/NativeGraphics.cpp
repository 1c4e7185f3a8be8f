// The platform's headers come before the system's, whose macros they must not see.
#include "platform/CodePage.h"

#include "gui/win32/NativeGraphics.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <tuple>
#include <vector>

namespace gui::win32 {
namespace {

// Faces with the traditional Chinese glyphs: Windows' own first, then those of Linux systems,
// which Wine offers through fontconfig.
constexpr std::array kCjkFaces = {L"PMingLiU",           L"MingLiU",
                                  L"Microsoft JhengHei", L"WenQuanYi Micro Hei",
                                  L"Noto Sans CJK TC",   L"AR PL UMing TW"};

int CALLBACK NoteFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<std::wstring*>(found) = font->lfFaceName;
    return 0;
}

// The first face that is installed: a listed one, or else any with Big5 glyphs.
std::wstring FindCjkFace() {
    const UniqueDc dc(CreateCompatibleDC(nullptr));
    std::wstring found;
    for (const wchar_t* face : kCjkFaces) {
        LOGFONTW query{};
        query.lfCharSet = DEFAULT_CHARSET;
        wcsncpy(query.lfFaceName, face, LF_FACESIZE - 1);
        EnumFontFamiliesExW(dc.get(), &query, &NoteFace, reinterpret_cast<LPARAM>(&found), 0);
        if (!found.empty()) return found;
    }
    LOGFONTW big5{};
    big5.lfCharSet = CHINESEBIG5_CHARSET;
    EnumFontFamiliesExW(dc.get(), &big5, &NoteFace, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

const std::wstring& CjkFace() {
    static const std::wstring face = FindCjkFace();
    return face;
}

using FontKey = std::tuple<std::wstring, std::int64_t, bool, std::int64_t>;

HFONT MadeFont(const std::wstring& face, std::int64_t height, bool bold, std::int64_t charSet) {
    static std::map<FontKey, UniqueGdi<HFONT>> fonts;
    auto& made = fonts[{face, height, bold, charSet}];
    if (!made) {
        made.reset(CreateFontW(static_cast<int>(height), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                               FALSE, static_cast<BYTE>(charSet), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
    }
    return made.get();
}

template <typename T> T Read(const std::string& data, std::size_t offset) {
    T value;
    std::memcpy(&value, data.data() + offset, sizeof value);
    return value;
}

} // namespace

std::wstring Wide(const std::string& ansi) {
    const std::u16string wide = win::AnsiToWide(ansi);
    return std::wstring(wide.begin(), wide.end());
}

std::string Ansi(const std::wstring& wide) {
    return win::WideToAnsi(std::u16string(wide.begin(), wide.end()));
}

COLORREF ToColorRef(TColor color) {
    const std::uint32_t rgb = ColorToRgb(color);
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

bool HasGlyphs(HFONT font, const std::wstring& text) {
    std::wstring printable;
    for (const wchar_t c : text)
        if (c >= L' ') printable += c;
    if (printable.empty()) return true;
    const UniqueDc dc(CreateCompatibleDC(nullptr));
    const Selection selected(dc.get(), font);
    std::vector<WORD> glyphs(printable.size());
    const DWORD converted = GetGlyphIndicesW(dc.get(), printable.c_str(), static_cast<int>(printable.size()),
                                             glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
    if (converted == GDI_ERROR) {
        // Raster faces have no glyph table: they hold the Western characters only.
        for (const wchar_t c : printable)
            if (c > 0xFF) return false;
        return true;
    }
    for (const WORD glyph : glyphs)
        if (glyph == 0xFFFF) return false;
    return true;
}

HFONT FontFor(const TFont& font, const std::wstring& text) {
    const HFONT named = MadeFont(Wide(font.Name()), font.Height(), font.Bold(), font.CharSet());
    if (HasGlyphs(named, text) || CjkFace().empty()) return named;
    return MadeFont(CjkFace(), font.Height(), font.Bold(), DEFAULT_CHARSET);
}

HFONT SystemFontFor(HFONT font, const std::wstring& text) {
    if (font == nullptr) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW shape{};
    if (HasGlyphs(font, text) || CjkFace().empty() || GetObjectW(font, sizeof shape, &shape) == 0)
        return font;
    return MadeFont(CjkFace(), shape.lfHeight, shape.lfWeight >= FW_BOLD, DEFAULT_CHARSET);
}

UniqueIcon IconFromFile(const std::string& data) {
    // ICONDIR (6 bytes), then 16-byte entries: the first entry's size at 8 and its offset at 12.
    constexpr std::size_t kDirectory = 6, kEntry = 16;
    if (data.size() < kDirectory + kEntry || Read<std::uint16_t>(data, 0) != 0 ||
        Read<std::uint16_t>(data, 2) != 1 || Read<std::uint16_t>(data, 4) == 0)
        return nullptr;
    const std::uint32_t size = Read<std::uint32_t>(data, kDirectory + 8);
    const std::uint32_t offset = Read<std::uint32_t>(data, kDirectory + 12);
    if (offset > data.size() || size > data.size() - offset || size < sizeof(BITMAPINFOHEADER))
        return nullptr;
    std::string image = data.substr(offset, size); // the system's call takes a writable buffer
    return UniqueIcon(CreateIconFromResourceEx(reinterpret_cast<PBYTE>(image.data()), size, TRUE, 0x00030000,
                                               0, 0, LR_DEFAULTCOLOR));
}

bool IsBitmapFile(const std::string& data) {
    return data.size() >= 2 && data[0] == 'B' && data[1] == 'M';
}

UniqueGdi<HBITMAP> BitmapFromFile(const std::string& data) {
    constexpr std::size_t kFileHeader = 14;
    if (!IsBitmapFile(data) || data.size() < kFileHeader + sizeof(BITMAPINFOHEADER)) return nullptr;
    const auto info = Read<BITMAPINFOHEADER>(data, kFileHeader);
    const std::uint32_t bitsOffset = Read<std::uint32_t>(data, 10);
    if (info.biCompression != BI_RGB || info.biWidth <= 0 || info.biWidth > 4096 || info.biHeight == 0 ||
        info.biHeight > 4096 || info.biHeight < -4096 || info.biPlanes != 1 ||
        (info.biBitCount != 1 && info.biBitCount != 4 && info.biBitCount != 8 && info.biBitCount != 16 &&
         info.biBitCount != 24 && info.biBitCount != 32))
        return nullptr;
    const std::uint64_t stride = ((static_cast<std::uint64_t>(info.biWidth) * info.biBitCount + 31) / 32) * 4;
    const std::uint64_t rows = info.biHeight < 0 ? -static_cast<std::int64_t>(info.biHeight) : info.biHeight;
    const std::uint64_t colours =
        info.biBitCount <= 8 ? (info.biClrUsed ? info.biClrUsed : 1u << info.biBitCount) : 0;
    if (bitsOffset < kFileHeader + info.biSize + colours * sizeof(RGBQUAD) || bitsOffset > data.size() ||
        stride * rows > data.size() - bitsOffset)
        return nullptr;
    const auto* header = reinterpret_cast<const BITMAPINFO*>(data.data() + kFileHeader);
    const WindowDc screen(nullptr);
    return UniqueGdi<HBITMAP>(CreateDIBitmap(screen.get(), &header->bmiHeader, CBM_INIT,
                                             data.data() + bitsOffset, header, DIB_RGB_COLORS));
}

} // namespace gui::win32
