// GDI objects for the native backend: owned handles, the model's fonts with a CJK face where the
// named one lacks the glyphs of a text, and the model's pictures (icon and bitmap files) decoded
// with their sizes checked against the data.
#pragma once

// The model's headers come before the system's, whose macros (MB_OK, IDOK, ...) they must not see.
#include "gui/Graphics.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

namespace gui::win32 {

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct IconDeleter {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct DcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
template <typename Handle> using UniqueGdi = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter>;
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;
using UniqueDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

// A window's device context (the screen's for none), released when it goes.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() { ReleaseDC(window_, dc_); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a device context until this goes.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selection() { SelectObject(dc_, previous_); }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Texts of the model are bytes in the program's code page; the system's W calls take UTF-16.
std::wstring Wide(const std::string& ansi);
std::string Ansi(const std::wstring& wide);

COLORREF ToColorRef(TColor color);

// The font to draw `text` in: the model's face, or a CJK face of the same size when the model's
// lacks a glyph of the text. Fonts are made once and live as long as the process.
HFONT FontFor(const TFont& font, const std::wstring& text);
// The same for a font of the system's (a status bar's, a message box's): that font, or a CJK face
// of its size.
HFONT SystemFontFor(HFONT font, const std::wstring& text);
// Whether every printable character of `text` has a glyph in `font`.
bool HasGlyphs(HFONT font, const std::wstring& text);

// An icon file's first image; nothing for data that is not a whole icon file.
UniqueIcon IconFromFile(const std::string& data);
// A bitmap file's image, uncompressed; nothing for data that is not a whole bitmap file.
UniqueGdi<HBITMAP> BitmapFromFile(const std::string& data);
bool IsBitmapFile(const std::string& data);

} // namespace gui::win32
