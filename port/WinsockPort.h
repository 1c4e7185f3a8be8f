// The socket port: a port whose device is one TCP stream, as a client connecting to
// ServerAddress:WsPort or as a server listening on WsPort for one client at a time.
#pragma once

#include "platform/Window.h"
#include "platform/Winsock.h"
#include "port/ComPort.h"

#include <string>

namespace port {

using TWsAcceptEvent = gui::TMethod<void(gui::TObject* sender, win::u_long address, bool& accept)>;
using TWsErrorEvent = gui::TMethod<void(gui::TObject* sender, int errorCode)>;

class TCustomWinsockPort : public TCustomComPort {
    GUI_CLASS_INFO
public:
    explicit TCustomWinsockPort(gui::TComponent* owner);
    // Closes an open port while it is still a socket port, and gives a window that outlives it
    // its own routine back.
    ~TCustomWinsockPort() override;

    // Changing either while the port is open raises 9006; values are stored trimmed.
    std::string ServerAddress() const { return serverAddress_; }
    void SetServerAddress(const std::string& address);
    // A decimal port number or a service name.
    std::string WsPort() const { return wsPort_; }
    void SetWsPort(const std::string& port);
    bool ListenMode = false;
    bool TelnetMode = true;

    TWsAcceptEvent OnAcceptClient;
    gui::TNotifyEvent OnConnected;
    gui::TNotifyEvent OnDisconnected;
    TWsErrorEvent OnConnectionError;

protected:
    std::unique_ptr<TBaseDispatcher> MakeDispatcher() override;
    int OpenDevice() override;
    void EnsurePortNumber() override;
    void PortOpenedNotify() override;
    void PortClosingNotify() override;

    virtual bool NotifyAccept(win::u_long address);
    virtual void NotifyConnect();
    virtual void NotifyDisconnect();
    // Resets and aborts also end the connection: client mode closes the port.
    virtual void NotifyError(int errorCode);

private:
    void SetAddressSetting(std::string& setting, const std::string& value);
    static win::LRESULT RoutingProc(win::HWND window, win::UINT message, win::WPARAM wParam,
                                    win::LPARAM lParam);
    win::LRESULT Route(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);

    std::string serverAddress_;
    std::string wsPort_ = "telnet";
    win::WNDPROC previousProc_ = nullptr;
};

} // namespace port
