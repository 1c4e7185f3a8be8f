// Loopback helpers for the socket tests: raw sockets of the platform, and a message pump that
// runs until a condition holds.
#pragma once

#include "platform/Kernel.h"
#include "platform/MessageLoop.h"
#include "platform/Winsock.h"

#include <chrono>
#include <functional>
#include <string>

namespace test {

// The raw calls below need the socket library started; it stays started for the test program.
inline void StartWinsock() {
    static const bool started = [] {
        win::WSADATA data{};
        return win::WSAStartup(0x0101, &data) == 0;
    }();
    (void)started;
}

// Handles messages until `done` holds; false after `timeoutMs`.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        win::MsgWaitForMultipleObjects(0, nullptr, false, 10, win::QS_ALLINPUT);
        win::MSG message;
        while (win::PeekMessageA(&message, nullptr, 0, 0, win::PM_REMOVE))
            win::DispatchMessageA(&message);
    }
    return true;
}

inline void PumpFor(int ms) {
    PumpUntil([] { return false; }, ms);
}

inline win::sockaddr_in LoopbackAddress(win::u_short port) {
    win::sockaddr_in address{};
    address.sin_family = win::AF_INET;
    address.sin_port = win::htons(port);
    address.sin_addr.s_addr = win::htonl(0x7F000001);
    return address;
}

// A raw listening socket on a free loopback port.
inline win::SOCKET RawListener(win::u_short& port) {
    StartWinsock();
    const win::SOCKET listener = win::socket(win::AF_INET, win::SOCK_STREAM, 0);
    win::sockaddr_in address = LoopbackAddress(0);
    win::bind(listener, reinterpret_cast<const win::sockaddr*>(&address), sizeof address);
    win::listen(listener, 5);
    int length = sizeof address;
    win::getsockname(listener, reinterpret_cast<win::sockaddr*>(&address), &length);
    port = win::ntohs(address.sin_port);
    return listener;
}

// A free loopback port, found by binding and closing.
inline win::u_short FreePort() {
    win::u_short port = 0;
    win::closesocket(RawListener(port));
    return port;
}

inline void SetNonBlocking(win::SOCKET socket) {
    win::u_long on = 1;
    win::ioctlsocket(socket, win::FIONBIO, &on);
}

// What arrives at a non-blocking socket within `ms`.
inline std::string ReceiveAll(win::SOCKET socket, int ms = 300) {
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < deadline) {
        char buffer[512];
        const int n = win::recv(socket, buffer, sizeof buffer, 0);
        if (n > 0)
            received.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0)
            break;
        else
            win::Sleep(5);
    }
    return received;
}

inline void SendRaw(win::SOCKET socket, const std::string& bytes) {
    win::send(socket, bytes.data(), static_cast<int>(bytes.size()), 0);
}

} // namespace test
