#include "platform/File.h"

#include "platform/Path.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace win {
namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600LL;

// File handles carry the descriptor, offset so that descriptor 0 is no null handle.
HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(fd) + 1);
}
int DescriptorOf(HANDLE handle) {
    return static_cast<int>(reinterpret_cast<LONG_PTR>(handle) - 1);
}
bool IsUsable(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// ENOENT means a missing file, or a missing path when the containing folder is missing too.
BOOL FailPath(const std::string& path, int errnoValue) {
    DWORD code = ErrorFromErrno(errnoValue);
    if (errnoValue == ENOENT && !IsDirectory(ParentOf(path))) code = ERROR_PATH_NOT_FOUND;
    SetLastError(code);
    return FALSE;
}

FILETIME ToFileTime(const timespec& time) {
    const std::uint64_t ticks = static_cast<std::uint64_t>(
        (time.tv_sec + kSecondsFrom1601To1970) * kTicksPerSecond + time.tv_nsec / 100);
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

std::int64_t Ticks(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                     time.dwLowDateTime);
}

FILETIME FromTicks(std::int64_t ticks) {
    const auto value = static_cast<std::uint64_t>(ticks);
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

timespec ToTimespec(const FILETIME& time) {
    const std::int64_t ticks = Ticks(time);
    return timespec{static_cast<time_t>(ticks / kTicksPerSecond - kSecondsFrom1601To1970),
                    static_cast<long>((ticks % kTicksPerSecond) * 100)};
}

DWORD AttributesOf(const std::string& name, const struct stat& info) {
    DWORD attributes = 0;
    if (S_ISDIR(info.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (!(info.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
    const std::size_t slash = name.find_last_of('/');
    const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    if (base.size() > 1 && base[0] == '.' && base != "..") attributes |= FILE_ATTRIBUTE_HIDDEN;
    if (attributes == 0)
        attributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    return attributes;
}

// The fields that the attribute record and the find record share, in the same order.
template <typename Record>
void FillAttributes(const std::string& name, const struct stat& info, Record* data) {
    data->dwFileAttributes = AttributesOf(name, info);
    data->ftCreationTime = ToFileTime(info.st_ctim);
    data->ftLastAccessTime = ToFileTime(info.st_atim);
    data->ftLastWriteTime = ToFileTime(info.st_mtim);
    const auto size = static_cast<std::uint64_t>(S_ISDIR(info.st_mode) ? 0 : info.st_size);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size);
}

void FillFindData(const std::string& name, const struct stat& info, WIN32_FIND_DATAA* data) {
    *data = WIN32_FIND_DATAA{};
    FillAttributes(name, info, data);
    std::strncpy(data->cFileName, name.c_str(), MAX_PATH - 1);
}

char Folded(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c;
}

bool WildcardMatch(const char* pattern, const char* name) {
    if (*pattern == '\0') return *name == '\0';
    if (*pattern == '*') {
        for (const char* rest = name;; ++rest) {
            if (WildcardMatch(pattern + 1, rest)) return true;
            if (*rest == '\0') return false;
        }
    }
    if (*name == '\0') return false;
    if (*pattern == '?' || Folded(*pattern) == Folded(*name)) return WildcardMatch(pattern + 1, name + 1);
    return false;
}

bool NameMatches(const std::string& pattern, const std::string& name) {
    if (pattern == "*.*" || pattern == "*") return true;
    // As on Windows, "*.ext" style patterns also match names without a dot when the pattern ends in ".*".
    if (pattern.size() > 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
        name.find('.') == std::string::npos &&
        WildcardMatch(pattern.substr(0, pattern.size() - 2).c_str(), name.c_str()))
        return true;
    return WildcardMatch(pattern.c_str(), name.c_str());
}

struct FindState {
    std::string folder;
    std::vector<std::string> names;
    std::size_t next = 0;
};

class FindHandles {
public:
    std::mutex mutex;
    std::map<std::uintptr_t, std::unique_ptr<FindState>> open;
    std::uintptr_t nextKey = 0x40000;
};

FindHandles& TheFindHandles() {
    static FindHandles handles;
    return handles;
}

bool NextMatch(FindState& state, WIN32_FIND_DATAA* data) {
    while (state.next < state.names.size()) {
        const std::string& name = state.names[state.next++];
        struct stat info {};
        if (::stat((state.folder + "/" + name).c_str(), &info) != 0) continue; // vanished meanwhile
        FillFindData(name, info, data);
        return true;
    }
    return false;
}

} // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
    if (fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string path = NativePath(fileName);
    int flags = O_CLOEXEC;
    const bool reading = access & GENERIC_READ;
    const bool writing = access & GENERIC_WRITE;
    flags |= reading && writing ? O_RDWR : writing ? O_WRONLY : O_RDONLY;
    switch (disposition) {
    case CREATE_NEW:
        flags |= O_CREAT | O_EXCL; // a link under the name is not followed either
        break;
    case CREATE_ALWAYS:
        flags |= O_CREAT | O_TRUNC;
        break;
    case OPEN_EXISTING:
        break;
    case OPEN_ALWAYS:
        flags |= O_CREAT;
        break;
    case TRUNCATE_EXISTING:
        flags |= O_TRUNC;
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (IsDirectory(path)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    const bool existed = ::access(path.c_str(), F_OK) == 0;
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        const int error = errno;
        if (error == EEXIST)
            SetLastError(ERROR_FILE_EXISTS);
        else
            FailPath(path, error);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS)
                     ? ERROR_ALREADY_EXISTS
                     : ERROR_SUCCESS);
    return HandleOf(fd);
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void*) {
    if (read != nullptr) *read = 0;
    if (!IsUsable(file)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ssize_t count;
    do {
        count = ::read(DescriptorOf(file), buffer, toRead);
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    if (read != nullptr) *read = static_cast<DWORD>(count);
    return TRUE;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, void*) {
    if (written != nullptr) *written = 0;
    if (!IsUsable(file)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const auto* bytes = static_cast<const char*>(buffer);
    DWORD done = 0;
    while (done < toWrite) {
        const ssize_t count = ::write(DescriptorOf(file), bytes + done, toWrite - done);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            if (written != nullptr) *written = done;
            SetLastError(count < 0 ? ErrorFromErrno(errno) : ERROR_DISK_FULL);
            return FALSE;
        }
        done += static_cast<DWORD>(count);
    }
    if (written != nullptr) *written = done;
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
    if (!IsUsable(file)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    const std::int64_t offset =
        distanceHigh ? (static_cast<std::int64_t>(*distanceHigh) << 32) | static_cast<std::uint32_t>(distance)
                     : distance;
    const int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
    const off_t position = ::lseek(DescriptorOf(file), offset, whence);
    if (position < 0) {
        SetLastError(errno == EINVAL ? ERROR_INVALID_PARAMETER : ErrorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh != nullptr)
        *distanceHigh = static_cast<LONG>(static_cast<std::uint64_t>(position) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(position);
}

BOOL SetEndOfFile(HANDLE file) {
    if (!IsUsable(file)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const off_t position = ::lseek(DescriptorOf(file), 0, SEEK_CUR);
    if (position < 0 || ::ftruncate(DescriptorOf(file), position) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

DWORD GetFileSize(HANDLE file, DWORD* sizeHigh) {
    struct stat info {};
    if (!IsUsable(file) || ::fstat(DescriptorOf(file), &info) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (sizeHigh != nullptr) *sizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size);
}

BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
    struct stat info {};
    if (!IsUsable(file) || ::fstat(DescriptorOf(file), &info) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (creation != nullptr) *creation = ToFileTime(info.st_ctim);
    if (lastAccess != nullptr) *lastAccess = ToFileTime(info.st_atim);
    if (lastWrite != nullptr) *lastWrite = ToFileTime(info.st_mtim);
    return TRUE;
}

BOOL SetFileTime(HANDLE file, const FILETIME*, const FILETIME* lastAccess, const FILETIME* lastWrite) {
    if (!IsUsable(file)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    timespec times[2] = {{0, UTIME_OMIT}, {0, UTIME_OMIT}};
    if (lastAccess != nullptr) times[0] = ToTimespec(*lastAccess);
    if (lastWrite != nullptr) times[1] = ToTimespec(*lastWrite);
    if (::futimens(DescriptorOf(file), times) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE file) {
    if (!IsUsable(file) || ::fsync(DescriptorOf(file)) != 0) {
        SetLastError(IsUsable(file) ? ErrorFromErrno(errno) : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL CloseHandle(HANDLE object) {
    if (!IsUsable(object) || ::close(DescriptorOf(object)) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileA(LPCSTR fileName) {
    const std::string path = NativePath(fileName ? fileName : "");
    if (IsDirectory(path)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (::unlink(path.c_str()) != 0) return FailPath(path, errno);
    return TRUE;
}

BOOL MoveFileA(LPCSTR existingName, LPCSTR newName) {
    const std::string from = NativePath(existingName ? existingName : "");
    const std::string to = NativePath(newName ? newName : "");
    struct stat info {};
    if (::lstat(to.c_str(), &info) == 0) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (::rename(from.c_str(), to.c_str()) != 0) return FailPath(from, errno);
    return TRUE;
}

BOOL MoveFileExA(LPCSTR existingName, LPCSTR newName, DWORD flags) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) return MoveFileA(existingName, newName);
    const std::string from = NativePath(existingName ? existingName : "");
    const std::string to = NativePath(newName ? newName : "");
    struct stat info {};
    if (::lstat(from.c_str(), &info) != 0) return FailPath(from, errno);
    // rename(2) would put a folder over an empty one; Windows replaces no folder.
    if (::lstat(to.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (::rename(from.c_str(), to.c_str()) != 0) {
        const int error = errno;
        if (error == EISDIR || error == ENOTEMPTY || error == EEXIST) {
            SetLastError(ERROR_ACCESS_DENIED); // a folder came meanwhile
            return FALSE;
        }
        return FailPath(to, error);
    }
    return TRUE;
}

BOOL CreateDirectoryA(LPCSTR pathName, void*) {
    const std::string path = NativePath(pathName ? pathName : "");
    if (::mkdir(path.c_str(), 0777) != 0) {
        if (errno == ENOENT) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return FALSE;
        }
        return FailPath(path, errno);
    }
    return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR pathName) {
    const std::string path = NativePath(pathName ? pathName : "");
    if (::rmdir(path.c_str()) != 0) return FailPath(path, errno);
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR fileName) {
    const std::string path = NativePath(fileName ? fileName : "");
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        FailPath(path, errno);
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesOf(path, info);
}

BOOL GetFileAttributesExA(LPCSTR fileName, GET_FILEEX_INFO_LEVELS level, void* information) {
    if (level != GetFileExInfoStandard || information == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string path = NativePath(fileName ? fileName : "");
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return FailPath(path, errno);
    FillAttributes(path, info, static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(information));
    return TRUE;
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    char path[4096];
    if (::getcwd(path, sizeof path) == nullptr) {
        SetLastError(ErrorFromErrno(errno));
        return 0;
    }
    const DWORD length = static_cast<DWORD>(std::strlen(path));
    if (buffer == nullptr || size <= length) return length + 1;
    std::memcpy(buffer, path, length + 1);
    return length;
}

BOOL SetCurrentDirectoryA(LPCSTR pathName) {
    const std::string path = NativePath(pathName ? pathName : "");
    if (::chdir(path.c_str()) != 0) {
        SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data) {
    const std::string path = NativePath(pattern ? pattern : "");
    const std::size_t slash = path.find_last_of('/');
    auto state = std::make_unique<FindState>();
    state->folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string namePattern = slash == std::string::npos ? path : path.substr(slash + 1);
    DIR* folder = ::opendir(state->folder.c_str());
    if (folder == nullptr) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    while (const dirent* entry = ::readdir(folder))
        if (NameMatches(namePattern, entry->d_name)) state->names.emplace_back(entry->d_name);
    ::closedir(folder);
    std::sort(state->names.begin(), state->names.end());
    if (!NextMatch(*state, data)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    FindHandles& handles = TheFindHandles();
    std::lock_guard lock(handles.mutex);
    const std::uintptr_t key = handles.nextKey++;
    handles.open.emplace(key, std::move(state));
    return reinterpret_cast<HANDLE>(key);
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) {
    FindHandles& handles = TheFindHandles();
    std::lock_guard lock(handles.mutex);
    const auto found = handles.open.find(reinterpret_cast<std::uintptr_t>(find));
    if (found == handles.open.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!NextMatch(*found->second, data)) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return TRUE;
}

BOOL FindClose(HANDLE find) {
    FindHandles& handles = TheFindHandles();
    std::lock_guard lock(handles.mutex);
    if (handles.open.erase(reinterpret_cast<std::uintptr_t>(find)) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localFileTime) {
    const time_t seconds = static_cast<time_t>(Ticks(*fileTime) / kTicksPerSecond - kSecondsFrom1601To1970);
    std::tm local{};
    localtime_r(&seconds, &local);
    *localFileTime =
        FromTicks(Ticks(*fileTime) + static_cast<std::int64_t>(local.tm_gmtoff) * kTicksPerSecond);
    return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, FILETIME* fileTime) {
    // The offset in force at the local time itself, found by converting back once.
    const std::int64_t localTicks = Ticks(*localFileTime);
    const time_t guess = static_cast<time_t>(localTicks / kTicksPerSecond - kSecondsFrom1601To1970);
    std::tm local{};
    localtime_r(&guess, &local);
    const time_t corrected = guess - local.tm_gmtoff;
    localtime_r(&corrected, &local);
    *fileTime = FromTicks(localTicks - static_cast<std::int64_t>(local.tm_gmtoff) * kTicksPerSecond);
    return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
    const std::int64_t ticks = Ticks(*fileTime);
    if (ticks < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const time_t seconds = static_cast<time_t>(ticks / kTicksPerSecond - kSecondsFrom1601To1970);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    *systemTime = SYSTEMTIME{
        static_cast<WORD>(utc.tm_year + 1900), static_cast<WORD>(utc.tm_mon + 1),
        static_cast<WORD>(utc.tm_wday),        static_cast<WORD>(utc.tm_mday),
        static_cast<WORD>(utc.tm_hour),        static_cast<WORD>(utc.tm_min),
        static_cast<WORD>(utc.tm_sec),         static_cast<WORD>((ticks % kTicksPerSecond) / 10000)};
    return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime) {
    const SYSTEMTIME& t = *systemTime;
    if (t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 || t.wDay > 31 || t.wHour > 23 || t.wMinute > 59 ||
        t.wSecond > 59 || t.wMilliseconds > 999) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::tm utc{};
    utc.tm_year = t.wYear - 1900;
    utc.tm_mon = t.wMonth - 1;
    utc.tm_mday = t.wDay;
    utc.tm_hour = t.wHour;
    utc.tm_min = t.wMinute;
    utc.tm_sec = t.wSecond;
    const time_t seconds = timegm(&utc);
    if (utc.tm_mday != t.wDay) { // 31 April and the like
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *fileTime = FromTicks((static_cast<std::int64_t>(seconds) + kSecondsFrom1601To1970) * kTicksPerSecond +
                          static_cast<std::int64_t>(t.wMilliseconds) * 10000);
    return TRUE;
}

} // namespace win
