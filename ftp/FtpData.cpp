// The FTP client's data connection: PASV or PORT, receiving into the listing or the local file,
// progress, and the end of a transfer once the data has ended and the server has confirmed it.
#include "ftp/FtpClient.h"

#include "port/Dispatcher.h"
#include "port/SocketLoader.h"
#include "rtl/FileUtils.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <utility>

namespace ftp {
namespace {

// FD_CONNECT reports a data connection that cannot be made at once.
constexpr long kPassiveNotifications = win::FD_READ | win::FD_WRITE | win::FD_CONNECT | win::FD_CLOSE;
constexpr long kActiveNotifications = win::FD_READ | win::FD_WRITE | win::FD_ACCEPT | win::FD_CLOSE;
constexpr int kListenBacklog = 5;

// A byte of a 227 reply's list: one to three digits, blanks around them allowed.
std::optional<int> ByteNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.empty() || text.size() > 3) return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value <= 255 ? std::optional<int>(value) : std::nullopt;
}

// The port of a 227 reply's "(h1,h2,h3,h4,p1,p2)"; nothing when the reply holds no such list or
// the port is 0. The host numbers are checked but not used.
std::optional<win::u_short> PassivePort(const std::string& reply) {
    const std::size_t open = reply.find('(');
    const std::size_t close = open == std::string::npos ? open : reply.find(')', open);
    if (close == std::string::npos) return std::nullopt;
    std::string_view list(reply.data() + open + 1, close - open - 1);
    std::array<int, 6> numbers{};
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        // Five numbers end at a comma, the sixth at the parenthesis.
        const bool last = i + 1 == numbers.size();
        const std::size_t comma = list.find(',');
        if ((comma == std::string_view::npos) != last) return std::nullopt;
        const std::optional<int> value = ByteNumber(list.substr(0, comma));
        if (!value) return std::nullopt;
        numbers[i] = *value;
        if (!last) list.remove_prefix(comma + 1);
    }
    const int port = numbers[4] * 256 + numbers[5];
    if (port == 0) return std::nullopt;
    return static_cast<win::u_short>(port);
}

} // namespace

// Any failure ends the operation with an error, unless the socket layer has reported one, which
// ended it already.
bool TCustomFtpClient::OpenDataChannel() {
    bool opened = false;
    int error = 0;
    try {
        opened = PassiveMode ? OpenPassive() : OpenActive();
    } catch (const port::ESocketException& exception) {
        error = exception.ErrorCode;
    } catch (const std::exception&) {
        // Reported with the socket layer's last error.
    }
    if (opened) return true;
    if (TransferUnderWay()) ReportError(error != 0 ? error : port::SocketApi().WSAGetLastError());
    return false;
}

bool TCustomFtpClient::OpenPassive() {
    port::TBaseDispatcher* dispatcher = CurrentDispatcher();
    if (dispatcher == nullptr) return false;
    int length = sizeof serverAddress_;
    if (port::SocketApi().getpeername(static_cast<win::SOCKET>(dispatcher->DeviceId()),
                                      reinterpret_cast<win::sockaddr*>(&serverAddress_), &length) != 0)
        return false;
    dataHandle_ = dataSocket_->NewStreamSocket();
    if (dataSocket_->SelectNotifications(dataHandle_, kPassiveNotifications) != 0) return false;
    SendNextCommand();
    return true;
}

bool TCustomFtpClient::OpenActive() {
    port::TBaseDispatcher* dispatcher = CurrentDispatcher();
    if (dispatcher == nullptr) return false;
    const auto control = static_cast<win::SOCKET>(dispatcher->DeviceId());
    int length = sizeof serverAddress_;
    if (port::SocketApi().getpeername(control, reinterpret_cast<win::sockaddr*>(&serverAddress_), &length) !=
        0)
        return false;
    length = sizeof dataAddress_;
    if (port::SocketApi().getsockname(control, reinterpret_cast<win::sockaddr*>(&dataAddress_), &length) != 0)
        return false;
    if (listenHandle_ == win::INVALID_SOCKET) listenHandle_ = dataSocket_->NewStreamSocket();
    if (dataSocket_->SelectNotifications(listenHandle_, kActiveNotifications) != 0) return false;
    dataAddress_.sin_family = win::AF_INET;
    dataAddress_.sin_port = 0;
    if (dataSocket_->BindTo(listenHandle_, dataAddress_) != 0) return false;
    length = sizeof dataAddress_;
    if (port::SocketApi().getsockname(listenHandle_, reinterpret_cast<win::sockaddr*>(&dataAddress_),
                                      &length) != 0)
        return false;
    const win::u_short port = dataSocket_->PortFromNet(dataAddress_.sin_port);
    std::string text = dataSocket_->AddressToText(dataAddress_.sin_addr.s_addr) + "." +
                       std::to_string(port >> 8) + "." + std::to_string(port & 0xFF);
    std::replace(text.begin(), text.end(), '.', ',');
    // Listening comes first: a server may connect as soon as it has the PORT command.
    if (dataSocket_->StartListen(listenHandle_, kListenBacklog) != 0) return false;
    return SendCommand(TCommandKind::ckPort, "PORT " + text);
}

