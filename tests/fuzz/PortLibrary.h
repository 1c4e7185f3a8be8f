// The port library made ready once per fuzzing process: message tables and the device socket.
#pragma once

#include "port/PortErrors.h"
#include "port/SocketDispatcher.h"

namespace fuzz {

inline void ReadyPortLibrary() {
    static const bool ready = [] {
        port::OpenMessageTables();
        port::DeviceSocket();
        return true;
    }();
    (void)ready;
}

} // namespace fuzz
