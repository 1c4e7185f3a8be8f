// A stand-in installer for the tests: leaves "installer-ran.txt" beside itself, with the command
// line it was given, and ends.
#include <windows.h>

#include <fstream>
#include <string>

int main() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH) return 1;
    std::string marker(path, length);
    marker.erase(marker.find_last_of('\\') + 1);
    marker += "installer-ran.txt";
    std::ofstream out(marker, std::ios::binary);
    out << "SetupNVL ran: " << GetCommandLineA() << "\r\n";
    return out ? 0 : 1;
}
