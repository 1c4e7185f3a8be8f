// One session that copies a remote folder: log in, change into the folder, take a bare name
// list and retrieve every plain file name of it, one after the other, then log out.
#pragma once

#include "cli/FetchProgress.h"
#include "cli/FetchUrl.h"
#include "ftp/FtpClient.h"
#include "ftp/FtpLog.h"

#include <cstdint>
#include <deque>
#include <string>

namespace cli {

struct TFetchOptions {
    bool Active = false;
    std::string TraceFile;   // empty: no trace
    std::string LogFile;     // empty: no dispatch log
    std::string HistoryFile; // empty: no history log
};

class TFolderFetch : public gui::TObject {
public:
    enum class TStep : std::uint8_t { stLoggingIn, stEnteringFolder, stListing, stRetrieving, stDone };

    // Without a user the session logs in as "anonymous".
    TFolderFetch(const TFetchUrl& url, std::string localFolder, const TFetchOptions& options,
                 TFetchProgress& progress);

    // Starts the session; when it ends, a quit message with the exit status is posted.
    void Start();
    TStep Step() const { return step_; }
    // 0 when every listed plain file arrived and was confirmed, 1 otherwise.
    int ExitStatus() const { return exitStatus_; }
    // Why the session failed, or the count of files that did.
    const std::string& Failure() const { return failure_; }
    int FilesReceived() const { return filesReceived_; }
    std::int64_t BytesReceived() const { return bytesReceived_; }

private:
    void EnterState(TStep step);
    void QueueListing(const std::string& listing);
    void RetrieveNext();
    void Finish(int exitStatus, const std::string& failure = {});
    void FailFile(const std::string& reason);
    void FtpStatus(gui::TObject* sender, ftp::TFtpStatusCode statusCode, const char* infoText);
    void FtpError(gui::TObject* sender, std::int32_t errorCode, const char* errorText);
    void FtpReply(gui::TObject* sender, std::int32_t replyCode, const char* replyText);
    void ConnectionError(gui::TObject* sender, int errorCode);

    std::string folder_;
    std::string localFolder_;
    TFetchProgress& progress_;
    ftp::TFtpClient client_{nullptr};
    ftp::TFtpLog history_{nullptr};
    TStep step_ = TStep::stLoggingIn;
    std::deque<std::string> queue_;
    int filesFailed_ = 0;
    int filesReceived_ = 0;
    std::int64_t bytesReceived_ = 0;
    int exitStatus_ = 1;
    std::string failure_;
    std::string closingReply_;
};

} // namespace cli
