#include "port/WinsockPort.h"

#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "port/PortErrors.h"
#include "port/SocketDispatcher.h"
#include "rtl/IntText.h"

#include <algorithm>

namespace port {
namespace {

constexpr int kDestinationRequired = 10039;
constexpr int kCannotChangeWhileConnected = 9006;

// Leading and trailing blanks and control characters removed.
std::string Trimmed(const std::string& text) {
    const auto kept = [](char c) { return static_cast<unsigned char>(c) > ' '; };
    const auto first = std::find_if(text.begin(), text.end(), kept);
    const auto last = std::find_if(text.rbegin(), text.rend(), kept).base();
    return first < last ? std::string(first, last) : std::string();
}

bool EndsConnection(int errorCode) {
    return errorCode == win::WSAENETRESET || errorCode == win::WSAECONNABORTED ||
           errorCode == win::WSAECONNRESET;
}

} // namespace

const gui::TClassInfo& TCustomWinsockPort::StaticClass() {
    static const gui::TClassInfo info =
        gui::TClassBuilder<TCustomWinsockPort>("TCustomWinsockPort", &TCustomComPort::StaticClass()).Build();
    return info;
}

TCustomWinsockPort::TCustomWinsockPort(gui::TComponent* owner) : TCustomComPort(owner) {}

TCustomWinsockPort::~TCustomWinsockPort() {
    if (PortState() == TPortState::psOpen) ClosePort();
    if (PortWindow() != nullptr && previousProc_ != nullptr)
        win::SetWindowLongPtrA(PortWindow(), win::GWLP_WNDPROC,
                               reinterpret_cast<win::LONG_PTR>(previousProc_));
}

void TCustomWinsockPort::SetAddressSetting(std::string& setting, const std::string& value) {
    if (value == setting) return;
    if (PortState() == TPortState::psOpen)
        throw ESocketException::CreateFromCode(kCannotChangeWhileConnected);
    setting = Trimmed(value);
}

void TCustomWinsockPort::SetServerAddress(const std::string& address) {
    SetAddressSetting(serverAddress_, address);
}

void TCustomWinsockPort::SetWsPort(const std::string& port) {
    SetAddressSetting(wsPort_, port);
}

std::unique_ptr<TBaseDispatcher> TCustomWinsockPort::MakeDispatcher() {
    if (DeviceKind != dkWinsock) return TCustomComPort::MakeDispatcher();
    return std::make_unique<TWinsockDispatcher>(this);
}

void TCustomWinsockPort::EnsurePortNumber() {
    if (DeviceKind != dkWinsock) TCustomComPort::EnsurePortNumber();
}

int TCustomWinsockPort::OpenDevice() {
    if (DeviceKind != dkWinsock) return TCustomComPort::OpenDevice();
    TDeviceSocket& device = DeviceSocket();
    win::u_long address = 0;
    if (!ListenMode) {
        if (serverAddress_.empty()) throw ESocketException::CreateFromCode(kDestinationRequired);
        address = device.TextToAddress(serverAddress_);
        if (address == win::INADDR_NONE) address = device.ResolveHost(serverAddress_);
        if (address == 0) throw ESocketException::CreateFromCode(kCannotResolve);
    }
    std::int32_t number = 0;
    if (!rtl::TryStrToInt(wsPort_, number)) number = device.ResolveService(wsPort_);
    const auto port = static_cast<win::u_short>(number & 0xFFFF);
    if (port == 0) throw ESocketException::CreateFromCode(kInvalidPort);
    auto& dispatcher = static_cast<TWinsockDispatcher&>(*Dispatcher());
    dispatcher.SetAddresses(address, device.PortToNet(port), TelnetMode, !ListenMode);
    const int result = dispatcher.OpenWithSizes(InputSize, OutputSize);
    if (result < 0) throw ESocketException::CreateFromCode(-result);
    return result;
}

void TCustomWinsockPort::PortOpenedNotify() {
    if (DeviceKind == dkWinsock && PortWindow() != nullptr) {
        win::SetWindowLongPtrA(PortWindow(), win::GWLP_USERDATA, reinterpret_cast<win::LONG_PTR>(this));
        previousProc_ = reinterpret_cast<win::WNDPROC>(
            win::SetWindowLongPtrA(PortWindow(), win::GWLP_WNDPROC,
                                   reinterpret_cast<win::LONG_PTR>(&TCustomWinsockPort::RoutingProc)));
    }
    TCustomComPort::PortOpenedNotify();
}

void TCustomWinsockPort::PortClosingNotify() {
    TCustomComPort::PortClosingNotify();
    NotifyDisconnect();
}

win::LRESULT TCustomWinsockPort::RoutingProc(win::HWND window, win::UINT message, win::WPARAM wParam,
                                             win::LPARAM lParam) {
    auto* port = reinterpret_cast<TCustomWinsockPort*>(win::GetWindowLongPtrA(window, win::GWLP_USERDATA));
    return port->Route(window, message, wParam, lParam);
}

win::LRESULT TCustomWinsockPort::Route(win::HWND window, win::UINT message, win::WPARAM wParam,
                                       win::LPARAM lParam) {
    if (message == PortCloseMessage) {
        SetActive(false);
        return 0;
    }
    if (message != SocketSelectMessage)
        return win::CallWindowProcA(previousProc_, window, message, wParam, lParam);
    switch (wParam) {
    case pnClientWaiting:
        return NotifyAccept(static_cast<win::u_long>(lParam)) ? 1 : 0;
    case pnConnected:
        NotifyConnect();
        return 0;
    case pnConnectionClosed:
        win::PostMessageA(window, PortCloseMessage, 0, 0);
        return 0;
    case pnClientDisconnected:
        NotifyDisconnect();
        return 0;
    default:
        NotifyError(static_cast<int>(wParam));
        return 0;
    }
}

bool TCustomWinsockPort::NotifyAccept(win::u_long address) {
    bool accept = true;
    OnAcceptClient.Call(this, address, accept);
    return accept;
}

void TCustomWinsockPort::NotifyConnect() {
    OnConnected.Call(this);
}

void TCustomWinsockPort::NotifyDisconnect() {
    OnDisconnected.Call(this);
}

void TCustomWinsockPort::NotifyError(int errorCode) {
    if (EndsConnection(errorCode)) {
        if (ListenMode)
            NotifyDisconnect();
        else if (PortWindow() != nullptr)
            win::PostMessageA(PortWindow(), PortCloseMessage, 0, 0);
    }
    OnConnectionError.Call(this, errorCode);
}

} // namespace port
