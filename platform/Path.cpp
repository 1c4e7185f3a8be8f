#include "platform/Path.h"

#include "platform/CodePage.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace win {

std::string DriveCFolder() {
    std::string folder;
    if (const char* drive = std::getenv("NVL_DRIVE_C"); drive != nullptr && *drive != '\0') {
        folder = drive;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        folder = home;
    } else if (const passwd* user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr) {
        folder = user->pw_dir;
    } else {
        folder = "/";
    }
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string NativePath(std::string_view path) {
    std::string native;
    if (path.size() >= 2 && (path[0] == 'C' || path[0] == 'c') && path[1] == ':') {
        native = DriveCFolder();
        path.remove_prefix(2);
        if (!path.empty() && path[0] != '\\' && path[0] != '/') native += '/';
        if (native == "/" && !path.empty()) native.clear(); // the root needs no second separator
    }
    // A backslash that is the trail byte of a double-byte character belongs to the character.
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < path.size()) {
            native += c;
            native += path[++i];
        } else {
            native += c == '\\' ? '/' : c;
        }
    }
    return native;
}

} // namespace win
