#include "rtl/FileUtils.h"

#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Process.h"

namespace rtl {
namespace {

std::size_t LastSeparator(const std::string& name) {
    return name.find_last_of("\\/:");
}

} // namespace

bool FileExists(const std::string& name) {
    const win::DWORD attributes = win::GetFileAttributesA(name.c_str());
    return attributes != win::INVALID_FILE_ATTRIBUTES && !(attributes & win::FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& name) {
    const win::DWORD attributes = win::GetFileAttributesA(name.c_str());
    return attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & win::FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(const std::string& name) {
    return win::CreateDirectoryA(name.c_str(), nullptr) != 0;
}

bool ForceDirectories(const std::string& name) {
    // On the native path, so that the folder standing for a drive is made too when it is missing.
    std::string folder = win::NativePath(name);
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (folder.empty() || DirectoryExists(folder)) return !folder.empty();
    const std::size_t separator = folder.find_last_of('/');
    if (separator != std::string::npos && separator > 0 && !ForceDirectories(folder.substr(0, separator)))
        return false;
    return CreateDir(folder) || DirectoryExists(folder);
}

bool DeleteFile(const std::string& name) {
    return win::DeleteFileA(name.c_str()) != 0;
}

bool RenameFile(const std::string& oldName, const std::string& newName) {
    return win::MoveFileA(oldName.c_str(), newName.c_str()) != 0;
}

bool SetCurrentDir(const std::string& name) {
    return win::SetCurrentDirectoryA(name.c_str()) != 0;
}

std::string GetCurrentDir() {
    const win::DWORD size = win::GetCurrentDirectoryA(0, nullptr);
    std::string folder(size, '\0');
    const win::DWORD length = win::GetCurrentDirectoryA(size, folder.data());
    folder.resize(length);
    return folder;
}

bool FileAge(const std::string& name, TDateTime& age) {
    win::WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!win::GetFileAttributesExA(name.c_str(), win::GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY))
        return false;
    win::FILETIME local{};
    win::SYSTEMTIME time{};
    win::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    if (!win::FileTimeToSystemTime(&local, &time)) return false;
    age = SystemTimeToDateTime(time);
    return true;
}

std::string ExtractFilePath(const std::string& name) {
    const std::size_t separator = LastSeparator(name);
    return separator == std::string::npos ? std::string() : name.substr(0, separator + 1);
}

std::string ExtractFileName(const std::string& name) {
    const std::size_t separator = LastSeparator(name);
    return separator == std::string::npos ? name : name.substr(separator + 1);
}

std::string ExtractFileExt(const std::string& name) {
    const std::size_t dot = name.find_last_of(".\\/:");
    return dot != std::string::npos && name[dot] == '.' ? name.substr(dot) : std::string();
}

std::string IncludeTrailingPathDelimiter(const std::string& name) {
    if (!name.empty() && (name.back() == '/' || name.back() == '\\')) return name;
    return name + '/';
}

int ParamCount() {
    return static_cast<int>(win::CommandLineArguments().size()) - 1;
}

std::string ParamStr(int index) {
    const auto& arguments = win::CommandLineArguments();
    return index >= 0 && static_cast<std::size_t>(index) < arguments.size()
               ? arguments[static_cast<std::size_t>(index)]
               : std::string();
}

} // namespace rtl
