#include "port/SocketComponent.h"

#include "gui/Application.h"
#include "platform/Window.h"
#include "port/PortErrors.h"
#include "port/SocketLoader.h"

namespace port {
namespace {

constexpr std::size_t kMaxName = 255;
constexpr win::WORD kVersion11 = 0x0101;
constexpr int kAddressLength = sizeof(win::sockaddr_in);

const win::sockaddr* AsAddress(const win::sockaddr_in& address) {
    return reinterpret_cast<const win::sockaddr*>(&address);
}

} // namespace

ESocketException ESocketException::CreateFromCode(int code) {
    return ESocketException(CodeToText(code), code);
}

ESocketException ESocketException::CreateNotReady(int code) {
    return ESocketException(FillIn(CodeToText(kWinsockNotInitialized), CodeToText(code)), code);
}

const gui::TClassInfo& TSocket::StaticClass() {
    static const gui::TClassInfo info = gui::TClassBuilder<TSocket>("TSocket", &TComponent::StaticClass())
                                            .Event("OnSocketAccept", &TSocket::OnSocketAccept)
                                            .Event("OnSocketConnect", &TSocket::OnSocketConnect)
                                            .Event("OnSocketDisconnect", &TSocket::OnSocketDisconnect)
                                            .Event("OnSocketError", &TSocket::OnSocketError)
                                            .Event("OnSocketRead", &TSocket::OnSocketRead)
                                            .Event("OnSocketWrite", &TSocket::OnSocketWrite)
                                            .Creatable()
                                            .Build();
    return info;
}

TSocket::TSocket(gui::TComponent* owner) : TComponent(owner) {
    libraryLoaded_ = LoadSocketApi();
    if (!libraryLoaded_) {
        startupError_ = kErrorLoadingWinsock;
        return;
    }
    startupError_ = SocketApi().WSAStartup(kVersion11, &startupData_);
    if (startupError_ != 0) return;
    if (startupData_.wVersion != kVersion11) startupError_ = kIncorrectWinsockVersion;
    window_ = std::make_unique<gui::THiddenWindow>(
        [this](win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
            return WindowMethod(message, wParam, lParam);
        });
}

TSocket::~TSocket() {
    if (libraryLoaded_) {
        SocketApi().WSACancelBlockingCall();
        SocketApi().WSACleanup();
    }
    window_.reset();
}

void TSocket::EnsureReady() const {
    if (startupError_ != 0) throw ESocketException::CreateNotReady(startupError_);
}

int TSocket::LastSocketError() const {
    EnsureReady();
    return SocketApi().WSAGetLastError();
}

win::u_short TSocket::PortToNet(win::u_short port) const {
    EnsureReady();
    return SocketApi().htons(port);
}

win::u_short TSocket::PortFromNet(win::u_short port) const {
    EnsureReady();
    return SocketApi().ntohs(port);
}

std::string TSocket::AddressToText(win::u_long address) const {
    EnsureReady();
    const char* text = SocketApi().inet_ntoa(win::in_addr{address});
    return text == nullptr ? std::string() : std::string(text);
}

win::u_long TSocket::TextToAddress(const std::string& text) const {
    EnsureReady();
    return SocketApi().inet_addr(text.substr(0, 15).c_str());
}

win::u_long TSocket::ResolveHost(const std::string& host) const {
    EnsureReady();
    if (host.size() > kMaxName) return 0;
    const win::hostent* entry = SocketApi().gethostbyname(host.c_str());
    if (entry == nullptr || entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr) return 0;
    win::in_addr address{};
    std::memcpy(&address, entry->h_addr_list[0], sizeof address);
    return address.s_addr;
}

win::u_short TSocket::ResolveService(const std::string& service) const {
    EnsureReady();
    if (service.size() > kMaxName) return 0;
    const win::servent* entry = SocketApi().getservbyname(service.c_str(), "tcp");
    return entry == nullptr ? 0 : PortFromNet(static_cast<win::u_short>(entry->s_port));
}

win::SOCKET TSocket::NewStreamSocket() {
    EnsureReady();
    const win::SOCKET socket = SocketApi().socket(win::AF_INET, win::SOCK_STREAM, 0);
    if (socket == win::INVALID_SOCKET) throw ESocketException::CreateFromCode(LastSocketError());
    return socket;
}

int TSocket::Checked(win::SOCKET socket, int result, TFailure rule) {
    if (result != win::SOCKET_ERROR) return result;
    const int error = LastSocketError();
    if (rule == TFailure::Report || error != win::WSAEWOULDBLOCK) FireError(socket, error);
    return win::SOCKET_ERROR;
}

win::SOCKET TSocket::AcceptIncoming(win::SOCKET listening, win::sockaddr_in& address) {
    EnsureReady();
    int length = kAddressLength;
    const win::SOCKET accepted =
        SocketApi().accept(listening, reinterpret_cast<win::sockaddr*>(&address), &length);
    if (accepted != win::INVALID_SOCKET) return accepted;
    Checked(listening, win::SOCKET_ERROR, TFailure::Report);
    return win::INVALID_SOCKET;
}

int TSocket::BindTo(win::SOCKET socket, const win::sockaddr_in& address) {
    EnsureReady();
    return Checked(socket, SocketApi().bind(socket, AsAddress(address), kAddressLength), TFailure::Report);
}

int TSocket::ConnectTo(win::SOCKET socket, const win::sockaddr_in& address) {
    EnsureReady();
    return Checked(socket, SocketApi().connect(socket, AsAddress(address), kAddressLength),
                   TFailure::ReportUnlessWouldBlock);
}

int TSocket::StartListen(win::SOCKET socket, int backlog) {
    EnsureReady();
    return Checked(socket, SocketApi().listen(socket, backlog), TFailure::ReportUnlessWouldBlock);
}

int TSocket::ReceiveInto(win::SOCKET socket, char* buffer, int length, int flags) {
    EnsureReady();
    return Checked(socket, SocketApi().recv(socket, buffer, length, flags), TFailure::ReportUnlessWouldBlock);
}

int TSocket::SendBytes(win::SOCKET socket, const char* buffer, int length, int flags) {
    EnsureReady();
    return Checked(socket, SocketApi().send(socket, buffer, length, flags), TFailure::ReportUnlessWouldBlock);
}

int TSocket::StopTraffic(win::SOCKET socket, int direction) {
    EnsureReady();
    return Checked(socket, SocketApi().shutdown(socket, direction), TFailure::ReportUnlessWouldBlock);
}

int TSocket::DisposeSocket(win::SOCKET socket) {
    EnsureReady();
    return Checked(socket, SocketApi().closesocket(socket), TFailure::Report);
}

int TSocket::SelectNotifications(win::SOCKET socket, long events) {
    EnsureReady();
    return Checked(socket, SocketApi().WSAAsyncSelect(socket, NotifyWindow(), SocketSelectMessage, events),
                   TFailure::Report);
}

int TSocket::SetOption(win::SOCKET socket, int level, int option, const char* value, int length) {
    EnsureReady();
    return Checked(socket, SocketApi().setsockopt(socket, level, option, value, length), TFailure::Report);
}

void TSocket::FireAccept(win::SOCKET socket) {
    OnSocketAccept.Call(this, socket);
}

void TSocket::FireConnect(win::SOCKET socket) {
    OnSocketConnect.Call(this, socket);
}

void TSocket::FireDisconnect(win::SOCKET socket) {
    OnSocketDisconnect.Call(this, socket);
}

void TSocket::FireError(win::SOCKET socket, int errorCode) {
    if (!OnSocketError) throw ESocketException::CreateFromCode(errorCode);
    OnSocketError(this, socket, errorCode);
}

void TSocket::FireRead(win::SOCKET socket) {
    OnSocketRead.Call(this, socket);
}

void TSocket::FireWrite(win::SOCKET socket) {
    OnSocketWrite.Call(this, socket);
}

// Messages without a handler are answered 0; an exception ends at the application's handler.
win::LRESULT TSocket::WindowMethod(win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
    try {
        switch (message) {
        case SocketSelectMessage:
            SocketSelect(wParam, lParam);
            return 0;
        case win::WM_QUERYENDSESSION:
            return 1;
        default:
            return 0;
        }
    } catch (...) {
        gui::Application().HandleException(std::current_exception());
        return 0;
    }
}

void TSocket::SocketSelect(win::WPARAM wParam, win::LPARAM lParam) {
    const auto socket = static_cast<win::SOCKET>(wParam);
    if (const int error = win::WSAGETSELECTERROR(lParam); error != 0) {
        FireError(socket, error);
        return;
    }
    switch (win::WSAGETSELECTEVENT(lParam)) {
    case win::FD_ACCEPT:
        FireAccept(socket);
        break;
    case win::FD_CONNECT:
        FireConnect(socket);
        break;
    case win::FD_CLOSE:
        FireDisconnect(socket);
        break;
    case win::FD_READ:
        FireRead(socket);
        break;
    case win::FD_WRITE:
        FireWrite(socket);
        break;
    default:
        break; // FD_OOB is not used
    }
}

} // namespace port
