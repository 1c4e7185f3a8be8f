#include "ftp/FtpClient.h"

#include "ftp/FtpLog.h"
#include "platform/MessageLoop.h"
#include "port/LibBase.h"
#include "port/PortErrors.h"
#include "port/SocketDispatcher.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace ftp {
namespace {

constexpr win::UINT_PTR ConnectTimerId = 1;
constexpr std::size_t kMaxReply = FtpBufferSize - 1;
constexpr std::int32_t kLogoutPauseTicks = 5;

bool StartsWithCode(const std::string& line) {
    return line.size() >= 3 && std::all_of(line.begin(), line.begin() + 3, [](char c) {
               return std::isdigit(static_cast<unsigned char>(c));
           });
}

// The number in the line's first three characters, 0 when they are not one.
std::int32_t ReplyCode(const std::string& line) {
    return StartsWithCode(line) ? std::stoi(line.substr(0, 3)) : 0;
}

// Whether the reply is one the command can get. Negative replies answer any command; positive
// ones only the commands they belong to, and preliminary ones only the greeting and the transfers.
bool Answers(TCommandKind command, std::int32_t code) {
    if (code >= 400 && code <= 599) return true;
    switch (command) {
    case TCommandKind::ckGreeting:
        return code == 120 || code == 220;
    case TCommandKind::ckUser:
        return code == 202 || code == 230 || code == 331 || code == 332;
    case TCommandKind::ckPass:
        return code == 202 || code == 230 || code == 332;
    case TCommandKind::ckAcct:
        return code == 202 || code == 230;
    case TCommandKind::ckCwd:
        return code == 250;
    case TCommandKind::ckPwd:
        return code == 257;
    case TCommandKind::ckType:
    case TCommandKind::ckPort:
        return code == 200;
    case TCommandKind::ckPasv:
        return code == 227;
    case TCommandKind::ckRest:
        return code == 350;
    case TCommandKind::ckTransfer:
        return code == 125 || code == 150 || code == 226 || code == 250;
    case TCommandKind::ckAbort:
        return code == 225 || code == 226;
    case TCommandKind::ckQuit:
        return code == 221;
    }
    return false;
}

// The size in a reply such as "150 Opening BINARY mode data connection for f (1234 bytes).".
std::optional<std::int64_t> SizeInReply(const std::string& reply) {
    const std::size_t bytes = reply.rfind(" bytes)");
    const std::size_t open = bytes == std::string::npos ? bytes : reply.rfind('(', bytes);
    if (open == std::string::npos) return std::nullopt;
    std::int64_t size = 0;
    const char* first = reply.data() + open + 1;
    const char* last = reply.data() + bytes;
    const auto [end, error] = std::from_chars(first, last, size);
    if (error != std::errc() || end != last || size < 0) return std::nullopt;
    return size;
}

std::string WithoutLineEnd(const std::string& line) {
    return line.ends_with("\r\n") ? line.substr(0, line.size() - 2) : line;
}

// CR, LF or NUL would end the command line early and start another.
bool BreaksCommandLine(const std::string& text) {
    return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

std::string FromFifth(const std::string& text) {
    return text.size() > 4 ? text.substr(4) : std::string();
}

// The text between the first two double quotes, empty without them.
std::string Quoted(const std::string& text) {
    const std::size_t first = text.find('"');
    if (first == std::string::npos) return {};
    const std::size_t second = text.find('"', first + 1);
    if (second == std::string::npos) return {};
    return text.substr(first + 1, second - first - 1);
}

} // namespace

const gui::TClassInfo& TCustomFtpClient::StaticClass() {
    static const gui::TClassInfo info =
        gui::TClassBuilder<TCustomFtpClient>("TCustomFtpClient", &TCustomWinsockPort::StaticClass()).Build();
    return info;
}

const gui::TClassInfo& TFtpClient::StaticClass() {
    static const std::vector<std::string> kTraceLogStates = {"tlOff",    "tlOn",    "tlDump",
                                                             "tlAppend", "tlClear", "tlPause"};
    static const gui::TClassInfo info =
        gui::TClassBuilder<TFtpClient>("TFtpClient", &TCustomFtpClient::StaticClass())
            .Field("Account", &TCustomFtpClient::Account, false)
            .Field("ConnectTimeout", &TCustomFtpClient::ConnectTimeout)
            .Enumeration("FileType", {"ftAscii", "ftBinary"}, &TCustomFtpClient::FileType,
                         &TCustomFtpClient::SetFileType)
            .Object("FtpLog", &TCustomFtpClient::FtpLog, &TCustomFtpClient::SetFtpLog)
            .Field("Password", &TCustomFtpClient::Password, false)
            .Field("PassiveMode", &TCustomFtpClient::PassiveMode)
            .String("ServerAddress", &TFtpClient::ServerAddress, &TFtpClient::SetServerAddress, false)
            .Field("TransferTimeout", &TCustomFtpClient::TransferTimeout)
            .Field("ListingLimit", &TCustomFtpClient::ListingLimit)
            .Field("UserName", &TCustomFtpClient::UserName, false)
            .String("WsPort", &TFtpClient::WsPort, &TFtpClient::SetWsPort)
            .Enumeration("Logging", kTraceLogStates, &TFtpClient::Logging, &TFtpClient::SetLogging)
            .Integer("LogSize", &TFtpClient::LogSize, &TFtpClient::SetLogSize)
            .Field("LogName", &TFtpClient::LogName)
            .Field("LogHex", &TFtpClient::LogHex)
            .Enumeration("Tracing", kTraceLogStates, &TFtpClient::Tracing, &TFtpClient::SetTracing)
            .Integer("TraceSize", &TFtpClient::TraceSize, &TFtpClient::SetTraceSize)
            .Field("TraceName", &TFtpClient::TraceName)
            .Field("TraceHex", &TFtpClient::TraceHex)
            .Event("OnFtpError", &TFtpClient::OnFtpError)
            .Event("OnFtpLog", &TFtpClient::OnFtpLog)
            .Event("OnFtpReply", &TFtpClient::OnFtpReply)
            .Event("OnFtpStatus", &TFtpClient::OnFtpStatus)
            .Creatable()
            .Build();
    return info;
}

TCustomFtpClient::TCustomFtpClient(gui::TComponent* owner) : TCustomWinsockPort(owner) {
    DeviceKind = port::dkWinsock;
    ListenMode = false;
    SetWsPort("ftp");
    OpenOnDemand = false;
    ftpWindow_ = std::make_unique<gui::THiddenWindow>(
        [this](win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
            return WindowMethod(message, wParam, lParam);
        });
    dataSocket_ = new port::TSocket(this);
    dataSocket_->OnSocketAccept = port::TSocketNotifyEvent(this, &TCustomFtpClient::DataAccept);
    dataSocket_->OnSocketDisconnect = port::TSocketNotifyEvent(this, &TCustomFtpClient::DataDisconnect);
    dataSocket_->OnSocketError = port::TSocketErrorEvent(this, &TCustomFtpClient::DataError);
    dataSocket_->OnSocketRead = port::TSocketNotifyEvent(this, &TCustomFtpClient::DataRead);
    dataSocket_->OnSocketWrite = port::TSocketNotifyEvent(this, &TCustomFtpClient::DataWrite);
    replyPacket_ = new TDataPacket(this);
    replyPacket_->SetComPort(this);
    replyPacket_->SetStartCond(TPacketStartCond::scAnyData);
    replyPacket_->SetEndString("\r\n");
    // A line that reaches the bound without its CR LF arrives cut there and ends the connection.
    replyPacket_->SetPacketSize(MaxReplyLine);
    replyPacket_->SetEndCond(ecString | ecPacketSize);
    replyPacket_->SetTimeOut(0);
    replyPacket_->OnStringPacket = TStringPacketNotifyEvent(this, &TCustomFtpClient::ReplyLine);
    replyPacket_->SetEnabled(false);
}

TCustomFtpClient::~TCustomFtpClient() {
    delete replyPacket_;
    replyPacket_ = nullptr;
    destroying_ = true;
    CloseDataHandles();
    SetActive(false);
    ftpWindow_.reset();
    delete dataSocket_;
    dataSocket_ = nullptr;
    if (ftpLog_ != nullptr) ftpLog_->SetFtpClient(nullptr);
}

void TCustomFtpClient::SetFtpLog(TFtpLog* log) {
    if (log == ftpLog_) return;
    if (ftpLog_ != nullptr) ftpLog_->RemoveFreeNotification(this);
    ftpLog_ = log;
    if (ftpLog_ == nullptr) return;
    ftpLog_->FreeNotification(this);
    ftpLog_->SetFtpClient(this);
}

void TCustomFtpClient::Notification(gui::TComponent* component, gui::TOperation operation) {
    TCustomWinsockPort::Notification(component, operation);
    if (operation == gui::TOperation::opRemove) {
        if (component == ftpLog_) ftpLog_ = nullptr;
        if (component == replyPacket_) replyPacket_ = nullptr;
        if (component == dataSocket_) dataSocket_ = nullptr;
    } else if (component->Is<TFtpLog>() && ftpLog_ == nullptr && component->Owner() == Owner() &&
               static_cast<TFtpLog*>(component)->FtpClient() == nullptr) {
        SetFtpLog(static_cast<TFtpLog*>(component));
    }
}

// The one place the control state changes; leaving for cnClosed or cnReady ends what belongs to
// the old state first.
void TCustomFtpClient::EnterState(TControlState state) {
    const TControlState old = state_;
    if ((state == TControlState::cnClosed || state == TControlState::cnReady) && TransferUnderWay() &&
        transfer_.Phase != TTransferPhase::tpDone)
        transfer_.Phase = TTransferPhase::tpFailed;
    switch (state) {
    case TControlState::cnClosed: {
        if (enteringClosed_) return;
        enteringClosed_ = true;
        connecting_ = false;
        StopTransferTimer();
        StopConnectTimer();
        CloseDataHandles();
        SetActive(false);
        commandStack_.clear();
        multiLineActive_ = false;
        replyTooLong_ = false;
        inFlight_.clear();
        enteringClosed_ = false;
        state_ = state;
        if (old >= TControlState::cnReady) {
            ReportStatus(fsLoggedOut);
            ReportLog(flLoggedOut);
        } else {
            ReportLog(flDisconnected);
            ReportStatus(fsClosed);
        }
        return;
    }
    case TControlState::cnReady:
        // A transfer reported done has read its data already; one that failed must not write more.
        CloseDataHandles();
        commandStack_.clear();
        for (TCommandInFlight& command : inFlight_)
            command.Current = false;
        break;
    default:
        break;
    }
    state_ = state;
}

bool TCustomFtpClient::Login() {
    if (state_ != TControlState::cnClosed && state_ != TControlState::cnLogin) return false;
    if (BreaksCommandLine(UserName) || BreaksCommandLine(Password) || BreaksCommandLine(Account))
        return false;
    bool result = true;
    if (state_ == TControlState::cnClosed) {
        // The connect timer runs until the greeting; a repeated USER has the transfer timer.
        SetActive(true);
        result = PortState() == port::TPortState::psOpen;
        connecting_ = result;
        // Armed once the port is open: a name that does not resolve leaves no timer behind.
        if (result && ConnectTimeout > 0)
            win::SetTimer(ftpWindow_->Handle(), ConnectTimerId,
                          static_cast<win::UINT>(ConnectTimeout) * port::MsPerTick, nullptr);
    } else if (!SendCommand(TCommandKind::ckUser, "USER " + UserName)) {
        return false;
    }
    EnterState(TControlState::cnLogin);
    return result;
}

bool TCustomFtpClient::Logout() {
    const bool open = PortState() == port::TPortState::psOpen;
    // A transfer cut short by the caller is no error of the server's.
    transferHalted_ = true;
    if (open) SendCommand(TCommandKind::ckQuit, "QUIT");
    // The pause lets the QUIT go out and its answer come in; it is over once the server has closed.
    port::DelayTicksUntil(kLogoutPauseTicks, [this] { return PortState() != port::TPortState::psOpen; });
    SetActive(false);
    return open;
}

bool TCustomFtpClient::ChangeDir(const std::string& dir) {
    if (state_ != TControlState::cnReady) return false;
    const bool sent = dir.empty() ? SendCommand(TCommandKind::ckPwd, "PWD")
                                  : SendCommand(TCommandKind::ckCwd, "CWD " + dir);
    if (sent) EnterState(TControlState::cnDirectory);
    return sent;
}

bool TCustomFtpClient::CurrentDir() {
    if (state_ != TControlState::cnReady || !SendCommand(TCommandKind::ckPwd, "PWD")) return false;
    EnterState(TControlState::cnDirectory);
    return true;
}

bool TCustomFtpClient::ListDir(const std::string& dir, bool fullList) {
    if (state_ != TControlState::cnReady ||
        !QueueCommand(TCommandKind::ckTransfer,
                      std::string(fullList ? "LIST" : "NLST") + (dir.empty() ? "" : " " + dir)))
        return false;
    EnterState(TControlState::cnListing);
    listing_.clear();
    TransferredBytes = 0;
    transferHalted_ = false;
    transfer_ = TTransfer{};
    transfer_.Phase = TTransferPhase::tpOpening;
    if (PassiveMode) QueueCommand(TCommandKind::ckPasv, "PASV");
    QueueCommand(TCommandKind::ckType, "TYPE A");
    return OpenDataChannel();
}

bool TCustomFtpClient::Retrieve(const std::string& remoteName, const std::string& localName,
                                TFtpReceiveMode mode) {
    // A NUL would cut the local name short; CR and LF have no place in it either.
    if (state_ != TControlState::cnReady || remoteName.empty() || localName.empty() ||
        BreaksCommandLine(localName) || !QueueCommand(TCommandKind::ckTransfer, "RETR " + remoteName))
        return false;
    EnterState(TControlState::cnRetrieving);
    RemotePath = remoteName;
    LocalPath = localName;
    TransferredBytes = 0;
    transferHalted_ = false;
    // A restarted or text-mode transfer carries another number of bytes than the file's size.
    transfer_ = TTransfer{};
    transfer_.Phase = TTransferPhase::tpOpening;
    transfer_.SizeBinds = (mode == TFtpReceiveMode::rcvAppend || mode == TFtpReceiveMode::rcvReplace) &&
                          fileType_ == TFtpFileType::ftBinary;
    if (!OpenLocalFile(localName, mode)) return false;
    if (PassiveMode) QueueCommand(TCommandKind::ckPasv, "PASV");
    QueueCommand(TCommandKind::ckType, std::string("TYPE ") + "AI"[static_cast<int>(fileType_)]);
    return OpenDataChannel();
}

bool TCustomFtpClient::Abort() {
    if (state_ != TControlState::cnListing && state_ != TControlState::cnRetrieving &&
        state_ != TControlState::cnDirectory)
        return false;
    transferHalted_ = true;
    SendCommand(TCommandKind::ckAbort, "ABOR");
    ReportLog(flUserAbort);
    return true;
}

void TCustomFtpClient::NotifyConnect() {
    connecting_ = false;
    if (replyPacket_ != nullptr) replyPacket_->SetEnabled(true);
    if (port::TBaseDispatcher* dispatcher = CurrentDispatcher())
        dispatcher->AddEventHandler(port::TEventHandlerProc(this, &TCustomFtpClient::TriggerHandler));
    EnterState(TControlState::cnLogin);
    inFlight_.push_back({TCommandKind::ckGreeting, true});
}

void TCustomFtpClient::NotifyDisconnect() {
    StopConnectTimer();
    if (port::TBaseDispatcher* dispatcher = CurrentDispatcher())
        dispatcher->RemoveEventHandler(port::TEventHandlerProc(this, &TCustomFtpClient::TriggerHandler));
    if (replyPacket_ != nullptr) replyPacket_->SetEnabled(false);
    if (TransferUnderWay() && !transferHalted_)
        ReportError(FtpErrorConnectionLost, "Connection closed before the transfer was confirmed");
    EnterState(TControlState::cnClosed);
}

// A connect that failed leaves the port open on nothing: the session ends, and says why.
// The port is closed from the queue, as for a reset: closing pumps messages, which must not
// happen inside the socket's own event.
void TCustomFtpClient::NotifyError(int errorCode) {
    const bool connectFailed = connecting_;
    connecting_ = false;
    if (connectFailed) {
        ReportError(errorCode, port::CodeToText(errorCode));
        if (PortWindow() != nullptr) win::PostMessageA(PortWindow(), port::PortCloseMessage, 0, 0);
    }
    TCustomWinsockPort::NotifyError(errorCode);
}

void TCustomFtpClient::StopConnectTimer() {
    if (ftpWindow_) win::KillTimer(ftpWindow_->Handle(), ConnectTimerId);
}

// The one place that writes a command line: nothing that would end it early goes out.
bool TCustomFtpClient::SendCommand(TCommandKind kind, const std::string& line) {
    if (BreaksCommandLine(line)) return false;
    StartTransferTimer();
    inFlight_.push_back({kind, true});
    if (kind == TCommandKind::ckTransfer && transfer_.Phase == TTransferPhase::tpOpening)
        EnterPhase(TTransferPhase::tpCommandSent);
    SendText(line + "\r\n");
    return true;
}

// For commands that the server's reply asks for: one that cannot be sent leaves nothing to wait
// for, so the session ends.
void TCustomFtpClient::SendOrFail(TCommandKind kind, const std::string& line) {
    if (!SendCommand(kind, line))
        FailSession(FtpErrorBadCommand, "Command not sent: its text holds CR, LF or NUL");
}

bool TCustomFtpClient::QueueCommand(TCommandKind kind, const std::string& line) {
    if (BreaksCommandLine(line)) return false;
    if (commandStack_.size() == MaxQueuedCommands) {
        commandStack_.clear();
        throw rtl::Exception("FTP Command stack full");
    }
    commandStack_.push_back({kind, line});
    return true;
}

void TCustomFtpClient::SendNextCommand() {
    if (commandStack_.empty()) return;
    const TQueuedCommand command = commandStack_.back();
    commandStack_.pop_back();
    SendOrFail(command.Kind, command.Line);
}

void TCustomFtpClient::StartTransferTimer() {
    StopTransferTimer();
    port::TBaseDispatcher* dispatcher = CurrentDispatcher();
    if (TransferTimeout <= 0 || dispatcher == nullptr) return;
    transferTimer_ = dispatcher->NewTimerTrigger();
    dispatcher->ArmTimerTrigger(transferTimer_, TransferTimeout, true);
}

void TCustomFtpClient::RestartTransferTimer() {
    port::TBaseDispatcher* dispatcher = CurrentDispatcher();
    if (transferTimer_ != 0 && TransferTimeout > 0 && dispatcher != nullptr)
        dispatcher->ArmTimerTrigger(transferTimer_, TransferTimeout, true);
}

void TCustomFtpClient::StopTransferTimer() {
    if (transferTimer_ == 0) return;
    if (port::TBaseDispatcher* dispatcher = CurrentDispatcher()) {
        dispatcher->ArmTimerTrigger(transferTimer_, 0, false);
        dispatcher->DeleteTrigger(transferTimer_);
    }
    transferTimer_ = 0;
}

void TCustomFtpClient::TriggerHandler(std::uint32_t msg, std::uint32_t wParam, std::int32_t) {
    if (msg != port::MsgTriggerTimer || transferTimer_ == 0 ||
        static_cast<std::int32_t>(wParam) != transferTimer_)
        return;
    StopTransferTimer();
    if (state_ != TControlState::cnReady) Post(FtpMsgTimeout, fsTimeout, std::nullopt);
}

void TCustomFtpClient::ReplyLine(gui::TObject*, const std::string& line) {
    if (replyTooLong_) return;
    replyTooLong_ = !line.ends_with("\r\n");
    Post(FtpMsgReply, static_cast<win::WPARAM>(ReplyCode(line)), line);
}

// True while the line belongs to a multi-line reply that is still being gathered into
// ReplyBuffer; false for the line that is the reply to act on.
bool TCustomFtpClient::GatherMultiLine(const std::string& line) {
    if (!multiLineActive_) {
        replyBuffer_ = line.substr(0, kMaxReply);
        if (StartsWithCode(line) && line.size() > 3 && line[3] == '-') {
            multiLineActive_ = true;
            multiLinePrefix_ = line.substr(0, 3) + " ";
            return true;
        }
        return false;
    }
    if (!line.starts_with(multiLinePrefix_)) {
        // However many lines it has, one reply is held within the bound of one line.
        if (replyBuffer_.size() + line.size() > kMaxReply) {
            FailSession(FtpErrorTooLong, "Reply longer than " + std::to_string(MaxReplyLine) + " bytes");
            return true;
        }
        replyBuffer_ += line;
        return true;
    }
    multiLineActive_ = false;
    return false;
}

void TCustomFtpClient::HandleReply(std::int32_t code, const std::string& line) {
    // A line still on its way when the connection ended has nothing left to act on, and must
    // not begin a multi-line reply for the next connection.
    if (state_ == TControlState::cnClosed) return;
    if (!line.ends_with("\r\n")) {
        FailSession(FtpErrorTooLong, "Reply line longer than " + std::to_string(MaxReplyLine) + " bytes");
        return;
    }
    if (GatherMultiLine(line) || !MatchReply(code)) return;
    // The reply table: what each state does with each code. Only replies to a current command of
    // the state's operation reach it.
    switch (state_) {
    case TControlState::cnClosed:
    case TControlState::cnReady:
        FailReply(code);
        break;
    case TControlState::cnLogin:
        switch (code) {
        case 120: // ready in a while: the greeting follows
        case 202:
            break;
        case 220:
            StopConnectTimer();
            ReportLog(flConnected);
            ReportStatus(fsConnected, FromFifth(replyBuffer_));
            SendOrFail(TCommandKind::ckUser, "USER " + UserName);
            break;
        case 230:
            EnterState(TControlState::cnReady);
            ReportLog(flLoggedIn);
            ReportStatus(fsLoggedIn);
            break;
        case 331:
            SendOrFail(TCommandKind::ckPass, "PASS " + Password);
            break;
        case 332:
            SendOrFail(TCommandKind::ckAcct, "ACCT " + Account);
            break;
        default:
            FailReply(code);
            break;
        }
        break;
    case TControlState::cnListing:
    case TControlState::cnRetrieving:
        switch (code) {
        case 125:
        case 150:
            if (transfer_.SizeBinds) transfer_.AnnouncedSize = SizeInReply(replyBuffer_);
            break;
        case 200:
        case 350:
            SendNextCommand();
            break;
        case 226:
        case 250:
            EnterPhase(transfer_.Phase == TTransferPhase::tpDataEnded ? TTransferPhase::tpDone
                                                                      : TTransferPhase::tpConfirmed);
            break;
        case 227:
            if (ConnectPassiveData(replyBuffer_))
                SendNextCommand();
            else
                FailReply(code);
            break;
        default:
            FailReply(code);
            break;
        }
        break;
    case TControlState::cnDirectory:
        switch (code) {
        case 250:
            ReportStatus(fsComplete);
            break;
        case 257:
            ReportStatus(fsCurrentDir, Quoted(replyBuffer_));
            break;
        default:
            FailReply(code);
            break;
        }
        break;
    }
}

// Whether the reply is to be acted on: it answers the oldest command in flight, which is still
// current. A reply that answers nothing, or that its command cannot get, would be taken for
// another command's answer: the session ends instead.
bool TCustomFtpClient::MatchReply(std::int32_t code) {
    if (code < 100 || code > 599 || inFlight_.empty() || !Answers(inFlight_.front().Kind, code)) {
        FailSession(FtpErrorOutOfStep,
                    "Reply out of step with the commands sent: " + WithoutLineEnd(replyBuffer_));
        return false;
    }
    const TCommandInFlight answered = inFlight_.front();
    if (code >= 200) inFlight_.pop_front();
    // ABOR's own reply adds nothing to the transfer's; a closing server ends whatever is in flight.
    if (code == 421) return true;
    return answered.Current && answered.Kind != TCommandKind::ckAbort;
}

void TCustomFtpClient::FailSession(std::int32_t code, const std::string& text) {
    ReportError(code, text);
    EnterState(TControlState::cnClosed);
}

void TCustomFtpClient::FailReply(std::int32_t code) {
    commandStack_.clear();
    if (code != 221 && code != 421) {
        ReportError(code, replyBuffer_);
        return;
    }
    if (TransferUnderWay() && !transferHalted_) ReportError(code, replyBuffer_);
    EnterState(TControlState::cnClosed);
}

void TCustomFtpClient::ReportStatus(TFtpStatusCode code, const TText& text) {
    if (code > fsLoggedIn && code != fsProgress) EnterState(TControlState::cnReady);
    if (!destroying_) Post(FtpMsgStatus, code, text);
}

void TCustomFtpClient::ReportError(std::int32_t code, const TText& text) {
    if (state_ > TControlState::cnReady) EnterState(TControlState::cnReady);
    if (!destroying_) Post(FtpMsgError, static_cast<win::WPARAM>(code), text);
}

void TCustomFtpClient::ReportLog(TFtpLogCode code) {
    Post(FtpMsgLog, code, std::nullopt);
}

// A text travels as the id of the client's own copy.
void TCustomFtpClient::Post(win::UINT message, win::WPARAM wParam, const TText& text) {
    if (!ftpWindow_) return;
    win::LPARAM id = 0;
    if (text) {
        id = nextTextId_++;
        texts_[id] = *text;
    }
    win::PostMessageA(ftpWindow_->Handle(), message, wParam, id);
}

TCustomFtpClient::TText TCustomFtpClient::TakeText(win::LPARAM id) {
    const auto found = texts_.find(id);
    if (found == texts_.end()) return std::nullopt;
    TText text = std::move(found->second);
    texts_.erase(found);
    return text;
}

win::LRESULT TCustomFtpClient::WindowMethod(win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
    if (message == win::WM_TIMER && wParam == ConnectTimerId) {
        EnterState(TControlState::cnClosed);
        StopConnectTimer();
        OnFtpError.Call(this, FtpErrorConnectTimeout, nullptr);
        return 0;
    }
    if (message < FtpMsgError || message > FtpMsgTimeout) return 0;
    const TText text = TakeText(lParam);
    const char* chars = text ? text->c_str() : nullptr;
    switch (message) {
    case FtpMsgError:
        OnFtpError.Call(this, static_cast<std::int32_t>(wParam), chars);
        break;
    case FtpMsgLog:
        if (ftpLog_ != nullptr)
            ftpLog_->WriteHistory(static_cast<TFtpLogCode>(wParam & 0x7F));
        else
            OnFtpLog.Call(this, static_cast<TFtpLogCode>(wParam & 0x7F));
        break;
    case FtpMsgReply:
        HandleReply(static_cast<std::int32_t>(wParam), text.value_or(""));
        if (!destroying_) OnFtpReply.Call(this, static_cast<std::int32_t>(wParam), chars);
        break;
    case FtpMsgStatus:
        OnFtpStatus.Call(this, static_cast<TFtpStatusCode>(wParam), chars);
        break;
    case FtpMsgTimeout:
        // Whatever the server still sends belongs to the command that timed out: the session ends.
        transferHalted_ = true;
        ReportLog(flTimedOut);
        EnterState(TControlState::cnClosed);
        OnFtpStatus.Call(this, fsTimeout, nullptr);
        break;
    default:
        break;
    }
    return 0;
}

} // namespace ftp
