// The texts of the system message table, as FormatMessageA reports them.
#pragma once

#include "platform/WinTypes.h"

namespace win::detail {

// The message of a system error number, ending in CR LF; nullptr when the system has none.
const char* SystemMessageText(DWORD messageId);

} // namespace win::detail
