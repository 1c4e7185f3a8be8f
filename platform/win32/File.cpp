// Files, folders and file times: the system's own.
#include "platform/File.h"

#include "platform/win32/Native.h"

namespace win {

static_assert(sizeof(FILETIME) == sizeof(::FILETIME));
static_assert(sizeof(WIN32_FILE_ATTRIBUTE_DATA) == sizeof(::WIN32_FILE_ATTRIBUTE_DATA));
static_assert(sizeof(WIN32_FIND_DATAA) == sizeof(::WIN32_FIND_DATAA));
static_assert(offsetof(WIN32_FIND_DATAA, cFileName) == offsetof(::WIN32_FIND_DATAA, cFileName));

HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, void* security, DWORD disposition,
                   DWORD flags, HANDLE templateFile) {
    return ::CreateFileA(fileName, access, shareMode, static_cast<::LPSECURITY_ATTRIBUTES>(security),
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
    return ::DeleteFileA(fileName);
}

BOOL MoveFileA(LPCSTR existingName, LPCSTR newName) {
    return ::MoveFileA(existingName, newName);
}

BOOL CreateDirectoryA(LPCSTR pathName, void* security) {
    return ::CreateDirectoryA(pathName, static_cast<::LPSECURITY_ATTRIBUTES>(security));
}

BOOL RemoveDirectoryA(LPCSTR pathName) {
    return ::RemoveDirectoryA(pathName);
}

DWORD GetFileAttributesA(LPCSTR fileName) {
    return ::GetFileAttributesA(fileName);
}

BOOL GetFileAttributesExA(LPCSTR fileName, GET_FILEEX_INFO_LEVELS level, void* information) {
    return ::GetFileAttributesExA(fileName, static_cast<::GET_FILEEX_INFO_LEVELS>(level), information);
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    return ::GetCurrentDirectoryA(size, buffer);
}

BOOL SetCurrentDirectoryA(LPCSTR pathName) {
    return ::SetCurrentDirectoryA(pathName);
}

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data) {
    return ::FindFirstFileA(pattern, native::As<::WIN32_FIND_DATAA>(data));
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) {
    return ::FindNextFileA(find, native::As<::WIN32_FIND_DATAA>(data));
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
