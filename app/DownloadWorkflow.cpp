// The updater's download and install workflow: the buttons, the three timers and the FTP
// client's status and error events driving one download from login to logout.
#include "app/uGetUpdateFile.h"

#include "ftp/NameList.h"
#include "gui/Application.h"
#include "gui/Dialogs.h"
#include "platform/CodePage.h"
#include "platform/Kernel.h"
#include "platform/Process.h"
#include "port/PortErrors.h"
#include "port/SocketComponent.h"
#include "rtl/FileUtils.h"
#include "rtl/IntText.h"

#include <algorithm>
#include <optional>

#include <cstdlib>

namespace app {
namespace {

constexpr win::DWORD kPauseMs = 1000;
constexpr std::int32_t kTransferTimeoutTicks = 3000;
// A server that has not greeted by then is given up: unreachable, or accepting and silent.
constexpr std::int32_t kConnectTimeoutSeconds = 20;
// The failed files the closing box names; the rest are counted.
constexpr std::size_t kFailuresNamed = 20;
constexpr std::size_t kWordsShown = 400;
// The largest listing the window takes: its text box shows every line of it, which costs several
// hundred bytes a line.
constexpr std::int32_t kListingLimit = 1024 * 1024;
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
constexpr TPhrase kRefused = {"The server refused the connection.", "伺服器拒絕連線。"};
constexpr TPhrase kUnreachable = {"The server could not be reached.", "無法連上伺服器。"};
constexpr TPhrase kUnresolved = {"The server's name %1 could not be found.", "找不到伺服器名稱 %1。"};
constexpr TPhrase kNoAnswer = {"The server did not answer within %1 seconds.", "伺服器在 %1 秒內沒有回應。"};
constexpr TPhrase kClosed = {"The server closed the connection.", "伺服器已中斷連線。"};
constexpr TPhrase kNotStarted = {"The login could not be started.", "無法開始登入。"};
constexpr TPhrase kLoginRefused = {"The server refused the login.", "伺服器拒絕登入。"};
constexpr TPhrase kNoFolder = {"The folder %1 could not be opened on the server.",
                               "無法開啟伺服器上的資料夾 %1。"};
constexpr TPhrase kListingRefused = {"The server did not list the folder %1.", "伺服器未能列出資料夾 %1。"};
constexpr TPhrase kTimedOut = {"Transfer timed out", "傳輸逾時"};
constexpr TPhrase kFilesFailed = {"These files did not arrive whole:", "下列檔案未能完整下載:"};
constexpr TPhrase kMoreFailed = {"... and %1 more", "... 另有 %1 個"};
constexpr TPhrase kFileFailed = {"failed", "下載失敗"};
constexpr TPhrase kDownloadFailed = {"Download failed", "下載失敗"};

// The phrase in the window's language, with `argument` in place of %1.
std::string Say(const TPhrase& phrase, const std::string& argument = {}) {
    std::string text =
        Chinese ? win::WideToAnsi(win::AnsiToWide(phrase.Chinese, win::CP_UTF8)) : phrase.English;
    if (const auto at = text.find("%1"); at != std::string::npos) text.replace(at, 2, argument);
    return text;
}

// What the server or the system said of a failure, on a line of its own; a reply can be long
// (many lines of a multi-line one), and the box shows only its start.
std::string Words(std::int32_t code, const char* text) {
    std::string words = rtl::TrimBlanks(text == nullptr ? "" : text);
    if (words.empty()) words = port::CodeToText(code);
    if (words.size() > kWordsShown)
        words = words.substr(0, win::AnsiPrefixLength(words, kWordsShown)) + "...";
    return words;
}

std::string WithWords(const std::string& headline, const std::string& words) {
    return words.empty() ? headline : headline + "\n" + words;
}

// NVL_FTP_TIMEOUT, in seconds, sets both time-outs.
std::optional<std::int32_t> TimeoutSetting() {
    std::int32_t seconds = 0;
    const char* value = std::getenv("NVL_FTP_TIMEOUT");
    if (value == nullptr || !rtl::TryStrToInt(value, seconds) || seconds <= 0 || seconds > 86400)
        return std::nullopt;
    return seconds;
}

std::int32_t ConnectSeconds() {
    return TimeoutSetting().value_or(kConnectTimeoutSeconds);
}

std::int32_t Ticks(std::int32_t seconds) {
    return static_cast<std::int32_t>((seconds * 1000 + port::MsPerTick - 1) / port::MsPerTick);
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
    // One download at a time: a second press would enter the folder again mid-fetch.
    if (step_ != TDownloadStep::dsIdle) return;
    SetStatus(Say(kPleaseWait));
    Memo1->Lines()->Clear();
    if (rtl::FileExists(kInstallerFile)) rtl::DeleteFile(kInstallerFile);
    BeginDownload();
}

void TGetUpdateFile::ConfigureClient() {
    LoggedIn = false;
    ListingSeen = false;
    failedFiles_.clear();
    failureCode_ = 0;
    lastRefusal_.clear();
    lastRefusalCode_ = 0;
    const TServerAccount account = ServerAccount();
    FtpClient1->UserName = account.User;
    FtpClient1->Password = account.Password;
    FtpClient1->SetServerAddress(account.Host);
    FtpClient1->PassiveMode = true;
    const std::optional<std::int32_t> timeout = TimeoutSetting();
    FtpClient1->TransferTimeout = timeout ? Ticks(*timeout) : kTransferTimeoutTicks;
    FtpClient1->ConnectTimeout = Ticks(ConnectSeconds());
    FtpClient1->ListingLimit = kListingLimit;
    FtpClient1->ResumeOffset = 0;
    FtpClient1->SetFileType(ftp::TFtpFileType::ftBinary);
}

void TGetUpdateFile::BeginDownload() {
    ConfigureClient();
    win::Sleep(kPauseMs);
    step_ = TDownloadStep::dsLoggingIn;
    bool started = false;
    try {
        started = FtpClient1->Connected() || FtpClient1->Login();
    } catch (const port::ESocketException& error) {
        FailDownload(error.ErrorCode, error.ErrorCode == port::kCannotResolve
                                          ? Say(kUnresolved, FtpClient1->ServerAddress())
                                          : error.Message());
        return;
    }
    if (started)
        Timer3->SetEnabled(true);
    else
        FailDownload(0, Say(kNotStarted));
}

void TGetUpdateFile::FtpClient1FtpStatus(gui::TObject*, ftp::TFtpStatusCode statusCode, const char*) {
    switch (statusCode) {
    case ftp::fsClosed:
        SetCaption(SavedCaption);
        ServerEndedSession();
        break;
    case ftp::fsConnected:
        SetStatus(Say(kConnected));
        break;
    case ftp::fsLoggedOut:
        SetStatus(Say(kLoggedOut));
        if (FileQueue) FileQueue->Clear();
        ServerEndedSession();
        break;
    case ftp::fsLoggedIn:
        SetStatus(Say(kLoginSuccess));
        FtpClient1->CurrentDir();
        LoggedIn = true;
        break;
    case ftp::fsComplete:
        InfoMemo->Lines()->Add("operation complete");
        if (step_ == TDownloadStep::dsEnteringFolder) step_ = TDownloadStep::dsListing;
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
        // The client has closed the session, so the download ends here.
        FailDownload(win::WSAETIMEDOUT, fetching_ ? QueueHead() + ": " + Say(kTimedOut) : Say(kTimedOut));
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
    step_ = TDownloadStep::dsEnteringFolder;
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
    step_ = TDownloadStep::dsFetching;
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
    fetching_ = false;
}

// The file at the head of the queue did not arrive: it is named in the box at the end, and the
// next one is fetched.
void TGetUpdateFile::FailFile(std::int32_t code, const std::string& reason) {
    AbandonFetch();
    const std::string head = QueueHead();
    SetStatus(head + " " + Say(kFileFailed));
    if (failureCode_ == 0) failureCode_ = code;
    failedFiles_.push_back(head + ": " + reason);
    if (FileQueue && FileQueue->Count() > 0) FileQueue->Delete(0);
    RetrieveNext();
}

// Nothing more of this download can come: the session is closed, the timers stop, and the user
// is told once. The next press of Download File starts anew.
void TGetUpdateFile::FailDownload(std::int32_t code, const std::string& reason) {
    if (step_ == TDownloadStep::dsIdle) return;
    step_ = TDownloadStep::dsIdle;
    for (gui::TTimer* timer : {Timer1, Timer2, Timer3})
        timer->SetEnabled(false);
    ListingWanted = false;
    ListingParsed = false;
    QueueDone = true;
    AbandonFetch();
    if (FileQueue) FileQueue->Clear();
    FtpClient1->Logout();
    if (FilesReceived > 0) FileListBox1->Update();
    failureCode_ = code;
    TellFailures(reason);
}

// The server ended the session: its last refusal, if any, says why.
void TGetUpdateFile::ServerEndedSession() {
    FailDownload(lastRefusal_.empty() ? ftp::FtpErrorConnectionLost : lastRefusalCode_,
                 WithWords(Say(kClosed), lastRefusal_));
}

// One box for the whole download. It leaves the window usable: Exit ends the program while
// it is open.
void TGetUpdateFile::TellFailures(const std::string& headline) {
    SetStatus(Say(kDownloadFailed));
    std::string text = headline;
    if (!failedFiles_.empty()) {
        if (!text.empty()) text += "\n\n";
        text += Say(kFilesFailed);
        const std::size_t named = std::min(failedFiles_.size(), kFailuresNamed);
        for (std::size_t index = 0; index < named; ++index)
            text += "\n" + failedFiles_[index];
        if (failedFiles_.size() > named)
            text += "\n" + Say(kMoreFailed, std::to_string(failedFiles_.size() - named));
    }
    const std::string caption = "FTP Error: " + std::to_string(failureCode_);
    failedFiles_.clear();
    failureCode_ = 0;
    gui::ShowNotice(caption, text, gui::TDialogIcon::Warning);
}

// What a failure before the login completed means: the connection's fate, or the server's
// refusal of the account.
std::string TGetUpdateFile::LoginFailure(std::int32_t code, const std::string& words) const {
    switch (code) {
    case win::WSAECONNREFUSED:
        return Say(kRefused);
    case win::WSAETIMEDOUT:
    case win::WSAEHOSTUNREACH:
    case win::WSAENETUNREACH:
    case win::WSAENETDOWN:
        return WithWords(Say(kUnreachable), words);
    case ftp::FtpErrorConnectTimeout:
        return Say(kNoAnswer, std::to_string(ConnectSeconds()));
    default:
        return code >= 400 && code < 600 ? WithWords(Say(kLoginRefused), words) : words;
    }
}

void TGetUpdateFile::Timer1Timer(gui::TObject*) {
    if (!QueueDone) return;
    Timer1->SetEnabled(false);
    step_ = TDownloadStep::dsIdle;
    ListingWanted = false;
    ListingParsed = false;
    FtpClient1->Logout();
    EndDownload();
}

void TGetUpdateFile::EndDownload() {
    FtpClient1->Logout();
    if (FilesReceived > 0) FileListBox1->Update();
    // The question says the files are complete; after a failed file they are not.
    if (!failedFiles_.empty()) {
        TellFailures("");
        return;
    }
    if (FilesReceived == 0) return;
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
    const std::string words = Words(errorCode, errorText);
    switch (step_) {
    case TDownloadStep::dsIdle:
        break;
    case TDownloadStep::dsLoggingIn:
        // The login folder's listing only shows that the session works; a server that will not
        // list it (an empty folder, say) still lets the download go on.
        if (LoggedIn)
            ListingSeen = true;
        else
            FailDownload(errorCode, LoginFailure(errorCode, words));
        break;
    case TDownloadStep::dsEnteringFolder:
        FailDownload(errorCode, WithWords(Say(kNoFolder, RemoteFolder), words));
        break;
    case TDownloadStep::dsListing:
        FailDownload(errorCode, WithWords(Say(kListingRefused, RemoteFolder), words));
        break;
    case TDownloadStep::dsFetching:
        if (fetching_)
            FailFile(errorCode, words);
        else
            FailDownload(errorCode, words);
        break;
    }
}

// A refusal is kept until a reply that is none, for a session the server then ends.
void TGetUpdateFile::FtpClient1FtpReply(gui::TObject*, std::int32_t replyCode, const char* replyText) {
    if (replyCode >= 400) {
        lastRefusal_ = rtl::TrimBlanks(replyText == nullptr ? "" : replyText);
        lastRefusalCode_ = replyCode;
    } else if (replyCode != 0) {
        lastRefusal_.clear();
    }
}

void TGetUpdateFile::btnExitClick(gui::TObject*) {
    step_ = TDownloadStep::dsIdle;
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
