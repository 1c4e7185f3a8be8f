// The updater's download and install workflow: the buttons, the three timers and the FTP
// client's status and error events driving one download from login to logout.
#include "app/uGetUpdateFile.h"

#include "ftp/NameList.h"
#include "gui/Application.h"
#include "gui/Dialogs.h"
#include "platform/CodePage.h"
#include "platform/Kernel.h"
#include "platform/Process.h"
#include "rtl/FileUtils.h"

#include <cstdlib>

namespace app {
namespace {

constexpr win::DWORD kPauseMs = 1000;
constexpr std::int32_t kTransferTimeoutTicks = 3000;
// The largest listing the window takes: its text box shows every line of it, which costs several
// hundred bytes a line.
constexpr std::int32_t kListingLimit = 1024 * 1024;
constexpr win::UINT kErrorBoxFlags = 0x30;
constexpr win::UINT SW_SHOW = 5;

// A text of the workflow in both languages; the Chinese one is written here in UTF-8 and shown
// in the ANSI code page.
struct TPhrase {
    const char* English;
    const char* Chinese;
};

constexpr TPhrase kPleaseWait = {"Please wait.....", "請稍候....."};
constexpr TPhrase kConnected = {"Connected to Main Server", "已連接主伺服器"};
constexpr TPhrase kLoginSuccess = {"Login success", "已成功登入"};
constexpr TPhrase kLoggedOut = {"Logged out", "已登出系統"};
constexpr TPhrase kListed = {"Login", "登入"};
constexpr TPhrase kNamesSkipped = {"names skipped", "個名稱已略過"};
constexpr TPhrase kDownloading = {"Downloading...", "下載中..."};
constexpr TPhrase kDownloadCompleted = {"Download completed", "下載完成"};
constexpr TPhrase kInstallNow = {"Required files had been completely downloaded, install program now?",
                                 "所需檔案已下載完成, 現在開始安裝軟件?"};
constexpr TPhrase kFilesMissing = {"Required files not complete !", "所需檔案不完整!"};

std::string Say(const TPhrase& phrase) {
    if (!Chinese) return phrase.English;
    return win::WideToAnsi(win::AnsiToWide(phrase.Chinese, win::CP_UTF8));
}

// The remote installer is stored under the name the install step starts.
const std::map<std::string, std::string>& Renames() {
    static const std::map<std::string, std::string> renames = {{kRemoteInstaller, kInstallerFile}};
    return renames;
}

std::string Setting(const char* variable, const char* builtIn) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0' ? value : builtIn;
}

} // namespace

TServerAccount ServerAccount() {
    return {Setting("NVL_FTP_HOST", NVL_FTP_HOST), Setting("NVL_FTP_USER", NVL_FTP_USER),
            Setting("NVL_FTP_PASSWORD", NVL_FTP_PASSWORD), Setting("NVL_FTP_PORT", "")};
}

void TGetUpdateFile::SetStatus(const std::string& text) {
    StatusBar1->SetSimpleText(text);
}

void TGetUpdateFile::btnFileDownloadClick(gui::TObject*) {
    SetStatus(Say(kPleaseWait));
    Memo1->Lines()->Clear();
    if (rtl::FileExists(kInstallerFile)) rtl::DeleteFile(kInstallerFile);
    BeginDownload();
}

void TGetUpdateFile::ConfigureClient() {
    LoggedIn = false;
    ListingSeen = false;
    fetchFailed_ = false;
    const TServerAccount account = ServerAccount();
    FtpClient1->UserName = account.User;
    FtpClient1->Password = account.Password;
    FtpClient1->SetServerAddress(account.Host);
    FtpClient1->PassiveMode = true;
    FtpClient1->TransferTimeout = kTransferTimeoutTicks;
    FtpClient1->ListingLimit = kListingLimit;
    FtpClient1->ResumeOffset = 0;
    FtpClient1->SetFileType(ftp::TFtpFileType::ftBinary);
}

void TGetUpdateFile::BeginDownload() {
    ConfigureClient();
    win::Sleep(kPauseMs);
    if (FtpClient1->Connected() || FtpClient1->Login()) Timer3->SetEnabled(true);
}

void TGetUpdateFile::FtpClient1FtpStatus(gui::TObject*, ftp::TFtpStatusCode statusCode, const char*) {
    switch (statusCode) {
    case ftp::fsClosed:
        SetCaption(SavedCaption);
        break;
    case ftp::fsConnected:
        SetStatus(Say(kConnected));
        break;
    case ftp::fsLoggedOut:
        SetStatus(Say(kLoggedOut));
        if (FileQueue) FileQueue->Clear();
        break;
    case ftp::fsLoggedIn:
        SetStatus(Say(kLoginSuccess));
        FtpClient1->CurrentDir();
        LoggedIn = true;
        break;
    case ftp::fsComplete:
        InfoMemo->Lines()->Add("operation complete");
        FtpClient1->CurrentDir();
        break;
    case ftp::fsCurrentDir:
        FtpClient1->ListDir("", false);
        break;
    case ftp::fsDataAvailable:
        // The client's listing holds every byte, also those after a NUL that ends InfoText.
        if (ListingWanted) {
            InfoMemo->Lines()->SetText(FtpClient1->Listing());
            ParseListing();
        }
        ListingSeen = true;
        break;
    case ftp::fsProgress:
        // Shown now when the line has not changed for a while, else at the progress timer's tick:
        // redrawing the status line for every block received would hold the transfer back.
        if (ProgressTimer->Enabled()) {
            progressPending_ = true;
        } else {
            ShowProgress();
            ProgressTimer->SetEnabled(true);
        }
        break;
    case ftp::fsTransferDone: {
        StopProgress();
        fetching_ = false;
        const std::string head = QueueHead();
        SetStatus(head + " " + Say(kDownloadCompleted));
        Memo1->Lines()->Add(head);
        ++FilesReceived;
        if (FileQueue && FileQueue->Count() > 0) {
            FileQueue->Delete(0);
            RetrieveNext();
        }
        break;
    }
    case ftp::fsTimeout:
        AbandonFetch();
        gui::ShowMessage("Transfer timed out");
        break;
    default:
        break;
    }
}

