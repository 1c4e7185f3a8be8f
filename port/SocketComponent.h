// The socket wrapper: the socket library's calls with its start-up checked, failures turned into
// error events or exceptions, and asynchronous-select notifications turned into events.
#pragma once

#include "gui/Component.h"
#include "gui/HiddenWindow.h"
#include "platform/Winsock.h"
#include "rtl/Exceptions.h"

#include <cstdint>
#include <memory>
#include <string>

namespace port {

class TSocket;

using TSocketNotifyEvent = gui::TMethod<void(TSocket* sender, win::SOCKET socket)>;
using TSocketErrorEvent = gui::TMethod<void(TSocket* sender, win::SOCKET socket, int errorCode)>;

// The window message that carries the notifications.
inline constexpr win::UINT SocketSelectMessage = 0xB11;

inline constexpr int kErrorLoadingWinsock = 9002;
inline constexpr int kIncorrectWinsockVersion = 9003;
inline constexpr int kWinsockNotInitialized = 9004;
inline constexpr int kInvalidPort = 9005;
inline constexpr int kCannotResolve = 9007;

class ESocketException : public rtl::Exception {
public:
    // The code's text.
    static ESocketException CreateFromCode(int code);
    // "Winsock not initialized - " and the code's text.
    static ESocketException CreateNotReady(int code);

    int ErrorCode;

private:
    ESocketException(std::string message, int code) : rtl::Exception(std::move(message)), ErrorCode(code) {}
};

class TSocket : public gui::TComponent {
    GUI_CLASS_INFO
public:
    // Loads and starts the socket library; when that fails the socket is unusable for its whole
    // life and has no notification window.
    explicit TSocket(gui::TComponent* owner);
    ~TSocket() override;

    TSocketNotifyEvent OnSocketAccept;
    TSocketNotifyEvent OnSocketConnect;
    TSocketNotifyEvent OnSocketDisconnect;
    TSocketErrorEvent OnSocketError;
    TSocketNotifyEvent OnSocketRead;
    TSocketNotifyEvent OnSocketWrite;

    bool LibraryLoaded() const { return libraryLoaded_; }
    int StartupError() const { return startupError_; }
    const win::WSADATA& StartupData() const { return startupData_; }
    // nullptr when the socket library could not be started.
    win::HWND NotifyWindow() const { return window_ ? window_->Handle() : nullptr; }

    // Raises ESocketException(StartupError) when the library is unusable.
    void EnsureReady() const;

    int LastSocketError() const;
    win::u_short PortToNet(win::u_short port) const;
    win::u_short PortFromNet(win::u_short port) const;
    std::string AddressToText(win::u_long address) const;
    // Reads only the first 15 characters; INADDR_NONE when they are no dotted address.
    win::u_long TextToAddress(const std::string& text) const;
    // The host's first address, 0 when it cannot be resolved.
    win::u_long ResolveHost(const std::string& host) const;
    // The TCP port of the service in host order, 0 when the service database lacks it.
    win::u_short ResolveService(const std::string& service) const;
    // Raises ESocketException with the error when no socket can be made.
    win::SOCKET NewStreamSocket();

    // The calls below return -1 on failure after reporting the error through FireError; the ones
    // that may merely be under way stay silent on would-block.
    win::SOCKET AcceptIncoming(win::SOCKET listening, win::sockaddr_in& address);
    int BindTo(win::SOCKET socket, const win::sockaddr_in& address);
    int ConnectTo(win::SOCKET socket, const win::sockaddr_in& address);
    int StartListen(win::SOCKET socket, int backlog);
    int ReceiveInto(win::SOCKET socket, char* buffer, int length, int flags);
    int SendBytes(win::SOCKET socket, const char* buffer, int length, int flags);
    int StopTraffic(win::SOCKET socket, int direction);
    int DisposeSocket(win::SOCKET socket);
    // A mask of 0 cancels every notification of the socket.
    int SelectNotifications(win::SOCKET socket, long events);
    int SetOption(win::SOCKET socket, int level, int option, const char* value, int length);

protected:
    virtual void FireAccept(win::SOCKET socket);
    virtual void FireConnect(win::SOCKET socket);
    virtual void FireDisconnect(win::SOCKET socket);
    // OnSocketError, or ESocketException with the code when nobody listens.
    virtual void FireError(win::SOCKET socket, int errorCode);
    virtual void FireRead(win::SOCKET socket);
    virtual void FireWrite(win::SOCKET socket);

private:
    enum class TFailure { Report, ReportUnlessWouldBlock };
    // The call's result, with a failure reported as the rule says.
    int Checked(win::SOCKET socket, int result, TFailure rule);
    win::LRESULT WindowMethod(win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
    void SocketSelect(win::WPARAM wParam, win::LPARAM lParam);

    bool libraryLoaded_ = false;
    int startupError_ = 0;
    win::WSADATA startupData_{};
    std::unique_ptr<gui::THiddenWindow> window_;
};

} // namespace port
