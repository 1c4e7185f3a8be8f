#include "port/SocketDispatcher.h"

#include "platform/MessageLoop.h"
#include "platform/Module.h"
#include "platform/Window.h"
#include "port/ComPort.h"

#include <mutex>

namespace port {
namespace {

using TLock = std::lock_guard<win::TCriticalSection>;

constexpr long kDeviceNotifications =
    win::FD_READ | win::FD_WRITE | win::FD_ACCEPT | win::FD_CONNECT | win::FD_CLOSE;
constexpr win::UINT kDispatchIntervalMs = 50;
constexpr win::UINT_PTR kDispatchTimerId = 1;
constexpr int kListenBacklog = 5;

TWinsockDispatcher* FirstWinsockDispatcher(const std::function<bool(const TWinsockDispatcher&)>& matches) {
    return static_cast<TWinsockDispatcher*>(FirstDispatcher([&](const TBaseDispatcher& d) {
        const auto* socketDispatcher = dynamic_cast<const TWinsockDispatcher*>(&d);
        return socketDispatcher != nullptr && matches(*socketDispatcher);
    }));
}

void DispatchTimer(win::HWND, win::UINT, win::UINT_PTR id, win::DWORD) {
    if (TWinsockDispatcher* dispatcher =
            FirstWinsockDispatcher([id](const TWinsockDispatcher& d) { return d.TimerId() == id; }))
        dispatcher->RunDispatchPass(false);
}

win::LRESULT DispatchWindowProc(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
    if (message != SocketSelectMessage) return win::DefWindowProcA(window, message, wParam, lParam);
    const auto socket = static_cast<std::int32_t>(wParam);
    if (TWinsockDispatcher* dispatcher =
            FirstWinsockDispatcher([socket](const TWinsockDispatcher& d) { return d.DeviceId() == socket; }))
        dispatcher->RunDispatchPass(false);
    return 0;
}

void RegisterDispatchWindowClass() {
    win::WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &DispatchWindowProc;
    windowClass.hInstance = win::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "DispatchWindow";
    if (!win::EnsureClassRegistered(windowClass)) throw rtl::Exception("Resource not available");
}

// A step of the device setup failed for good (would-block only means under way).
bool Failed(int result) {
    return result == win::SOCKET_ERROR && DeviceSocket().LastSocketError() != win::WSAEWOULDBLOCK;
}

} // namespace

TWinsockDispatcher::TWinsockDispatcher(gui::TComponent* owner) : TBaseDispatcher(owner) {}

TWinsockDispatcher::~TWinsockDispatcher() {
    ShutDownForDestruction();
}

TWsConnection* TWinsockDispatcher::Connection() const {
    return DeviceId() < 0 ? nullptr : DeviceSocket().FindConnection(static_cast<win::SOCKET>(DeviceId()));
}

int TWinsockDispatcher::DeviceEscape(int) {
    return 0;
}

int TWinsockDispatcher::DeviceFlush(int which) {
    if (TWsConnection* connection = Connection())
        which == 0 ? connection->ResetOutput() : connection->ResetInput();
    return 0;
}

std::uint32_t TWinsockDispatcher::DeviceGetStatus(std::uint32_t& inputCount, std::uint32_t& outputCount) {
    if (TWsConnection* connection = Connection()) {
        inputCount = connection->InputCount();
        outputCount = connection->OutputCount();
    } else {
        inputCount = outputCount = 0;
    }
    return static_cast<std::uint32_t>(DeviceSocket().LastSocketError());
}

int TWinsockDispatcher::DeviceReadFailed(int) {
    return 0;
}

int TWinsockDispatcher::DeviceGetLine(int& baudRate, int& parity, int& dataBits, int& stopBits) {
    baudRate = 19200;
    parity = 0;
    dataBits = 8;
    stopBits = 1;
    return 0;
}

int TWinsockDispatcher::DeviceRead(std::uint8_t* destination, std::uint32_t count) {
    TWsConnection* connection = Connection();
    if (connection == nullptr || !connection->PeerConnected()) return 0;
    return static_cast<int>(connection->ReadInto(destination, count));
}

int TWinsockDispatcher::DeviceSetLine(int, int, int, int) {
    return 0;
}

int TWinsockDispatcher::DeviceWrite(const std::uint8_t* source, std::uint32_t count) {
    TWsConnection* connection = Connection();
    return connection == nullptr ? 0 : static_cast<int>(connection->WriteFrom(source, count));
}

bool TWinsockDispatcher::DeviceWaitEvent(std::uint32_t&) {
    return true;
}

bool TWinsockDispatcher::DeviceSetup(std::uint32_t, std::uint32_t) {
    TDeviceSocket& device = DeviceSocket();
    const auto socket = static_cast<win::SOCKET>(DeviceId());
    const std::int32_t reuse = -1;
    if (Failed(device.SetOption(socket, win::SOL_SOCKET, win::SO_REUSEADDR,
                                reinterpret_cast<const char*>(&reuse), sizeof reuse)))
        return false;
    if (Failed(device.BindTo(socket, LocalAddress))) return false;
    if (Failed(device.SelectNotifications(socket, kDeviceNotifications))) return false;
    if (Failed(IsClient ? device.ConnectTo(socket, RemoteAddress)
                        : device.StartListen(socket, kListenBacklog)))
        return false;
    if (TWsConnection* connection = Connection()) {
        connection->IsClient = IsClient;
        connection->TelnetActive = TelnetActive;
        connection->Dispatcher = this;
    }
    return true;
}

void TWinsockDispatcher::StartDispatching() {
    SetDispatchingStarted(true);
    timerId_ = win::SetTimer(nullptr, kDispatchTimerId, kDispatchIntervalMs, &DispatchTimer);
    if (timerId_ == 0) throw rtl::Exception("Resource not available");
    RegisterDispatchWindowClass();
    MakeDispatcherWindow();
}

void TWinsockDispatcher::StopDispatching() {
    if (!DispatchingStarted()) return;
    win::KillTimer(nullptr, timerId_);
    timerId_ = 0;
    DestroyDispatcherWindow();
    SetDispatchingStarted(false);
}

int TWinsockDispatcher::DeviceOpen(const std::string&, std::uint32_t inputSize, std::uint32_t outputSize) {
    TDeviceSocket& device = DeviceSocket();
    const TLock lock(device.ConnectionLock);
    try {
        // Owned by the device socket, which frees it in DeviceClose or when the program ends.
        const auto* connection = new TWsConnection(device, inputSize, outputSize);
        return static_cast<int>(connection->MainSocket());
    } catch (const ESocketException&) {
        return -device.LastSocketError();
    }
}

int TWinsockDispatcher::DeviceClose() {
    TDeviceSocket& device = DeviceSocket();
    const TLock lock(device.ConnectionLock);
    TWsConnection* connection = Connection();
    if (connection == nullptr) return -1;
    connection->CloseSockets();
    delete connection;
    device.ForgetConnection();
    return 0;
}

int TWinsockDispatcher::DevicePoll() {
    RunDispatchPass(true);
    return 0;
}

void TWinsockDispatcher::SetAddresses(win::u_long address, win::u_short port, bool telnetActive,
                                      bool isClient) {
    TelnetActive = telnetActive;
    IsClient = isClient;
    RemoteAddress = {};
    RemoteAddress.sin_family = win::AF_INET;
    RemoteAddress.sin_port = port;
    RemoteAddress.sin_addr.s_addr = address;
    LocalAddress = {};
    LocalAddress.sin_family = win::AF_INET;
    LocalAddress.sin_port = isClient ? 0 : port;
}

void TWinsockDispatcher::RunDispatchPass(bool pollOnly) {
    if (busy_) return;
    busy_ = true;
    struct TClearBusy {
        bool& busy;
        ~TClearBusy() { busy = false; }
    } clearBusy{busy_};
    if (ClosePending()) {
        busy_ = false;
        ReleaseBuffers();
        return;
    }
    DispatchPass(pollOnly);
}

win::LRESULT TWinsockDispatcher::NotifyPortWindow(win::WPARAM notice, win::LPARAM lParam) {
    auto* port = dynamic_cast<TCustomComPort*>(Owner());
    if (port == nullptr || port->PortWindow() == nullptr) return 0;
    SetInNotify(true);
    // A close asked for by the port during the notice ends here, as it would at the end of a
    // pass; without a pass running, nothing else would end it.
    struct TEndNotice {
        TWinsockDispatcher& dispatcher;
        ~TEndNotice() {
            dispatcher.SetInNotify(false);
            if (dispatcher.ClosePending() && !dispatcher.busy_) dispatcher.ReleaseBuffers();
        }
    } endNotice{*this};
    return win::SendMessageA(port->PortWindow(), SocketSelectMessage, notice, lParam);
}

const gui::TClassInfo& TDeviceSocket::StaticClass() {
    static const gui::TClassInfo info =
        gui::TClassBuilder<TDeviceSocket>("TDeviceSocket", &TSocket::StaticClass()).Build();
    return info;
}

TDeviceSocket::TDeviceSocket(gui::TComponent* owner) : TSocket(owner) {}

TWsConnection* TDeviceSocket::FindConnection(win::SOCKET socket) {
    const TLock lock(ConnectionLock);
    if (socket == win::INVALID_SOCKET) return nullptr;
    if (cachedConnection_ != nullptr && socket == cachedSocket_) return cachedConnection_;
    for (gui::TComponent* component : ComponentList()) {
        if (!component->Is<TWsConnection>()) continue;
        auto* connection = static_cast<TWsConnection*>(component);
        if (connection->CommSocket == socket || connection->MainSocket() == socket) {
            cachedSocket_ = socket;
            cachedConnection_ = connection;
            return connection;
        }
    }
    return nullptr;
}

void TDeviceSocket::ForgetConnection() {
    const TLock lock(ConnectionLock);
    cachedSocket_ = win::INVALID_SOCKET;
    cachedConnection_ = nullptr;
}

void TDeviceSocket::NotifyDispatcher(win::SOCKET socket, win::LPARAM) {
    if (TWinsockDispatcher* dispatcher =
            DispatcherFromHandle<TWinsockDispatcher>(static_cast<std::int32_t>(socket)))
        win::SendMessageA(dispatcher->DispatcherWindow(), SocketSelectMessage, socket, 0);
}

win::LRESULT TDeviceSocket::NotifyPort(win::SOCKET socket, win::WPARAM notice, win::LPARAM lParam) {
    TWinsockDispatcher* dispatcher =
        DispatcherFromHandle<TWinsockDispatcher>(static_cast<std::int32_t>(socket));
    return dispatcher == nullptr ? 0 : dispatcher->NotifyPortWindow(notice, lParam);
}

void TDeviceSocket::FireAccept(win::SOCKET socket) {
    TWsConnection* connection = FindConnection(socket);
    TWinsockDispatcher* dispatcher = connection == nullptr ? nullptr : connection->Dispatcher;
    if (dispatcher == nullptr) {
        TSocket::FireAccept(socket);
        return;
    }
    if (connection->CommSocket != win::INVALID_SOCKET) {
        // One client at a time: a further one is accepted and closed at once.
        win::sockaddr_in ignored{};
        const win::SOCKET extra = AcceptIncoming(socket, ignored);
        if (extra != win::INVALID_SOCKET) DisposeSocket(extra);
        return;
    }
    const win::SOCKET client = AcceptIncoming(socket, dispatcher->RemoteAddress);
    if (client == win::INVALID_SOCKET) {
        dispatcher->RemoteAddress = {};
        return;
    }
    connection->CommSocket = client;
    const win::LRESULT answer = NotifyPort(
        socket, pnClientWaiting, static_cast<win::LPARAM>(dispatcher->RemoteAddress.sin_addr.s_addr));
    // A port closed by its handler has freed the connection, and the client with it.
    if (FindConnection(socket) != connection) {
        TSocket::FireAccept(socket);
        return;
    }
    if (answer == 1) {
        connection->SetPeerConnected(true);
    } else {
        DisposeSocket(client);
        dispatcher->RemoteAddress = {};
        connection->CommSocket = win::INVALID_SOCKET;
        ForgetConnection();
    }
    TSocket::FireAccept(socket);
}

void TDeviceSocket::FireConnect(win::SOCKET socket) {
    TWsConnection* connection = FindConnection(socket);
    if (connection == nullptr) return;
    connection->SetPeerConnected(true);
    if (connection->IsClient) connection->CommSocket = socket;
    NotifyPort(socket, pnConnected, 0);
    TSocket::FireConnect(socket);
}

void TDeviceSocket::FireDisconnect(win::SOCKET socket) {
    if (TWsConnection* connection = FindConnection(socket)) {
        if (connection->Dispatcher != nullptr) {
            connection->Dispatcher->RemoteAddress = {};
            connection->CommSocket = win::INVALID_SOCKET;
            connection->SetPeerConnected(false);
        }
        ForgetConnection();
        const win::SOCKET main = connection->MainSocket();
        if (socket == main) {
            NotifyPort(main, pnConnectionClosed, 0);
        } else {
            NotifyPort(main, pnClientDisconnected, 0);
            DisposeSocket(socket);
        }
    }
    TSocket::FireDisconnect(socket);
}

void TDeviceSocket::FireError(win::SOCKET socket, int errorCode) {
    if (const TWsConnection* connection = FindConnection(socket))
        NotifyPort(connection->MainSocket(), static_cast<win::WPARAM>(errorCode), 0);
    OnSocketError.Call(this, socket, errorCode);
}

void TDeviceSocket::FireRead(win::SOCKET socket) {
    if (const TWsConnection* connection = FindConnection(socket))
        NotifyDispatcher(connection->MainSocket(), 0);
    TSocket::FireRead(socket);
}

void TDeviceSocket::FireWrite(win::SOCKET socket) {
    TSocket::FireWrite(socket);
}

TDeviceSocket& DeviceSocket() {
    static TDeviceSocket device(nullptr);
    return device;
}

} // namespace port
