// Exceptions that escape window procedures: handed to one handler, never unwound further.
#include "platform/MessageLoop.h"

#include <cstdio>
#include <stdexcept>

namespace win {
namespace {

MessageExceptionHandler& ExceptionHandler() {
    static MessageExceptionHandler handler;
    return handler;
}

} // namespace

namespace detail {

void ReportEscapedException(std::exception_ptr error) {
    const MessageExceptionHandler handler = ExceptionHandler();
    if (handler) {
        handler(error);
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "unhandled exception in a window procedure: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "unhandled exception in a window procedure\n");
    }
}

} // namespace detail

MessageExceptionHandler SetMessageExceptionHandler(MessageExceptionHandler handler) {
    MessageExceptionHandler previous = std::move(ExceptionHandler());
    ExceptionHandler() = std::move(handler);
    return previous;
}

} // namespace win
