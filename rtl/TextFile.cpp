#include "rtl/TextFile.h"

#include "platform/File.h"
#include "platform/Kernel.h"
#include "rtl/Exceptions.h"

#include <algorithm>
#include <cstring>

namespace rtl {
namespace {

int LastIoError() {
    return InOutErrorFromSystem(win::GetLastError());
}

} // namespace

TTextFile::TTextFile(std::string fileName)
    : fileName_(std::move(fileName)), handle_(win::INVALID_HANDLE_VALUE) {}

TTextFile::~TTextFile() {
    Close();
}

void TTextFile::Assign(std::string fileName) {
    Close();
    fileName_ = std::move(fileName);
}

void TTextFile::SetBufferSize(std::size_t size) {
    if (mode_ == Mode::Closed) bufferSize_ = std::max<std::size_t>(size, 1);
}

int TTextFile::Open(Mode mode, win::DWORD access, win::DWORD disposition, bool toEnd) {
    if (mode_ != Mode::Closed) {
        if (const int code = Close(); code != 0) return code;
    }
    if (fileName_.empty()) return ioNotAssigned;
    handle_ = win::CreateFileA(fileName_.c_str(), access, win::FILE_SHARE_READ, nullptr, disposition,
                               win::FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == win::INVALID_HANDLE_VALUE) return LastIoError();
    if (toEnd && win::SetFilePointer(handle_, 0, nullptr, win::FILE_END) == win::INVALID_SET_FILE_POINTER &&
        win::GetLastError() != win::ERROR_SUCCESS) {
        const int code = LastIoError();
        win::CloseHandle(handle_);
        handle_ = win::INVALID_HANDLE_VALUE;
        return code;
    }
    mode_ = mode;
    buffer_.clear();
    buffer_.reserve(bufferSize_);
    bufferPosition_ = bufferEnd_ = 0;
    return 0;
}

int TTextFile::Rewrite() {
    return Open(Mode::Output, win::GENERIC_WRITE, win::CREATE_ALWAYS, false);
}
int TTextFile::Append() {
    return Open(Mode::Output, win::GENERIC_WRITE, win::OPEN_EXISTING, true);
}
int TTextFile::Reset() {
    return Open(Mode::Input, win::GENERIC_READ, win::OPEN_EXISTING, false);
}

int TTextFile::Flush() {
    if (buffer_.empty()) return 0;
    const std::size_t size = buffer_.size();
    win::DWORD written = 0;
    const bool ok = win::WriteFile(handle_, buffer_.data(), static_cast<win::DWORD>(size), &written, nullptr);
    const int code = ok ? 0 : LastIoError();
    buffer_.clear();
    if (code != 0) return code;
    return written == size ? 0 : ioDiskFull;
}

int TTextFile::Close() {
    if (mode_ == Mode::Closed) return 0;
    int code = mode_ == Mode::Output ? Flush() : 0;
    if (!win::CloseHandle(handle_) && code == 0) code = LastIoError();
    handle_ = win::INVALID_HANDLE_VALUE;
    mode_ = Mode::Closed;
    return code;
}

int TTextFile::Write(std::string_view text) {
    if (mode_ == Mode::Closed) return ioNotOpen;
    if (mode_ != Mode::Output) return ioNotOpenForOutput;
    while (!text.empty()) {
        const std::size_t room = bufferSize_ - buffer_.size();
        const std::size_t n = std::min(room, text.size());
        buffer_.insert(buffer_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
        text.remove_prefix(n);
        if (buffer_.size() == bufferSize_) {
            if (const int code = Flush(); code != 0) return code;
        }
    }
    return 0;
}

int TTextFile::WriteLn(std::string_view text) {
    if (const int code = Write(text); code != 0) return code;
    return Write("\r\n");
}

int TTextFile::Fill() {
    buffer_.resize(bufferSize_);
    win::DWORD read = 0;
    if (!win::ReadFile(handle_, buffer_.data(), static_cast<win::DWORD>(bufferSize_), &read, nullptr)) {
        bufferPosition_ = bufferEnd_ = 0;
        return LastIoError();
    }
    bufferPosition_ = 0;
    bufferEnd_ = read;
    return 0;
}

int TTextFile::ReadLn(std::string& line) {
    line.clear();
    if (mode_ == Mode::Closed) return ioNotOpen;
    if (mode_ != Mode::Input) return ioNotOpenForInput;
    for (;;) {
        if (bufferPosition_ == bufferEnd_) {
            if (const int code = Fill(); code != 0) return code;
            if (bufferEnd_ == 0) return 0;
        }
        const char c = buffer_[bufferPosition_++];
        if (c == '\n') return 0;
        if (c == '\r') {
            if (bufferPosition_ == bufferEnd_ && Fill() != 0) return 0;
            if (bufferPosition_ < bufferEnd_ && buffer_[bufferPosition_] == '\n') ++bufferPosition_;
            return 0;
        }
        line += c;
    }
}

bool TTextFile::Eof() {
    if (mode_ != Mode::Input) return true;
    if (bufferPosition_ == bufferEnd_ && Fill() != 0) return true;
    return bufferPosition_ == bufferEnd_;
}

void CheckIo(int code) {
    if (code != 0) throw EInOutError(code);
}

} // namespace rtl
