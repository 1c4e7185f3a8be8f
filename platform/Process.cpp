#include "platform/Process.h"

#include "platform/Path.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace win {
namespace {

std::mutex commandLineMutex;

std::vector<std::string>& Arguments() {
    static std::vector<std::string> arguments = [] {
        std::vector<std::string> read;
        std::ifstream file("/proc/self/cmdline", std::ios::binary);
        std::string item;
        while (std::getline(file, item, '\0'))
            read.push_back(item);
        return read;
    }();
    return arguments;
}

std::string& JoinedCommandLine() {
    static std::string joined;
    return joined;
}

// Splits a command line by blanks, honouring double quotes, as Windows programs do.
std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> parts;
    std::string current;
    bool quoted = false, inPart = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inPart = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inPart) parts.push_back(current);
            current.clear();
            inPart = false;
        } else {
            current += c;
            inPart = true;
        }
    }
    if (inPart) parts.push_back(current);
    return parts;
}

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool HasExtension(const std::string& name) {
    const std::size_t slash = name.find_last_of('/');
    return name.find('.', slash == std::string::npos ? 0 : slash + 1) != std::string::npos;
}

std::string FindInPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = folders.substr(start, end - start);
        const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
        if (IsRegularFile(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

// The file that a program name stands for, or empty when there is none.
std::string LocateProgram(const std::string& name) {
    std::vector<std::string> names;
    if (!HasExtension(name)) names.push_back(name + ".exe");
    names.push_back(name);
    for (const std::string& candidate : names) {
        if (candidate.find('/') != std::string::npos) {
            if (IsRegularFile(candidate)) return candidate;
            continue;
        }
        if (IsRegularFile("./" + candidate)) return "./" + candidate;
        if (std::string found = FindInPath(candidate); !found.empty()) return found;
    }
    return {};
}

bool StartsWithMZ(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    char magic[2] = {};
    return file.read(magic, 2) && magic[0] == 'M' && magic[1] == 'Z';
}

// Starts the program in a new session without waiting; errno of a failed exec is reported back
// through a pipe that closes on a successful exec.
int SpawnDetached(const std::vector<std::string>& argv) {
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return errno;
    const pid_t child = ::fork();
    if (child < 0) {
        const int error = errno;
        ::close(report[0]);
        ::close(report[1]);
        return error;
    }
    if (child == 0) {
        ::close(report[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        const int error = errno;
        [[maybe_unused]] const ssize_t ignored = ::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(report[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    int error = 0;
    const ssize_t got = ::read(report[0], &error, sizeof error);
    ::close(report[0]);
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0) return EAGAIN;
    return got == static_cast<ssize_t>(sizeof error) ? error : 0;
}

} // namespace

const std::vector<std::string>& CommandLineArguments() {
    std::lock_guard lock(commandLineMutex);
    return Arguments();
}

void SetCommandLineArguments(std::vector<std::string> arguments) {
    std::lock_guard lock(commandLineMutex);
    Arguments() = std::move(arguments);
    JoinedCommandLine().clear();
}

LPCSTR GetCommandLineA() {
    std::lock_guard lock(commandLineMutex);
    std::string& joined = JoinedCommandLine();
    if (joined.empty()) joined = JoinCommandLine(Arguments());
    return joined.c_str();
}

UINT WinExec(LPCSTR commandLine, UINT) {
    if (commandLine == nullptr) return ERROR_FILE_NOT_FOUND;
    std::vector<std::string> parts = SplitCommandLine(commandLine);
    if (parts.empty()) return ERROR_FILE_NOT_FOUND;
    const std::string name = NativePath(parts[0]);
    const std::string program = LocateProgram(name);
    if (program.empty()) {
        const std::size_t slash = name.find_last_of('/');
        if (slash != std::string::npos && ::access(name.substr(0, slash == 0 ? 1 : slash).c_str(), F_OK) != 0)
            return ERROR_PATH_NOT_FOUND;
        return ERROR_FILE_NOT_FOUND;
    }
    std::vector<std::string> argv;
    if (StartsWithMZ(program)) {
        const std::string wine = FindInPath("wine");
        if (wine.empty()) return ERROR_BAD_FORMAT;
        argv = {wine, program};
    } else {
        struct stat info {};
        if (::stat(program.c_str(), &info) == 0 && !(info.st_mode & S_IXUSR))
            ::chmod(program.c_str(), info.st_mode | S_IXUSR); // downloaded files come without it
        argv = {program};
    }
    argv.insert(argv.end(), parts.begin() + 1, parts.end());
    switch (SpawnDetached(argv)) {
    case 0:
        return 33;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOEXEC:
    case EACCES:
        return ERROR_BAD_FORMAT;
    default:
        return 0;
    }
}

} // namespace win
