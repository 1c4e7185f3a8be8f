#include "rtl/StagedFile.h"

#include "platform/File.h"
#include "platform/Kernel.h"
#include "rtl/Exceptions.h"
#include "rtl/FileUtils.h"

#include <cstdio>
#include <random>

namespace rtl {
namespace {

constexpr std::string_view kPrefix = "~nvl";
constexpr std::string_view kSuffix = ".part";
constexpr int kHexDigits = 8;
// Names already taken are tried again with other random names, a bounded number of times.
constexpr int kAttempts = 16;

std::string RandomStagingName() {
    static std::mt19937 generator{std::random_device{}()};
    char digits[kHexDigits + 1];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(generator()));
    return std::string(kPrefix) + digits + std::string(kSuffix);
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

} // namespace

TStagedFile::TStagedFile(std::string fileName)
    : THandleStream(win::INVALID_HANDLE_VALUE), fileName_(std::move(fileName)) {
    // A folder under the name would refuse the rename only once the whole file has arrived.
    win::DWORD error = DirectoryExists(fileName_) ? win::ERROR_ACCESS_DENIED : win::ERROR_FILE_EXISTS;
    const std::string folder = ExtractFilePath(fileName_);
    for (int attempt = 0; attempt < kAttempts && error == win::ERROR_FILE_EXISTS; ++attempt) {
        stagingName_ = folder + RandomStagingName();
        handle_ = win::CreateFileA(stagingName_.c_str(), win::GENERIC_READ | win::GENERIC_WRITE, 0, nullptr,
                                   win::CREATE_NEW, win::FILE_ATTRIBUTE_NORMAL, nullptr);
        error = handle_ == win::INVALID_HANDLE_VALUE ? win::GetLastError() : win::ERROR_SUCCESS;
    }
    if (handle_ == win::INVALID_HANDLE_VALUE) {
        const int code = InOutErrorFromSystem(error);
        throw EFCreateError("Cannot create file \"" + fileName_ + "\". " + InOutErrorText(code), code);
    }
}

TStagedFile::~TStagedFile() {
    Discard();
}

void TStagedFile::Discard() {
    if (handle_ == win::INVALID_HANDLE_VALUE) return;
    win::CloseHandle(handle_);
    handle_ = win::INVALID_HANDLE_VALUE;
    win::DeleteFileA(stagingName_.c_str());
}

void TStagedFile::Commit() {
    if (handle_ == win::INVALID_HANDLE_VALUE) return;
    win::CloseHandle(handle_);
    handle_ = win::INVALID_HANDLE_VALUE;
    if (win::MoveFileExA(stagingName_.c_str(), fileName_.c_str(), win::MOVEFILE_REPLACE_EXISTING)) return;
    const int code = InOutErrorFromSystem(win::GetLastError());
    win::DeleteFileA(stagingName_.c_str());
    throw EInOutError("Cannot replace file \"" + fileName_ + "\". " + InOutErrorText(code), code);
}

bool TStagedFile::IsStagingName(std::string_view name) {
    if (name.size() != kPrefix.size() + kHexDigits + kSuffix.size() || !name.starts_with(kPrefix) ||
        !name.ends_with(kSuffix))
        return false;
    const std::string_view digits = name.substr(kPrefix.size(), kHexDigits);
    for (const char c : digits)
        if (!IsHexDigit(c)) return false;
    return true;
}

int TStagedFile::RemoveLeftovers(const std::string& folder) {
    const std::string path = IncludeTrailingPathDelimiter(folder);
    win::WIN32_FIND_DATAA found{};
    const win::HANDLE find =
        win::FindFirstFileA((path + std::string(kPrefix) + "*" + std::string(kSuffix)).c_str(), &found);
    if (find == win::INVALID_HANDLE_VALUE) return 0;
    int removed = 0;
    do {
        if (IsStagingName(found.cFileName) && !(found.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY) &&
            win::DeleteFileA((path + found.cFileName).c_str()))
            ++removed;
    } while (win::FindNextFileA(find, &found));
    win::FindClose(find);
    return removed;
}

} // namespace rtl
