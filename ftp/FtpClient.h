// The FTP client: a socket port for the control connection whose reply lines a data packet cuts
// out, one data connection at a time, and a control state that accepts each operation only where
// it belongs. Outcomes arrive as events fired from the client's own hidden window.
#pragma once

#include "ftp/DataPacket.h"
#include "gui/HiddenWindow.h"
#include "port/SocketComponent.h"
#include "port/WinsockPort.h"
#include "rtl/FileStream.h"
#include "rtl/StagedFile.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ftp {

class TFtpLog;

enum class TFtpFileType : std::uint8_t { ftAscii, ftBinary };
// Any value other than rcvAppend and rcvReplace restarts.
enum class TFtpReceiveMode : std::uint8_t { rcvAppend, rcvReplace, rcvRestart };

enum TFtpLogCode : std::uint8_t {
    flDisconnected,
    flConnected,
    flLoggedOut,
    flLoggedIn,
    flDeleting,
    flRenaming,
    flDownloading,
    flUploading,
    flTransferComplete,
    flRestarting,
    flTimedOut,
    flUserAbort,
};

enum TFtpStatusCode : std::uint8_t {
    fsClosed,
    fsConnected,
    fsLoggedOut,
    fsLoggedIn,
    fsComplete,
    fsCurrentDir,
    fsDataAvailable,
    fsProgress,
    fsTransferDone,
    fsTimeout,
};

enum class TControlState : std::uint8_t {
    cnClosed = 0,
    cnLogin = 1,
    cnReady = 2,
    cnListing = 3,
    cnRetrieving = 4,
    cnDirectory = 7,
};

// Texts are null when there is none; they belong to the client and go when the handler returns.
using TFtpStatusEvent =
    gui::TMethod<void(gui::TObject* sender, TFtpStatusCode statusCode, const char* infoText)>;
using TFtpErrorEvent =
    gui::TMethod<void(gui::TObject* sender, std::int32_t errorCode, const char* errorText)>;
using TFtpReplyEvent =
    gui::TMethod<void(gui::TObject* sender, std::int32_t replyCode, const char* replyText)>;
using TFtpLogEvent = gui::TMethod<void(gui::TObject* sender, TFtpLogCode logCode)>;

inline constexpr win::UINT FtpMsgError = 2845;
inline constexpr win::UINT FtpMsgLog = 2846;
inline constexpr win::UINT FtpMsgReply = 2847;
inline constexpr win::UINT FtpMsgStatus = 2848;
inline constexpr win::UINT FtpMsgTimeout = 2849;
inline constexpr std::size_t FtpBufferSize = 32769;
inline constexpr std::size_t MaxQueuedCommands = 32;
// A reply line, CR LF included, is at most this long; a longer one ends the connection.
inline constexpr std::int32_t MaxReplyLine = 32768;
// The default bound of a listing; a longer one is an error, never passed on cut short.
inline constexpr std::size_t MaxListing = 16 * 1024 * 1024;

// Error codes of the client's own, beside the server's reply codes, the socket error numbers and
// the runtime's I/O error codes of the local file.
inline constexpr std::int32_t FtpErrorConnectTimeout = -1;
// A reply that answers no command in flight, or with a code its command cannot get.
inline constexpr std::int32_t FtpErrorOutOfStep = -2;
// A command line that would hold CR, LF or NUL, and so become two.
inline constexpr std::int32_t FtpErrorBadCommand = -3;
// The data ended with another number of bytes than the server announced.
inline constexpr std::int32_t FtpErrorSizeMismatch = -4;
inline constexpr std::int32_t FtpErrorConnectionLost = win::WSAECONNRESET;
inline constexpr std::int32_t FtpErrorTooLong = win::WSAEMSGSIZE;

// What a command sent is, for matching the server's reply to it.
enum class TCommandKind : std::uint8_t {
    ckGreeting, // not sent: the connection itself awaits the greeting
    ckUser,
    ckPass,
    ckAcct,
    ckCwd,
    ckPwd,
    ckType,
    ckPort,
    ckPasv,
    ckRest,
    ckTransfer, // RETR, LIST or NLST
    ckAbort,
    ckQuit,
};

