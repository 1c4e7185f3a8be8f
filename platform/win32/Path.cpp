// On Windows a path is already native: drive C is the system's.
#include "platform/Path.h"

namespace win {

std::string NativePath(std::string_view path) {
    return std::string(path);
}

std::string DriveCFolder() {
    return "C:";
}

} // namespace win
