// The FTP client's data connection: PASV or PORT, receiving into the listing buffer or the local
// file, progress and the end of a transfer.
#include "ftp/FtpClient.h"

#include "port/Dispatcher.h"
#include "port/SocketLoader.h"
#include "rtl/FileUtils.h"

#include <algorithm>
#include <cstring>

namespace ftp {
namespace {

constexpr long kPassiveNotifications = win::FD_READ | win::FD_WRITE | win::FD_CLOSE;
constexpr long kActiveNotifications = win::FD_READ | win::FD_WRITE | win::FD_ACCEPT | win::FD_CLOSE;
constexpr int kListenBacklog = 5;
constexpr std::size_t kListingLimit = FtpBufferSize - 1;

// A decimal number, 0 when the text is not one.
int ByteNumber(const std::string& text) {
    try {
        std::size_t used = 0;
        const int value = std::stoi(text, &used);
        return used == text.size() ? value : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

} // namespace

bool TCustomFtpClient::OpenDataChannel() {
    try {
        return PassiveMode ? OpenPassive() : OpenActive();
    } catch (const std::exception&) {
        CloseDataHandles();
        commandStack_.clear();
        return false;
    }
}

bool TCustomFtpClient::OpenPassive() {
    dataHandle_ = dataSocket_->NewStreamSocket();
    dataSocket_->SelectNotifications(dataHandle_, kPassiveNotifications);
    SendNextCommand();
    return dataHandle_ != win::INVALID_SOCKET;
}

bool TCustomFtpClient::OpenActive() {
    port::TBaseDispatcher* dispatcher = CurrentDispatcher();
    if (dispatcher == nullptr) return false;
    int length = sizeof dataAddress_;
    if (port::SocketApi().getsockname(static_cast<win::SOCKET>(dispatcher->DeviceId()),
                                      reinterpret_cast<win::sockaddr*>(&dataAddress_), &length) != 0)
        return false;
    if (listenHandle_ == win::INVALID_SOCKET) listenHandle_ = dataSocket_->NewStreamSocket();
    if (listenHandle_ == win::INVALID_SOCKET) return false;
    dataSocket_->SelectNotifications(listenHandle_, kActiveNotifications);
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
    SendCommand("PORT " + text);
    return true;
}

void TCustomFtpClient::ConnectPassiveData(const std::string& text) {
    if (dataSocket_ == nullptr) return;
    std::string numbers = text;
    std::size_t at = 0;
    for (int dots = 0; dots < 3; ++dots) {
        at = numbers.find(',', at);
        if (at == std::string::npos) break;
        numbers[at] = '.';
    }
    std::string address = numbers;
    int high = 0;
    int low = 0;
    if (const std::size_t comma = numbers.find(','); comma != std::string::npos) {
        address = numbers.substr(0, comma);
        const std::string rest = numbers.substr(comma + 1);
        const std::size_t next = rest.find(',');
        high = ByteNumber(rest.substr(0, next));
        low = next == std::string::npos ? 0 : ByteNumber(rest.substr(next + 1));
    }
    win::sockaddr_in target{};
    target.sin_family = win::AF_INET;
    target.sin_addr.s_addr = dataSocket_->TextToAddress(address);
    target.sin_port = dataSocket_->PortToNet(static_cast<win::u_short>((high * 256 + low) & 0xFFFF));
    dataSocket_->ConnectTo(dataHandle_, target);
}

std::int32_t TCustomFtpClient::ReadDataBlock() {
    if (dataHandle_ == win::INVALID_SOCKET) return 0;
    if (state_ == TControlState::cnRetrieving) {
        if (!localStream_ || transferHalted_) return 0;
        RestartTransferTimer();
        const int received = dataSocket_->ReceiveInto(dataHandle_, dataBuffer_.data(),
                                                      static_cast<int>(dataBuffer_.size()), 0);
        if (received > 0) {
            TransferredBytes += received;
            localStream_->WriteBuffer(dataBuffer_.data(), received);
            ReportStatus(fsProgress);
        }
        return received;
    }
    const auto held = static_cast<std::size_t>(TransferredBytes);
    const int received = dataSocket_->ReceiveInto(dataHandle_, dataBuffer_.data() + held,
                                                  static_cast<int>(kListingLimit - held), 0);
    if (received > 0) TransferredBytes += received;
    return received;
}

void TCustomFtpClient::ShutDataChannel(bool drain) {
    struct TClose {
        TCustomFtpClient& client;
        ~TClose() { client.CloseDataHandles(); }
    } close{*this};
    if (dataHandle_ == win::INVALID_SOCKET || dataSocket_ == nullptr) return;
    dataSocket_->SelectNotifications(dataHandle_, 0);
    dataSocket_->StopTraffic(dataHandle_, 1);
    if (drain && (state_ == TControlState::cnListing || state_ == TControlState::cnRetrieving))
        while (ReadDataBlock() > 0) {
        }
    dataSocket_->StopTraffic(dataHandle_, 2);
}

void TCustomFtpClient::CloseDataHandles() {
    for (win::SOCKET* handle : {&dataHandle_, &listenHandle_}) {
        if (*handle != win::INVALID_SOCKET && dataSocket_ != nullptr) {
            try {
                dataSocket_->DisposeSocket(*handle);
            } catch (const std::exception&) {
                // A socket that cannot be closed is forgotten all the same.
            }
        }
        *handle = win::INVALID_SOCKET;
    }
    localStream_.reset();
}

void TCustomFtpClient::OpenLocalFile(const std::string& localName, TFtpReceiveMode mode) {
    if (!rtl::FileExists(localName)) rtl::TFileStream(localName, rtl::fmCreate);
    switch (mode) {
    case TFtpReceiveMode::rcvReplace:
        localStream_ = std::make_unique<rtl::TFileStream>(localName, rtl::fmOpenWrite);
        localStream_->SetPosition(0);
        ReportLog(flDownloading);
        break;
    case TFtpReceiveMode::rcvAppend:
        localStream_ = std::make_unique<rtl::TFileStream>(localName, rtl::fmOpenReadWrite);
        localStream_->Seek(0, rtl::TSeekOrigin::soEnd);
        ReportLog(flDownloading);
        break;
    default: {
        localStream_ = std::make_unique<rtl::TFileStream>(localName, rtl::fmOpenReadWrite);
        const std::int64_t size = localStream_->Size();
        if (size < ResumeOffset || ResumeOffset < 0) ResumeOffset = static_cast<std::int32_t>(size);
        localStream_->SetPosition(ResumeOffset);
        QueueCommand("REST " + std::to_string(ResumeOffset));
        ReportLog(flRestarting);
        break;
    }
    }
}

void TCustomFtpClient::DataAccept(port::TSocket*, win::SOCKET) {
    dataHandle_ = dataSocket_->AcceptIncoming(listenHandle_, peerAddress_);
}

void TCustomFtpClient::DataRead(port::TSocket*, win::SOCKET socket) {
    if (socket == dataHandle_ &&
        (state_ == TControlState::cnListing || state_ == TControlState::cnRetrieving))
        ReadDataBlock();
}

// The server ended the data connection: the listing or the download is complete.
void TCustomFtpClient::DataDisconnect(port::TSocket*, win::SOCKET socket) {
    if (socket != dataHandle_) return;
    if (state_ == TControlState::cnListing) {
        ShutDataChannel(true);
        ReportStatus(fsDataAvailable, std::string(dataBuffer_.data()));
    } else if (state_ == TControlState::cnRetrieving) {
        ReportStatus(fsTransferDone);
    }
}

// At most one socket error is reported per transfer. The transfer is halted before the report,
// whose shutting of the data channel may fail again.
void TCustomFtpClient::DataError(port::TSocket*, win::SOCKET, int errorCode) {
    if (transferHalted_) return;
    transferHalted_ = true;
    ReportError(errorCode);
}

// Nothing is sent on the data connection.
void TCustomFtpClient::DataWrite(port::TSocket*, win::SOCKET) {}

} // namespace ftp