// Where a listing or download stands. It is done only once its data has ended and the server has
// confirmed the transfer command, in either order.
enum class TTransferPhase : std::uint8_t {
    tpOpening,     // the data connection and the commands before the transfer command
    tpCommandSent, // RETR, LIST or NLST sent; data may flow
    tpDataEnded,   // the data connection ended; the confirmation is still owed
    tpConfirmed,   // the server confirmed; the data connection has not ended yet
    tpDone,
    tpFailed,
};

class TCustomFtpClient : public port::TCustomWinsockPort {
    GUI_CLASS_INFO
public:
    explicit TCustomFtpClient(gui::TComponent* owner);
    ~TCustomFtpClient() override;

    std::string Account;
    // Ticks of 55 ms; 0 or less: no timer.
    std::int32_t ConnectTimeout = 0;
    std::int32_t TransferTimeout = 1092;
    // Bytes; a longer listing is an error.
    std::int32_t ListingLimit = static_cast<std::int32_t>(MaxListing);
    TFtpFileType FileType() const { return fileType_; }
    void SetFileType(TFtpFileType type) { fileType_ = type; }
    std::string Password;
    bool PassiveMode = false;
    std::string UserName;
    TFtpLog* FtpLog() const { return ftpLog_; }
    void SetFtpLog(TFtpLog* log);

    TFtpErrorEvent OnFtpError;
    TFtpLogEvent OnFtpLog;
    TFtpReplyEvent OnFtpReply;
    TFtpStatusEvent OnFtpStatus;

    // 64 bits wide, so that files beyond 2 GiB count right.
    std::int64_t TransferredBytes = 0;
    std::int32_t ResumeOffset = 0;
    std::string RemotePath;
    std::string LocalPath;

    // Operations that would send a name or text holding CR, LF or NUL return false and send
    // nothing; a user name, password or account set so later ends the session with an error
    // when it is due.
    bool Login();
    bool Logout();
    bool ChangeDir(const std::string& dir);
    bool CurrentDir();
    bool ListDir(const std::string& dir, bool fullList);
    bool Retrieve(const std::string& remoteName, const std::string& localName, TFtpReceiveMode mode);
    bool Abort();
    bool Connected() const { return state_ != TControlState::cnClosed; }
    TControlState State() const { return state_; }
    TTransferPhase TransferPhase() const { return transfer_.Phase; }
    // The size the server's 125 or 150 reply announced for the current download, if it did.
    std::optional<std::int64_t> AnnouncedSize() const { return transfer_.AnnouncedSize; }
    // The last listing with every byte the server sent, readable while fsDataAvailable is handled;
    // its InfoText ends at the first NUL.
    const std::string& Listing() const { return listing_; }

protected:
    void Notification(gui::TComponent* component, gui::TOperation operation) override;
    void NotifyConnect() override;
    void NotifyDisconnect() override;
    void NotifyError(int errorCode) override;

private:
    using TText = std::optional<std::string>;