// The data connection goes to the server the control connection reached; the reply gives only
// the port, so no server can aim it at another host.
bool TCustomFtpClient::ConnectPassiveData(const std::string& reply) {
    if (dataSocket_ == nullptr) return false;
    const std::optional<win::u_short> port = PassivePort(reply);
    if (!port) return false;
    win::sockaddr_in target = serverAddress_;
    target.sin_family = win::AF_INET;
    target.sin_port = dataSocket_->PortToNet(*port);
    dataSocket_->ConnectTo(dataHandle_, target);
    return true;
}

// Reads one block. Data that is not wanted any more is read and dropped, so that its read
// notification does not come back at once.
std::int32_t TCustomFtpClient::ReadDataBlock() {
    if (dataHandle_ == win::INVALID_SOCKET) return 0;
    const int received =
        dataSocket_->ReceiveInto(dataHandle_, dataBuffer_.data(), static_cast<int>(dataBuffer_.size()), 0);
    if (received <= 0) return received;
    if (state_ == TControlState::cnRetrieving) {
        if (transferHalted_ || !transfer_.LocalStream) return received;
        RestartTransferTimer();
        TransferredBytes += received;
        if (transfer_.AnnouncedSize && TransferredBytes > *transfer_.AnnouncedSize) {
            ReportError(FtpErrorSizeMismatch, "More data than the " +
                                                  std::to_string(*transfer_.AnnouncedSize) +
                                                  " bytes announced for \"" + RemotePath + "\"");
            return 0;
        }
        if (transfer_.LocalStream->Write(dataBuffer_.data(), received) != received) {
            const int code = rtl::InOutErrorFromSystem(win::GetLastError());
            ReportError(code, "Cannot write file \"" + LocalPath + "\". " + rtl::InOutErrorText(code));
            return 0;
        }
        ReportStatus(fsProgress);
    } else if (state_ == TControlState::cnListing) {
        if (listing_.size() + static_cast<std::size_t>(received) >
            static_cast<std::size_t>(std::max(ListingLimit, 0))) {
            ReportError(FtpErrorTooLong, "Listing longer than " + std::to_string(ListingLimit) + " bytes");
            return 0;
        }
        listing_.append(dataBuffer_.data(), static_cast<std::size_t>(received));
        TransferredBytes += received;
    }
    return received;
}

// The server closed the data connection: what it sent before is read to the end.
void TCustomFtpClient::EndOfData() {
    while (TransferUnderWay() && ReadDataBlock() > 0) {
    }
    if (!TransferUnderWay()) return;
    CloseDataSockets();
    switch (transfer_.Phase) {
    case TTransferPhase::tpOpening:
        ReportError(FtpErrorConnectionLost, "The data connection closed before the transfer began");
        break;
    case TTransferPhase::tpCommandSent:
        EnterPhase(TTransferPhase::tpDataEnded);
        break;
    case TTransferPhase::tpConfirmed:
        EnterPhase(TTransferPhase::tpDone);
        break;
    default:
        break;
    }
}

// Done is the phase once the data has ended and the server confirmed, and the download is whole.
void TCustomFtpClient::EnterPhase(TTransferPhase phase) {
    transfer_.Phase = phase;
    if (phase == TTransferPhase::tpDone) FinishTransfer();
}

// The listing is passed on; the download is checked against the size announced and moved onto
// its name. Until then the earlier file stands.
void TCustomFtpClient::FinishTransfer() {
    if (state_ == TControlState::cnListing) {
        // InfoText is zero-terminated; Listing holds what lies beyond a NUL.
        ReportStatus(fsDataAvailable, listing_.substr(0, listing_.find('\0')));
        return;
    }
    transfer_.Phase = TTransferPhase::tpFailed;
    if (transferHalted_) {
        EnterState(TControlState::cnReady);
        return;
    }
    if (transfer_.AnnouncedSize && TransferredBytes != *transfer_.AnnouncedSize) {
        ReportError(FtpErrorSizeMismatch, "\"" + RemotePath + "\" ended after " +
                                              std::to_string(TransferredBytes) + " of the " +
                                              std::to_string(*transfer_.AnnouncedSize) + " bytes announced");
        return;
    }
    if (transfer_.Staged != nullptr) {
        try {
            transfer_.Staged->Commit();
        } catch (const rtl::EInOutError& error) {
            ReportError(error.ErrorCode, error.Message());
            return;
        }
    }
    transfer_.Phase = TTransferPhase::tpDone;
    ReportLog(flTransferComplete);
    ReportStatus(fsTransferDone);
}

