// The command line as one text, on every system.
#include "platform/Process.h"

namespace win {

std::string JoinCommandLine(const std::vector<std::string>& arguments) {
    std::string joined;
    for (const std::string& argument : arguments) {
        if (!joined.empty()) joined += ' ';
        joined += argument.find_first_of(" \t") == std::string::npos ? argument : "\"" + argument + "\"";
    }
    return joined;
}

} // namespace win
