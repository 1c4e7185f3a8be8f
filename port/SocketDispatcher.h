// The TCP device: the dispatcher class for sockets, whose passes run on the GUI thread from a
// 50 ms timer and from read notifications, and the process-wide device socket that owns every
// socket port's connection and routes the socket notifications.
#pragma once

#include "port/Dispatcher.h"
#include "port/SocketComponent.h"
#include "port/WsConnection.h"

#include <string>

namespace port {

inline constexpr win::UINT PortCloseMessage = 0xB12;

// What the device socket tells a socket port's window (WParam of SocketSelectMessage); any other
// value is a socket error code.
enum TPortNotice : win::WPARAM {
    pnClientWaiting = 8,
    pnConnected = 16,
    pnConnectionClosed = 32,
    pnClientDisconnected = 48,
};

class TWinsockDispatcher : public TBaseDispatcher {
public:
    explicit TWinsockDispatcher(gui::TComponent* owner);
    ~TWinsockDispatcher() override;

    int DeviceEscape(int function) override;
    int DeviceFlush(int which) override;
    // The counts of the connection; the result is the socket library's last error.
    std::uint32_t DeviceGetStatus(std::uint32_t& inputCount, std::uint32_t& outputCount) override;
    int DeviceReadFailed(int code) override;
    int DeviceGetLine(int& baudRate, int& parity, int& dataBits, int& stopBits) override;
    int DeviceRead(std::uint8_t* destination, std::uint32_t count) override;
    int DeviceSetLine(int baudRate, int parity, int dataBits, int stopBits) override;
    int DeviceWrite(const std::uint8_t* source, std::uint32_t count) override;
    bool DeviceWaitEvent(std::uint32_t& mask) override;
    // Socket options, bind, notifications, then connect (client) or listen.
    bool DeviceSetup(std::uint32_t inputSize, std::uint32_t outputSize) override;
    void StartDispatching() override;
    void StopDispatching() override;
    int DeviceOpen(const std::string& name, std::uint32_t inputSize, std::uint32_t outputSize) override;
    int DeviceClose() override;
    int DevicePoll() override;

    // `port` in network order.
    void SetAddresses(win::u_long address, win::u_short port, bool telnetActive, bool isClient);
    // Not inside another pass; PollOnly reads without delivering triggers.
    void RunDispatchPass(bool pollOnly);
    // Sends a notice to the owning port's window with the dispatcher marked as notifying.
    win::LRESULT NotifyPortWindow(win::WPARAM notice, win::LPARAM lParam);

    win::sockaddr_in RemoteAddress{};
    win::sockaddr_in LocalAddress{};
    bool IsClient = true;
    bool TelnetActive = true;
    win::UINT_PTR TimerId() const { return timerId_; }

private:
    TWsConnection* Connection() const;

    bool busy_ = false;
    win::UINT_PTR timerId_ = 0;
};

class TDeviceSocket : public TSocket {
    GUI_CLASS_INFO
public:
    explicit TDeviceSocket(gui::TComponent* owner);

    std::string TerminalType = "vt100";
    win::TCriticalSection ConnectionLock;

    // The connection whose comm or main socket is `socket`, or nullptr.
    TWsConnection* FindConnection(win::SOCKET socket);
    // Runs a dispatch pass of the socket's dispatcher now.
    void NotifyDispatcher(win::SOCKET socket, win::LPARAM lParam);
    // The port's answer to a notice, or 0 when the socket has no dispatcher.
    win::LRESULT NotifyPort(win::SOCKET socket, win::WPARAM notice, win::LPARAM lParam);
    // Forgets the cached lookup, for a connection that goes.
    void ForgetConnection();

protected:
    void FireAccept(win::SOCKET socket) override;
    void FireConnect(win::SOCKET socket) override;
    void FireDisconnect(win::SOCKET socket) override;
    // Routed to the connection's port; never raised.
    void FireError(win::SOCKET socket, int errorCode) override;
    void FireRead(win::SOCKET socket) override;
    void FireWrite(win::SOCKET socket) override;

private:
    win::SOCKET cachedSocket_ = win::INVALID_SOCKET;
    TWsConnection* cachedConnection_ = nullptr;
};

// The program's one device socket, made when it is first needed; it loads and starts the socket
// library.
TDeviceSocket& DeviceSocket();

} // namespace port