void TCustomFtpClient::CloseDataSockets() {
    for (win::SOCKET* handle : {&dataHandle_, &listenHandle_}) {
        if (*handle != win::INVALID_SOCKET) DisposeDataSocket(*handle);
        *handle = win::INVALID_SOCKET;
    }
}

// A staged download that is not done yet goes with its data connection.
void TCustomFtpClient::CloseDataHandles() {
    CloseDataSockets();
    transfer_.Staged = nullptr;
    transfer_.LocalStream.reset();
}

// Errors while closing are no news: what the socket carried is over. A socket that cannot be
// closed is forgotten all the same.
void TCustomFtpClient::DisposeDataSocket(win::SOCKET socket) {
    if (dataSocket_ == nullptr) return;
    closingData_ = true;
    try {
        dataSocket_->DisposeSocket(socket);
    } catch (const std::exception&) {
    }
    closingData_ = false;
}

// False after reporting the error when the file cannot be made or opened.
bool TCustomFtpClient::OpenLocalFile(const std::string& localName, TFtpReceiveMode mode) {
    try {
        // The new file of rcvReplace is staged and holds exactly the downloaded bytes; the other
        // modes go on from a file that exists, or from an empty new one.
        if (mode == TFtpReceiveMode::rcvReplace) {
            auto staged = std::make_unique<rtl::TStagedFile>(localName);
            transfer_.Staged = staged.get();
            transfer_.LocalStream = std::move(staged);
        } else {
            transfer_.LocalStream = std::make_unique<rtl::TFileStream>(
                localName, rtl::FileExists(localName) ? rtl::fmOpenReadWrite : rtl::fmCreate);
        }
        switch (mode) {
        case TFtpReceiveMode::rcvReplace:
            ReportLog(flDownloading);
            break;
        case TFtpReceiveMode::rcvAppend:
            transfer_.LocalStream->Seek(0, rtl::TSeekOrigin::soEnd);
            ReportLog(flDownloading);
            break;
        default: {
            const std::int64_t size = transfer_.LocalStream->Size();
            if (size < ResumeOffset || ResumeOffset < 0) ResumeOffset = static_cast<std::int32_t>(size);
            transfer_.LocalStream->SetPosition(ResumeOffset);
            QueueCommand(TCommandKind::ckRest, "REST " + std::to_string(ResumeOffset));
            ReportLog(flRestarting);
            break;
        }
        }
        return true;
    } catch (const rtl::EFileStreamError& error) {
        ReportError(error.ErrorCode, error.Message());
        return false;
    }
}

// Only the server may connect, and only once; any other connection is closed at once.
void TCustomFtpClient::DataAccept(port::TSocket*, win::SOCKET socket) {
    if (socket != listenHandle_) return;
    win::sockaddr_in peer{};
    const win::SOCKET accepted = dataSocket_->AcceptIncoming(listenHandle_, peer);
    if (accepted == win::INVALID_SOCKET) return;
    if (dataHandle_ == win::INVALID_SOCKET && peer.sin_addr.s_addr == serverAddress_.sin_addr.s_addr) {
        dataHandle_ = accepted;
        return;
    }
    DisposeDataSocket(accepted);
}

void TCustomFtpClient::DataRead(port::TSocket*, win::SOCKET socket) {
    if (socket == dataHandle_ && TransferUnderWay()) ReadDataBlock();
}

void TCustomFtpClient::DataDisconnect(port::TSocket*, win::SOCKET socket) {
    if (socket == dataHandle_ && TransferUnderWay()) EndOfData();
}

// At most one socket error is reported per transfer. The transfer is halted before the report,
// whose closing of the data channel may fail again.
void TCustomFtpClient::DataError(port::TSocket*, win::SOCKET socket, int errorCode) {
    if (closingData_ || transferHalted_ || !TransferUnderWay() ||
        (socket != dataHandle_ && socket != listenHandle_))
        return;
    transferHalted_ = true;
    ReportError(errorCode);
}

// Nothing is sent on the data connection.
void TCustomFtpClient::DataWrite(port::TSocket*, win::SOCKET) {}

} // namespace ftp