    bool TransferUnderWay() const {
        return state_ == TControlState::cnListing || state_ == TControlState::cnRetrieving;
    }
    void EnterState(TControlState state);
    void HandleReply(std::int32_t code, const std::string& line);
    bool GatherMultiLine(const std::string& line);
    bool MatchReply(std::int32_t code);
    void FailReply(std::int32_t code);
    void FailSession(std::int32_t code, const std::string& text);
    void ReportStatus(TFtpStatusCode code, const TText& text = std::nullopt);
    void ReportError(std::int32_t code, const TText& text = std::nullopt);
    void ReportLog(TFtpLogCode code);
    void Post(win::UINT message, win::WPARAM wParam, const TText& text);
    TText TakeText(win::LPARAM id);
    bool SendCommand(TCommandKind kind, const std::string& line);
    void SendOrFail(TCommandKind kind, const std::string& line);
    bool QueueCommand(TCommandKind kind, const std::string& line);
    void SendNextCommand();
    void StartTransferTimer();
    void RestartTransferTimer();
    void StopTransferTimer();
    void TriggerHandler(std::uint32_t msg, std::uint32_t wParam, std::int32_t lParam);
    void ReplyLine(gui::TObject* sender, const std::string& line);
    win::LRESULT WindowMethod(win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
    void StopConnectTimer();

    // The data connection.
    bool OpenDataChannel();
    bool OpenPassive();
    bool OpenActive();
    bool ConnectPassiveData(const std::string& reply);
    std::int32_t ReadDataBlock();
    void EndOfData();
    void EnterPhase(TTransferPhase phase);
    void FinishTransfer();
    void CloseDataSockets();
    void CloseDataHandles();
    void DisposeDataSocket(win::SOCKET socket);
    bool OpenLocalFile(const std::string& localName, TFtpReceiveMode mode);
    void DataAccept(port::TSocket* sender, win::SOCKET socket);
    void DataDisconnect(port::TSocket* sender, win::SOCKET socket);
    void DataError(port::TSocket* sender, win::SOCKET socket, int errorCode);
    void DataRead(port::TSocket* sender, win::SOCKET socket);
    void DataWrite(port::TSocket* sender, win::SOCKET socket);

    TFtpFileType fileType_ = TFtpFileType::ftBinary;
    TControlState state_ = TControlState::cnClosed;
    bool enteringClosed_ = false;
    // Login has started a connection that has not been made yet.
    bool connecting_ = false;
    std::string replyBuffer_;
    struct TQueuedCommand {
        TCommandKind Kind;
        std::string Line;
    };
    std::vector<TQueuedCommand> commandStack_;
    // Commands sent whose final reply has not come, oldest first. Those of an operation that has
    // ended are no longer current: their replies are taken and dropped.
    struct TCommandInFlight {
        TCommandKind Kind;
        bool Current;
    };
    std::deque<TCommandInFlight> inFlight_;
    bool multiLineActive_ = false;
    std::string multiLinePrefix_;
    // A reply line over the bound has been posted; what follows it is not looked at.
    bool replyTooLong_ = false;
    bool transferHalted_ = false;
    bool destroying_ = false;
    std::unique_ptr<gui::THiddenWindow> ftpWindow_;
    TDataPacket* replyPacket_ = nullptr;
    std::int32_t transferTimer_ = 0;
    TFtpLog* ftpLog_ = nullptr;
    std::map<win::LPARAM, std::string> texts_;
    win::LPARAM nextTextId_ = 1;

    port::TSocket* dataSocket_ = nullptr;
    win::SOCKET dataHandle_ = win::INVALID_SOCKET;
    win::SOCKET listenHandle_ = win::INVALID_SOCKET;
    win::sockaddr_in dataAddress_{};
    // The control connection's peer: the only host a data connection goes to or comes from.
    win::sockaddr_in serverAddress_{};
    bool closingData_ = false;
    std::vector<char> dataBuffer_ = std::vector<char>(FtpBufferSize, 0);
    std::string listing_;
    // One listing or download, from its first command to its outcome.
    struct TTransfer {
        TTransferPhase Phase = TTransferPhase::tpDone;
        // A binary download from the start has to hold the size its 125 or 150 reply announces.
        bool SizeBinds = false;
        std::optional<std::int64_t> AnnouncedSize;
        // The local file: a staged one that takes its name when the download is done, or the
        // file itself when appending or restarting.
        std::unique_ptr<rtl::THandleStream> LocalStream;
        rtl::TStagedFile* Staged = nullptr;
    };
    TTransfer transfer_;
};

// The client with its properties published.
class TFtpClient : public TCustomFtpClient {
    GUI_CLASS_INFO
public:
    using TCustomFtpClient::TCustomFtpClient;
};

} // namespace ftp
