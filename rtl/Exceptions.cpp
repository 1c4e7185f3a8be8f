#include "rtl/Exceptions.h"

#include "platform/WinTypes.h"

namespace rtl {

EInOutError::EInOutError(int errorCode) : Exception(InOutErrorText(errorCode)), ErrorCode(errorCode) {}

std::string InOutErrorText(int code) {
    switch (code) {
    case 2:
        return "File not found";
    case 3:
        return "Path not found";
    case 4:
        return "Too many open files";
    case 5:
        return "File access denied";
    case 6:
        return "Invalid file handle";
    case 8:
        return "Insufficient memory";
    case 15:
        return "Invalid drive";
    case 18:
        return "No more files";
    case 32:
        return "File is in use by another process";
    case 100:
        return "Attempt to read beyond end of file";
    case 101:
        return "Disk is full";
    case 102:
        return "File/device not assigned";
    case 103:
        return "File/device not open";
    case 104:
        return "File/device not open for input";
    case 105:
        return "File/device not open for output";
    case 150:
        return "Disk is write-protected";
    case 151:
        return "Unknown disk unit";
    case 152:
        return "Drive is not ready";
    case 153:
        return "Unknown command";
    case 154:
        return "Data error";
    case 155:
        return "Bad request structure length";
    case 156:
        return "Seek error";
    case 157:
        return "Unknown media type";
    case 158:
        return "Disk sector not found";
    case 159:
        return "Printer is out of paper";
    case 160:
        return "Device write error";
    case 161:
        return "Device read error";
    case 162:
        return "General failure";
    default:
        return "I/O error " + std::to_string(code);
    }
}

int InOutErrorFromSystem(unsigned long systemError) {
    switch (systemError) {
    case win::ERROR_DISK_FULL:
        return ioDiskFull;
    case win::ERROR_HANDLE_EOF:
        return ioReadBeyondEnd;
    case win::ERROR_WRITE_PROTECT:
        return 150;
    case win::ERROR_INVALID_FUNCTION:
        return 162;
    default:
        return static_cast<int>(systemError);
    }
}

} // namespace rtl
