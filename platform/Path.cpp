#include "platform/Path.h"

#include <algorithm>
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
    native.append(path);
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

} // namespace win
