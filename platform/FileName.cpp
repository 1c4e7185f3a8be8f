#include "platform/FileName.h"

#include "platform/CodePage.h"
#include "platform/File.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

namespace win {
namespace {

// Names arrive in the program's code page, 950, whatever code page the system runs in.
constexpr UINT kNameCodePage = 950;
// The system's longest name of one folder entry, in UTF-16 units.
constexpr std::size_t kMaxComponent = 255;

// The text of the bytes, or nothing when they are no text of code page 950.
std::optional<std::u16string> FromNameCodePage(std::string_view bytes) {
    if (bytes.empty()) return std::u16string();
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return std::nullopt;
    const int length = static_cast<int>(bytes.size());
    const int size =
        MultiByteToWideChar(kNameCodePage, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (size <= 0) return std::nullopt;
    std::u16string text(static_cast<std::size_t>(size), u'\0');
    if (MultiByteToWideChar(kNameCodePage, MB_ERR_INVALID_CHARS, bytes.data(), length, text.data(), size) !=
        size)
        return std::nullopt;
    return text;
}

char16_t AsciiUpper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 0x20) : c;
}

// The system opens a device for these, whatever follows the first dot and whatever blanks come
// before it: "nul.txt" and "COM1 .dat" are devices as much as "NUL".
bool IsDeviceName(std::u16string_view name) {
    static constexpr std::array<std::u16string_view, 24> kDevices = {
        u"CON",  u"PRN",  u"AUX",  u"NUL",  u"COM1", u"COM2", u"COM3",   u"COM4",
        u"COM5", u"COM6", u"COM7", u"COM8", u"COM9", u"LPT1", u"LPT2",   u"LPT3",
        u"LPT4", u"LPT5", u"LPT6", u"LPT7", u"LPT8", u"LPT9", u"CONIN$", u"CONOUT$"};
    std::u16string_view base = name.substr(0, name.find(u'.'));
    while (!base.empty() && base.back() == u' ')
        base.remove_suffix(1);
    return std::any_of(kDevices.begin(), kDevices.end(), [&](std::u16string_view device) {
        return device.size() == base.size() &&
               std::equal(base.begin(), base.end(), device.begin(),
                          [](char16_t a, char16_t b) { return AsciiUpper(a) == b; });
    });
}

bool IsReservedCharacter(char16_t c) {
    return c < 0x20 || c == 0x7F || std::u16string_view(u"<>:\"/\\|?*").find(c) != std::u16string_view::npos;
}

// The file system's upper case, for the letters it folds: ASCII, Latin-1, Greek, Cyrillic and
// full-width Latin. Chinese and every other character stay as they are.
char16_t FileSystemUpper(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
    if (c == 0xFF) return 0x178;
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
    if (c == 0x3C2) return 0x3A3; // final sigma
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 0x20);
    return c;
}

} // namespace

bool IsPosixFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        auto byte = static_cast<unsigned char>(name[i]);
        if (IsDBCSLeadByte(byte) && i + 1 < name.size()) {
            byte = static_cast<unsigned char>(name[++i]);
            if (byte == '\\') continue; // the trail byte of a character
        }
        if (byte < 0x20 || byte == 0x7F || byte == '/' || byte == ':' || byte == '\\') return false;
    }
    return true;
}

bool IsWindowsFileName(std::string_view folder, std::string_view name) {
    const std::optional<std::u16string> text = FromNameCodePage(name);
    const std::optional<std::u16string> within = FromNameCodePage(folder);
    if (!text || !within || text->empty() || text->size() > kMaxComponent) return false;
    if (std::any_of(text->begin(), text->end(), IsReservedCharacter)) return false;
    // "." and ".." end in a dot too; "Setup.exe." and "Setup.exe " would be stored as "Setup.exe".
    if (text->back() == u'.' || text->back() == u' ') return false;
    if (IsDeviceName(*text)) return false;
    const bool separated = within->empty() || within->back() == u'\\' || within->back() == u'/';
    const std::size_t path = within->size() + (separated ? 0 : 1) + text->size();
    return path < static_cast<std::size_t>(MAX_PATH); // the terminating NUL counts too
}

bool IsStorableFileName([[maybe_unused]] std::string_view folder, std::string_view name) {
#ifdef _WIN32
    return IsWindowsFileName(folder, name);
#else
    return IsPosixFileName(name);
#endif
}

std::string WindowsFileNameKey(std::string_view name) {
    std::optional<std::u16string> text = FromNameCodePage(name);
    if (!text) return std::string(name); // no name of the system's; its bytes are its key
    std::transform(text->begin(), text->end(), text->begin(), FileSystemUpper);
    return WideToAnsi(*text, kNameCodePage);
}

std::string FileNameKey(std::string_view name) {
#ifdef _WIN32
    return WindowsFileNameKey(name);
#else
    return std::string(name);
#endif
}

} // namespace win
