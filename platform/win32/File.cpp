// Files, folders and file times: the system's own, reached through the wide calls with paths
// converted from the program's code page.
#include "platform/File.h"

#include "platform/win32/Native.h"
#include "platform/win32/WidePath.h"

#include <string>

namespace win {

static_assert(sizeof(FILETIME) == sizeof(::FILETIME));
static_assert(sizeof(WIN32_FILE_ATTRIBUTE_DATA) == sizeof(::WIN32_FILE_ATTRIBUTE_DATA));
static_assert(sizeof(WIN32_FIND_DATAA) == sizeof(::WIN32_FIND_DATAA));
static_assert(offsetof(WIN32_FIND_DATAA, cFileName) == offsetof(::WIN32_FIND_DATAA, cFileName));

namespace {

using native::WidePath;

// The system's record with its names in the program's code page; a name too long for the record
// is cut at a character boundary, as the fixed record forces.
void FromWide(const ::WIN32_FIND_DATAW& wide, WIN32_FIND_DATAA* data) {
    *data = WIN32_FIND_DATAA{};
    data->dwFileAttributes = wide.dwFileAttributes;
    data->ftCreationTime = *native::As<FILETIME>(&wide.ftCreationTime);
    data->ftLastAccessTime = *native::As<FILETIME>(&wide.ftLastAccessTime);
    data->ftLastWriteTime = *native::As<FILETIME>(&wide.ftLastWriteTime);
    data->nFileSizeHigh = wide.nFileSizeHigh;
    data->nFileSizeLow = wide.nFileSizeLow;
    data->dwReserved0 = wide.dwReserved0;
    data->dwReserved1 = wide.dwReserved1;
    native::CopyPathPrefix(native::ProgramPath(wide.cFileName), data->cFileName, sizeof data->cFileName);
    native::CopyPathPrefix(native::ProgramPath(wide.cAlternateFileName), data->cAlternateFileName,
                           sizeof data->cAlternateFileName);
}

} // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, void* security, DWORD disposition,
                   DWORD flags, HANDLE templateFile) {
    const auto path = WidePath(fileName);
    if (!path) return INVALID_HANDLE_VALUE;
    return ::CreateFileW(path->c_str(), access, shareMode, static_cast<::LPSECURITY_ATTRIBUTES>(security),
                         disposition, flags, templateFile);
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped) {
    return ::ReadFile(file, buffer, toRead, native::As<::DWORD>(read),
                      static_cast<::LPOVERLAPPED>(overlapped));
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, void* overlapped) {
    return ::WriteFile(file, buffer, toWrite, native::As<::DWORD>(written),
                       static_cast<::LPOVERLAPPED>(overlapped));
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
    return ::SetFilePointer(file, distance, native::As<::LONG>(distanceHigh), method);
}

BOOL SetEndOfFile(HANDLE file) {
    return ::SetEndOfFile(file);
}

DWORD GetFileSize(HANDLE file, DWORD* sizeHigh) {
    return ::GetFileSize(file, native::As<::DWORD>(sizeHigh));
}

BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
    return ::GetFileTime(file, native::As<::FILETIME>(creation), native::As<::FILETIME>(lastAccess),
                         native::As<::FILETIME>(lastWrite));
}

BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* lastAccess,
                 const FILETIME* lastWrite) {
    return ::SetFileTime(file, native::As<::FILETIME>(creation), native::As<::FILETIME>(lastAccess),
                         native::As<::FILETIME>(lastWrite));
}

BOOL FlushFileBuffers(HANDLE file) {
    return ::FlushFileBuffers(file);
}

BOOL CloseHandle(HANDLE object) {
    return ::CloseHandle(object);
}

BOOL DeleteFileA(LPCSTR fileName) {
    const auto path = WidePath(fileName);
    return path && ::DeleteFileW(path->c_str());
}

BOOL MoveFileA(LPCSTR existingName, LPCSTR newName) {
    const auto from = WidePath(existingName);
    const auto to = from ? WidePath(newName) : std::nullopt;
    return to && ::MoveFileW(from->c_str(), to->c_str());
}

BOOL MoveFileExA(LPCSTR existingName, LPCSTR newName, DWORD flags) {
    const auto from = WidePath(existingName);
    const auto to = from ? WidePath(newName) : std::nullopt;
    return to && ::MoveFileExW(from->c_str(), to->c_str(), flags);
}

BOOL CreateDirectoryA(LPCSTR pathName, void* security) {
    const auto path = WidePath(pathName);
    return path && ::CreateDirectoryW(path->c_str(), static_cast<::LPSECURITY_ATTRIBUTES>(security));
}

BOOL RemoveDirectoryA(LPCSTR pathName) {
    const auto path = WidePath(pathName);
    return path && ::RemoveDirectoryW(path->c_str());
}

DWORD GetFileAttributesA(LPCSTR fileName) {
    const auto path = WidePath(fileName);
    return path ? ::GetFileAttributesW(path->c_str()) : INVALID_FILE_ATTRIBUTES;
}

BOOL GetFileAttributesExA(LPCSTR fileName, GET_FILEEX_INFO_LEVELS level, void* information) {
    const auto path = WidePath(fileName);
    return path &&
           ::GetFileAttributesExW(path->c_str(), static_cast<::GET_FILEEX_INFO_LEVELS>(level), information);
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    std::wstring wide(MAX_PATH, L'\0');
    for (;;) {
        const ::DWORD length = ::GetCurrentDirectoryW(static_cast<::DWORD>(wide.size()), wide.data());
        if (length == 0) return 0;
        if (length < wide.size())
            return native::CopyPath(native::ProgramPath({wide.data(), length}), buffer, size);
        wide.resize(length); // the size it needs, terminator included; it may have changed meanwhile
    }
}

BOOL SetCurrentDirectoryA(LPCSTR pathName) {
    const auto path = WidePath(pathName);
    return path && ::SetCurrentDirectoryW(path->c_str());
}

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data) {
    const auto path = WidePath(pattern);
    if (!path) return INVALID_HANDLE_VALUE;
    ::WIN32_FIND_DATAW wide{};
    const ::HANDLE find = ::FindFirstFileW(path->c_str(), &wide);
    if (find != INVALID_HANDLE_VALUE) FromWide(wide, data);
    return find;
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) {
    ::WIN32_FIND_DATAW wide{};
    if (!::FindNextFileW(find, &wide)) return FALSE;
    FromWide(wide, data);
    return TRUE;
}

BOOL FindClose(HANDLE find) {
    return ::FindClose(find);
}

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localFileTime) {
    return ::FileTimeToLocalFileTime(native::As<::FILETIME>(fileTime), native::As<::FILETIME>(localFileTime));
}

BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, FILETIME* fileTime) {
    return ::LocalFileTimeToFileTime(native::As<::FILETIME>(localFileTime), native::As<::FILETIME>(fileTime));
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
    return ::FileTimeToSystemTime(native::As<::FILETIME>(fileTime), native::As<::SYSTEMTIME>(systemTime));
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime) {
    return ::SystemTimeToFileTime(native::As<::SYSTEMTIME>(systemTime), native::As<::FILETIME>(fileTime));
}

} // namespace win