void TGetUpdateFile::Timer3Timer(gui::TObject*) {
    if (!(FtpClient1->Connected() && LoggedIn && ListingSeen)) return;
    Timer3->SetEnabled(false);
    FileQueue->Clear();
    ListingParsed = false;
    QueueDone = false;
    ListingWanted = true;
    Timer1->SetEnabled(true);
    FtpClient1->ChangeDir(RemoteFolder);
    Timer2->SetEnabled(true);
}

void TGetUpdateFile::ParseListing() {
    std::string done = Say(kListed);
    FileQueue->Clear();
    // Names as listed: only those the folder can hold as files of their own are fetched; the
    // others stay in the listing, and the status says how many.
    const ftp::TNameChoice names = ftp::ChooseNames(FtpClient1->Listing(), LocalFolder, Renames());
    for (const std::string& name : names.Fetched)
        FileQueue->Add(name);
    if (!names.Skipped.empty())
        done += " (" + std::to_string(names.Skipped.size()) + " " + Say(kNamesSkipped) + ")";
    SetStatus(done);
    win::Sleep(kPauseMs);
    ListingWanted = false;
    ListingParsed = true;
}

void TGetUpdateFile::Timer2Timer(gui::TObject*) {
    if (!ListingParsed) return;
    Timer2->SetEnabled(false);
    RetrieveNext();
}

void TGetUpdateFile::RetrieveNext() {
    if (!FileQueue || FileQueue->Count() == 0) {
        QueueDone = true;
        return;
    }
    const std::string name = (*FileQueue)[0];
    StopProgress();
    SetStatus(name);
    fetching_ = true;
    FtpClient1->Retrieve(name, LocalFolder + ftp::LocalNameOf(name, Renames()),
                         ftp::TFtpReceiveMode::rcvReplace);
}

// The file being fetched; empty once Exit or the logout has emptied the queue.
std::string TGetUpdateFile::QueueHead() const {
    return FileQueue && FileQueue->Count() > 0 ? (*FileQueue)[0] : std::string();
}

void TGetUpdateFile::ShowProgress() {
    SetStatus(QueueHead() + " " + Say(kDownloading) + std::to_string(FtpClient1->TransferredBytes));
}

void TGetUpdateFile::ProgressTimerTimer(gui::TObject*) {
    if (progressPending_)
        ShowProgress();
    else
        ProgressTimer->SetEnabled(false);
    progressPending_ = false;
}

void TGetUpdateFile::StopProgress() {
    ProgressTimer->SetEnabled(false);
    progressPending_ = false;
}

// A file that did not arrive whole never reached its name: the client discards what came of it.
void TGetUpdateFile::AbandonFetch() {
    StopProgress();
    if (!fetching_) return;
    fetching_ = false;
    fetchFailed_ = true;
}

void TGetUpdateFile::Timer1Timer(gui::TObject*) {
    if (!QueueDone) return;
    Timer1->SetEnabled(false);
    ListingWanted = false;
    ListingParsed = false;
    FtpClient1->Logout();
    EndDownload();
}

void TGetUpdateFile::EndDownload() {
    FtpClient1->Logout();
    if (FilesReceived == 0) return;
    FileListBox1->Update();
    // The question says the files are complete; after a failed file they are not.
    if (fetchFailed_) return;
    if (gui::MessageDlg(Say(kInstallNow), gui::TMsgDlgType::mtConfirmation,
                        {gui::TMsgDlgBtn::mbYes, gui::TMsgDlgBtn::mbNo, gui::TMsgDlgBtn::mbCancel}) ==
        gui::mrYes)
        btnInstallClick(this);
}

// The installer that starts is the file that was downloaded, by its full path: no search path
// can put another one first.
void TGetUpdateFile::btnInstallClick(gui::TObject*) {
    const std::string installer = LocalFolder + kInstallerFile;
    if (rtl::FileExists(installer))
        win::WinExec(("\"" + installer + "\"").c_str(), SW_SHOW);
    else
        gui::ShowMessage(Say(kFilesMissing));
    gui::Application().Terminate();
}

void TGetUpdateFile::FtpClient1FtpError(gui::TObject*, std::int32_t errorCode, const char* errorText) {
    AbandonFetch();
    gui::MessageBoxA(nullptr, errorText == nullptr ? "" : errorText,
                     ("FTP Error: " + std::to_string(errorCode)).c_str(), kErrorBoxFlags);
    if (FileQueue && FileQueue->Count() > 0) FileQueue->Delete(0);
    RetrieveNext();
}

void TGetUpdateFile::btnExitClick(gui::TObject*) {
    AbandonFetch();
    FtpClient1->Logout();
    InfoMemo->Lines()->Clear();
    if (FileQueue) FileQueue->Clear();
    Close();
}

// Texts written by the workflow stay in their language; the caption loses its stamp.
void TGetUpdateFile::BitBtn1Click(gui::TObject*) {
    Chinese = !Chinese;
    multilang::SetGlobalLanguage(Chinese ? 1 : 0);
}

} // namespace app
