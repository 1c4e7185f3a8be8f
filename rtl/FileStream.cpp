#include "rtl/FileStream.h"

#include "platform/File.h"
#include "platform/Kernel.h"
#include "rtl/Exceptions.h"

#include <algorithm>
#include <cstring>

namespace rtl {

std::int64_t TStream::Size() {
    const std::int64_t position = Position();
    const std::int64_t size = Seek(0, TSeekOrigin::soEnd);
    SetPosition(position);
    return size;
}

void TStream::ReadBuffer(void* buffer, std::int32_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int32_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    char buffer[61440];
    std::int64_t copied = 0;
    while (copied < count) {
        const auto chunk = static_cast<std::int32_t>(std::min<std::int64_t>(count - copied, sizeof buffer));
        source.ReadBuffer(buffer, chunk);
        WriteBuffer(buffer, chunk);
        copied += chunk;
    }
    return copied;
}

std::int32_t THandleStream::Read(void* buffer, std::int32_t count) {
    win::DWORD done = 0;
    if (count <= 0 || !win::ReadFile(handle_, buffer, static_cast<win::DWORD>(count), &done, nullptr))
        return 0;
    return static_cast<std::int32_t>(done);
}

std::int32_t THandleStream::Write(const void* buffer, std::int32_t count) {
    win::DWORD done = 0;
    if (count <= 0) return 0;
    win::WriteFile(handle_, buffer, static_cast<win::DWORD>(count), &done, nullptr);
    return static_cast<std::int32_t>(done);
}

std::int64_t THandleStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    win::LONG high = static_cast<win::LONG>(offset >> 32);
    const win::DWORD method = origin == TSeekOrigin::soBeginning ? win::FILE_BEGIN
                              : origin == TSeekOrigin::soCurrent ? win::FILE_CURRENT
                                                                 : win::FILE_END;
    const win::DWORD low =
        win::SetFilePointer(handle_, static_cast<win::LONG>(offset & 0xFFFFFFFF), &high, method);
    if (low == win::INVALID_SET_FILE_POINTER && win::GetLastError() != win::ERROR_SUCCESS) return -1;
    return (static_cast<std::int64_t>(high) << 32) | low;
}

void THandleStream::SetSize(std::int64_t size) {
    SetPosition(size);
    if (!win::SetEndOfFile(handle_)) throw EWriteError("Stream write error");
}

TFileStream::TFileStream(const std::string& fileName, std::uint16_t mode)
    : THandleStream(win::INVALID_HANDLE_VALUE), fileName_(fileName) {
    if (mode == fmCreate || (mode & 0xFF00) == fmCreate) {
        handle_ = win::CreateFileA(fileName.c_str(), win::GENERIC_READ | win::GENERIC_WRITE, 0, nullptr,
                                   win::CREATE_ALWAYS, win::FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ == win::INVALID_HANDLE_VALUE) {
            const int code = InOutErrorFromSystem(win::GetLastError());
            throw EFCreateError("Cannot create file \"" + fileName + "\". " + InOutErrorText(code), code);
        }
        return;
    }
    static const win::DWORD kAccess[] = {win::GENERIC_READ, win::GENERIC_WRITE,
                                         win::GENERIC_READ | win::GENERIC_WRITE};
    const win::DWORD access = kAccess[std::min<std::uint16_t>(mode & 3, 2)];
    handle_ = win::CreateFileA(fileName.c_str(), access, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                               nullptr, win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == win::INVALID_HANDLE_VALUE) {
        const int code = InOutErrorFromSystem(win::GetLastError());
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + InOutErrorText(code), code);
    }
}

TFileStream::~TFileStream() {
    if (handle_ != win::INVALID_HANDLE_VALUE) win::CloseHandle(handle_);
}

std::int32_t TMemoryStream::Read(void* buffer, std::int32_t count) {
    if (count <= 0 || position_ >= memory_.size()) return 0;
    const std::size_t n = std::min(static_cast<std::size_t>(count), memory_.size() - position_);
    std::memcpy(buffer, memory_.data() + position_, n);
    position_ += n;
    return static_cast<std::int32_t>(n);
}

std::int32_t TMemoryStream::Write(const void* buffer, std::int32_t count) {
    if (count <= 0) return 0;
    const std::size_t n = static_cast<std::size_t>(count);
    if (position_ + n > memory_.size()) memory_.resize(position_ + n);
    std::memcpy(memory_.data() + position_, buffer, n);
    position_ += n;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    const std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                              : origin == TSeekOrigin::soCurrent ? static_cast<std::int64_t>(position_)
                                                                 : static_cast<std::int64_t>(memory_.size());
    position_ = static_cast<std::size_t>(std::max<std::int64_t>(0, base + offset));
    return static_cast<std::int64_t>(position_);
}

void TMemoryStream::SetSize(std::int64_t size) {
    memory_.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, size)));
    position_ = std::min(position_, memory_.size());
}

void TMemoryStream::Clear() {
    memory_.clear();
    position_ = 0;
}

} // namespace rtl
