#include "ftp/FtpLog.h"

#include "rtl/DateTime.h"
#include "rtl/TextFile.h"

namespace ftp {
namespace {

constexpr int kFileNotFound = 2;
constexpr int kFileInUse = 32;

} // namespace

const gui::TClassInfo& TFtpLog::StaticClass() {
    static const gui::TClassInfo info =
        gui::TClassBuilder<TFtpLog>("TFtpLog", &TBaseComponent::StaticClass())
            .Boolean("Enabled", &TFtpLog::Enabled, &TFtpLog::SetEnabled)
            .String("FtpHistoryName", &TFtpLog::FtpHistoryName, &TFtpLog::SetFtpHistoryName)
            .Object("FtpClient", &TFtpLog::FtpClient, &TFtpLog::SetFtpClient)
            .Creatable()
            .Build();
    return info;
}

TFtpLog::TFtpLog(gui::TComponent* owner) : TBaseComponent(owner) {}

TFtpLog::~TFtpLog() {
    if (client_ != nullptr) client_->SetFtpLog(nullptr);
}

void TFtpLog::SetFtpClient(TCustomFtpClient* client) {
    if (client == client_) return;
    if (client_ != nullptr) client_->RemoveFreeNotification(this);
    client_ = client;
    if (client_ != nullptr) client_->FreeNotification(this);
}

void TFtpLog::Notification(gui::TComponent* component, gui::TOperation operation) {
    TBaseComponent::Notification(component, operation);
    if (operation == gui::TOperation::opRemove && component == client_) client_ = nullptr;
}

// Without a client the values print empty or as 0.
std::string TFtpLog::LineText(TFtpLogCode code) const {
    const std::string server = client_ ? client_->ServerAddress() : std::string();
    const std::string user = client_ ? client_->UserName : std::string();
    const std::string remote = client_ ? client_->RemotePath : std::string();
    switch (code) {
    case flDisconnected:
        return "Disconnected";
    case flConnected:
        return "Connected to " + server;
    case flLoggedOut:
        return user + " logged out";
    case flLoggedIn:
        return user + " logged in";
    case flDeleting:
        return "Deleting " + remote;
    case flRenaming:
        return "Renaming " + remote;
    case flDownloading:
        return "Downloading " + remote;
    case flUploading:
        return "Uploading " + (client_ ? client_->LocalPath : std::string());
    case flTransferComplete:
        return "Transfer complete. " + std::to_string(client_ ? client_->TransferredBytes : 0) +
               " bytes Transferred";
    case flRestarting:
        return "Attempting re-transfer at " + std::to_string(client_ ? client_->ResumeOffset : 0) + " bytes";
    case flTimedOut:
        return "Transfer timed out";
    case flUserAbort:
        return "Transfer aborted by user";
    }
    return {};
}

void TFtpLog::WriteHistory(TFtpLogCode code) {
    if (!enabled_ || historyName_.empty()) return;
    rtl::TTextFile file(historyName_);
    int result = file.Append();
    // A missing file is created; one in use by another process is not emptied but reported.
    if (result == kFileNotFound) result = file.Rewrite();
    if (result == kFileInUse) throw rtl::EInOutError(result);
    rtl::CheckIo(result);
    rtl::CheckIo(file.WriteLn(rtl::DateTimeToStr(rtl::Now()) + " : " + LineText(code)));
    rtl::CheckIo(file.Close());
}

} // namespace ftp
