#include "platform/SystemMessages.h"

#include <algorithm>
#include <iterator>

namespace win::detail {
namespace {

struct SystemMessage {
    DWORD id;
    const char* text;
};

// Sorted by id.
constexpr SystemMessage kMessages[] = {
    {0, "The operation completed successfully.\r\n"},
    {1, "Incorrect function.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {4, "The system cannot open the file.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {11, "An attempt was made to load a program with an incorrect format.\r\n"},
    {13, "The data is invalid.\r\n"},
    {14, "Not enough memory resources are available to complete this operation.\r\n"},
    {15, "The system cannot find the drive specified.\r\n"},
    {18, "There are no more files.\r\n"},
    {19, "The media is write protected.\r\n"},
    {21, "The device is not ready.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    {38, "Reached the end of the file.\r\n"},
    {80, "The file exists.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {112, "There is not enough space on the disk.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {126, "The specified module could not be found.\r\n"},
    {127, "The specified procedure could not be found.\r\n"},
    {145, "The directory is not empty.\r\n"},
    {161, "The specified path is invalid.\r\n"},
    {183, "Cannot create a file when that file already exists.\r\n"},
    {206, "The filename or extension is too long.\r\n"},
    {317, "The system cannot find message text for message number 0x%1 in the message file for %2.\r\n"},
    {1113, "No mapping for the Unicode character exists in the target multi-byte code page.\r\n"},
    {1400, "Invalid window handle.\r\n"},
    {1402, "Invalid timer handle.\r\n"},
    {1407, "Cannot find window class.\r\n"},
    {1410, "Class already exists.\r\n"},
    {1411, "Class does not exist.\r\n"},
    {1412, "Class still has open windows.\r\n"},
    {1812, "The specified image file did not contain a resource section.\r\n"},
    {1813, "The specified resource type cannot be found in the image file.\r\n"},
    {1814, "The specified resource name cannot be found in the image file.\r\n"},
    {10004, "A blocking operation was interrupted by a call to WSACancelBlockingCall.\r\n"},
    {10009, "The file handle supplied is not valid.\r\n"},
    {10013, "An attempt was made to access a socket in a way forbidden by its access\r\npermissions.\r\n"},
    {10014, "The system detected an invalid pointer address in attempting to use a pointer\r\n"
            "argument in a call.\r\n"},
    {10022, "An invalid argument was supplied.\r\n"},
    {10024, "Too many open sockets.\r\n"},
    {10035, "A non-blocking socket operation could not be completed immediately.\r\n"},
    {10036, "A blocking operation is currently executing.\r\n"},
    {10037, "An operation was attempted on a non-blocking socket that already had an operation\r\n"
            "in progress.\r\n"},
    {10038, "An operation was attempted on something that is not a socket.\r\n"},
    {10039, "A required address was omitted from an operation on a socket.\r\n"},
    {10040, "A message sent on a datagram socket was larger than the internal message buffer\r\n"
            "or some other network limit.\r\n"},
    {10041, "A protocol was specified in the socket function call that does not support the\r\n"
            "semantics of the socket type requested.\r\n"},
    {10042, "An unknown, invalid, or unsupported option or level was specified in a\r\n"
            "getsockopt or setsockopt call.\r\n"},
    {10043, "The requested protocol has not been configured into the system.\r\n"},
    {10044, "The support for the specified socket type does not exist in this address family.\r\n"},
    {10045, "The attempted operation is not supported for the type of object referenced.\r\n"},
    {10046, "The protocol family has not been configured into the system.\r\n"},
    {10047, "An address incompatible with the requested protocol was used.\r\n"},
    {10048, "Only one usage of each socket address (protocol/network address/port) is\r\n"
            "normally permitted.\r\n"},
    {10049, "The requested address is not valid in its context.\r\n"},
    {10050, "A socket operation encountered a dead network.\r\n"},
    {10051, "A socket operation was attempted to an unreachable network.\r\n"},
    {10052, "The connection has been broken due to keep-alive activity detecting a failure.\r\n"},
    {10053, "An established connection was aborted by the software in your host machine.\r\n"},
    {10054, "An existing connection was forcibly closed by the remote host.\r\n"},
    {10055, "An operation on a socket could not be performed because the system lacked\r\n"
            "sufficient buffer space or because a queue was full.\r\n"},
    {10056, "A connect request was made on an already connected socket.\r\n"},
    {10057, "A request to send or receive data was disallowed because the socket is not\r\n"
            "connected.\r\n"},
    {10058, "A request to send or receive data was disallowed because the socket had already\r\n"
            "been shut down.\r\n"},
    {10059, "Too many references to some kernel object.\r\n"},
    {10060, "A connection attempt failed because the connected party did not properly respond\r\n"
            "after a period of time.\r\n"},
    {10061, "No connection could be made because the target machine actively refused it.\r\n"},
    {10062, "Cannot translate name.\r\n"},
    {10063, "Name component or name was too long.\r\n"},
    {10064, "A socket operation failed because the destination host was down.\r\n"},
    {10065, "A socket operation was attempted to an unreachable host.\r\n"},
    {10066, "Cannot remove a directory that is not empty.\r\n"},
    {10067, "A Windows Sockets implementation may have a limit on the number of applications\r\n"
            "that may use it simultaneously.\r\n"},
    {10068, "Ran out of quota.\r\n"},
    {10069, "Ran out of disk quota.\r\n"},
    {10070, "File handle reference is no longer available.\r\n"},
    {10071, "Item is not available locally.\r\n"},
    {10091, "WSAStartup cannot function at this time because the underlying system it uses to\r\n"
            "provide network services is currently unavailable.\r\n"},
    {10092, "The Windows Sockets version requested is not supported.\r\n"},
    {10093, "Either the application has not called WSAStartup, or WSAStartup failed.\r\n"},
    {10101, "Returned by WSARecv or WSARecvFrom to indicate the remote party has initiated a\r\n"
            "graceful shutdown sequence.\r\n"},
    {11001, "No such host is known.\r\n"},
    {11002, "This is usually a temporary error during hostname resolution and means that the\r\n"
            "local server did not receive a response from an authoritative server.\r\n"},
    {11003, "A non-recoverable error occurred during a database lookup.\r\n"},
    {11004, "The requested name is valid, but no data of the requested type was found.\r\n"},
};

} // namespace

const char* SystemMessageText(DWORD messageId) {
    const auto* found = std::lower_bound(std::begin(kMessages), std::end(kMessages), messageId,
                                         [](const SystemMessage& m, DWORD id) { return m.id < id; });
    return found != std::end(kMessages) && found->id == messageId ? found->text : nullptr;
}

} // namespace win::detail
