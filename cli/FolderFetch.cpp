#include "cli/FolderFetch.h"

#include "ftp/NameList.h"
#include "platform/MessageLoop.h"
#include "port/PortErrors.h"
#include "rtl/FileUtils.h"
#include "rtl/StagedFile.h"

namespace cli {
namespace {

constexpr const char* kAnonymous = "anonymous";
// Ticks of 55 ms: a server that does not greet within 30 s is given up.
constexpr std::int32_t kConnectTimeoutTicks = 546;

std::string ErrorDescription(std::int32_t code, const char* text) {
    std::string described = text == nullptr ? "" : rtl::TrimBlanks(text);
    if (code == ftp::FtpErrorConnectTimeout) described = "the server did not answer within 30 seconds";
    if (described.empty()) described = port::CodeToText(code);
    if (described.empty()) return "error " + std::to_string(code);
    if (described.starts_with(std::to_string(code))) return described;
    return "error " + std::to_string(code) + ": " + described;
}

} // namespace

TFolderFetch::TFolderFetch(const TFetchUrl& url, std::string localFolder, const TFetchOptions& options,
                           TFetchProgress& progress)
    : folder_(url.Folder), localFolder_(std::move(localFolder)), progress_(progress) {
    if (!localFolder_.empty() && localFolder_.back() != '/') localFolder_ += '/';
    client_.SetServerAddress(url.Host);
    if (!url.Port.empty()) client_.SetWsPort(url.Port);
    client_.UserName = url.User.empty() ? kAnonymous : url.User;
    client_.Password = url.User.empty() ? kAnonymous : url.Password;
    client_.PassiveMode = !options.Active;
    client_.SetFileType(ftp::TFtpFileType::ftBinary);
    client_.ConnectTimeout = kConnectTimeoutTicks;
    if (!options.TraceFile.empty()) {
        client_.TraceName = options.TraceFile;
        client_.SetTracing(port::TTraceLogState::tlOn);
    }
    if (!options.LogFile.empty()) {
        client_.LogName = options.LogFile;
        client_.SetLogging(port::TTraceLogState::tlOn);
    }
    if (!options.HistoryFile.empty()) {
        history_.SetFtpHistoryName(options.HistoryFile);
        history_.SetEnabled(true);
        history_.SetFtpClient(&client_);
        client_.SetFtpLog(&history_);
    }
    client_.OnFtpStatus = ftp::TFtpStatusEvent(this, &TFolderFetch::FtpStatus);
    client_.OnFtpError = ftp::TFtpErrorEvent(this, &TFolderFetch::FtpError);
    client_.OnFtpReply = ftp::TFtpReplyEvent(this, &TFolderFetch::FtpReply);
    client_.OnConnectionError = port::TWsErrorEvent(this, &TFolderFetch::ConnectionError);
}

void TFolderFetch::Start() {
    if (!rtl::DirectoryExists(localFolder_) && !rtl::ForceDirectories(localFolder_)) {
        Finish(1, "cannot make the folder " + localFolder_);
        return;
    }
    // What a run cut short by a kill left.
    rtl::TStagedFile::RemoveLeftovers(localFolder_);
    if (!client_.Login()) Finish(1, "the login could not be started");
}

void TFolderFetch::EnterState(TStep step) {
    step_ = step;
    switch (step) {
    case TStep::stLoggingIn:
        break;
    case TStep::stEnteringFolder:
        if (!client_.ChangeDir(folder_)) Finish(1, "the folder name cannot be sent");
        break;
    case TStep::stListing:
        if (!client_.ListDir("", false)) Finish(1, "the listing could not be started");
        break;
    case TStep::stRetrieving:
        RetrieveNext();
        break;
    case TStep::stDone:
        break;
    }
}

// One name a line, as listed; only names the folder can hold as files of their own are fetched,
// so nothing lands outside it or on another file.
void TFolderFetch::QueueListing(const std::string& listing) {
    const ftp::TNameChoice names = ftp::ChooseNames(listing, localFolder_);
    queue_.assign(names.Fetched.begin(), names.Fetched.end());
    for (const ftp::TSkippedName& skipped : names.Skipped)
        std::fprintf(stderr, "ftpfetch: skipped \"%s\": %s\n", Printable(skipped.Name).c_str(),
                     skipped.Reason);
}

// Files are fetched in listing order; each next one starts from the previous one's end.
void TFolderFetch::RetrieveNext() {
    if (step_ != TStep::stRetrieving) return;
    if (queue_.empty()) {
        if (filesFailed_ == 0) {
            Finish(0);
        } else {
            Finish(1, std::to_string(filesFailed_) + " of " + std::to_string(filesFailed_ + filesReceived_) +
                          " files failed");
        }
        return;
    }
    const std::string name = queue_.front();
    progress_.FileStarted(name);
    // A refused Retrieve has reported its error, which moves on; a closed connection ends the run.
    if (!client_.Retrieve(name, localFolder_ + name, ftp::TFtpReceiveMode::rcvReplace) &&
        !client_.Connected())
        Finish(1, "the connection closed");
}

// A file that did not arrive whole never reached its name; an earlier one there stays.
void TFolderFetch::FailFile(const std::string& reason) {
    progress_.FileFailed(reason);
    ++filesFailed_;
    queue_.pop_front();
    RetrieveNext();
}

void TFolderFetch::Finish(int exitStatus, const std::string& failure) {
    if (step_ == TStep::stDone) return;
    step_ = TStep::stDone;
    exitStatus_ = exitStatus;
    failure_ = failure;
    client_.Logout();
    win::PostQuitMessage(exitStatus);
}

void TFolderFetch::FtpStatus(gui::TObject*, ftp::TFtpStatusCode statusCode, const char*) {
    if (step_ == TStep::stDone) return;
    switch (statusCode) {
    case ftp::fsLoggedIn:
        EnterState(folder_.empty() ? TStep::stListing : TStep::stEnteringFolder);
        break;
    case ftp::fsComplete:
        if (step_ == TStep::stEnteringFolder) EnterState(TStep::stListing);
        break;
    case ftp::fsDataAvailable:
        if (step_ != TStep::stListing) break;
        QueueListing(client_.Listing());
        EnterState(TStep::stRetrieving);
        break;
    case ftp::fsProgress:
        if (step_ == TStep::stRetrieving) progress_.Progress(client_.TransferredBytes);
        break;
    case ftp::fsTransferDone:
        if (step_ != TStep::stRetrieving || queue_.empty()) break;
        progress_.FileDone(client_.TransferredBytes);
        ++filesReceived_;
        bytesReceived_ += client_.TransferredBytes;
        queue_.pop_front();
        RetrieveNext();
        break;
    case ftp::fsTimeout:
        // The client has closed the session: nothing more can be fetched.
        if (step_ == TStep::stRetrieving && !queue_.empty()) progress_.FileFailed("transfer timed out");
        Finish(1, "timed out");
        break;
    case ftp::fsLoggedOut:
    case ftp::fsClosed:
        // A server that ends the session says why in its last reply, such as a 421.
        Finish(1, closingReply_.empty() ? "the server closed the connection" : closingReply_);
        break;
    case ftp::fsConnected:
    case ftp::fsCurrentDir:
        break;
    }
}

void TFolderFetch::FtpError(gui::TObject*, std::int32_t errorCode, const char* errorText) {
    if (step_ == TStep::stDone) return;
    const std::string description = ErrorDescription(errorCode, errorText);
    if (step_ == TStep::stRetrieving && !queue_.empty())
        FailFile(description);
    else
        Finish(1, description);
}

// The control connection failed at the socket: refused, unreachable, reset.
void TFolderFetch::ConnectionError(gui::TObject*, int errorCode) {
    if (step_ == TStep::stDone) return;
    Finish(1, ErrorDescription(errorCode, nullptr));
}

void TFolderFetch::FtpReply(gui::TObject*, std::int32_t replyCode, const char* replyText) {
    // The last line of a refusal, kept until a reply that is none.
    if (replyCode >= 400)
        closingReply_ = rtl::TrimBlanks(replyText == nullptr ? "" : replyText);
    else if (replyCode != 0)
        closingReply_.clear();
    if (step_ != TStep::stRetrieving || (replyCode != 125 && replyCode != 150)) return;
    if (const auto size = client_.AnnouncedSize()) progress_.SizeAnnounced(*size);
}

} // namespace cli
