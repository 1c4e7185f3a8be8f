// The runtime's exceptions and its input/output error codes.
#pragma once

#include <stdexcept>
#include <string>

namespace rtl {

// The root of the runtime's exceptions: a message text.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const { return message_; }
    void SetMessage(std::string message) { message_ = std::move(message); }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// An input/output error with the runtime's code (2 file not found, 3 path not found, 5 access
// denied, 100 read beyond end of file, 101 disk full, 103 file not open, ...).
class EInOutError : public Exception {
public:
    EInOutError(std::string message, int errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
    // The runtime's own text for the code.
    explicit EInOutError(int errorCode);
    int ErrorCode;
};

class EOutOfMemory : public Exception {
public:
    EOutOfMemory() : Exception("Out of memory") {}
};

class EConvertError : public Exception {
    using Exception::Exception;
};

class EStreamError : public Exception {
    using Exception::Exception;
};

class EFileStreamError : public EStreamError {
public:
    EFileStreamError(std::string message, int errorCode)
        : EStreamError(std::move(message)), ErrorCode(errorCode) {}
    int ErrorCode; // the runtime's input/output code of the failure
};

// Raised when a file stream cannot open its file.
class EFOpenError : public EFileStreamError {
    using EFileStreamError::EFileStreamError;
};

// Raised when a file stream cannot create its file.
class EFCreateError : public EFileStreamError {
    using EFileStreamError::EFileStreamError;
};

class EReadError : public EStreamError {
    using EStreamError::EStreamError;
};

class EWriteError : public EStreamError {
    using EStreamError::EStreamError;
};

class EStringListError : public Exception {
    using Exception::Exception;
};

// The runtime's input/output codes that are not system error numbers.
inline constexpr int ioReadBeyondEnd = 100;
inline constexpr int ioDiskFull = 101;
inline constexpr int ioNotAssigned = 102;
inline constexpr int ioNotOpen = 103;
inline constexpr int ioNotOpenForInput = 104;
inline constexpr int ioNotOpenForOutput = 105;

// The runtime's text for an input/output code; "I/O error N" for a code it has no text for.
std::string InOutErrorText(int code);

// The runtime's input/output code for a platform error number.
int InOutErrorFromSystem(unsigned long systemError);

} // namespace rtl
