// The system's own headers, for the Windows side of the platform only: the `win` declarations
// are forwarded to the calls of the same names, their types converted at the boundary.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winsock.h>

namespace win::native {

// The same object seen through the system's type: layouts agree, as the sources check.
template <typename To, typename From> To* As(From* from) {
    static_assert(sizeof(To) == sizeof(From), "the platform's type and the system's differ in size");
    return reinterpret_cast<To*>(from);
}
template <typename To, typename From> const To* As(const From* from) {
    static_assert(sizeof(To) == sizeof(From), "the platform's type and the system's differ in size");
    return reinterpret_cast<const To*>(from);
}

} // namespace win::native
