// The updater's window: its controls, its state and its start-up.
#pragma once

#include "ftp/FtpClient.h"
#include "ftp/FtpLog.h"
#include "gui/Buttons.h"
#include "gui/ComCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/FileCtrl.h"
#include "gui/Forms.h"
#include "multilang/LangSwitch.h"
#include "rtl/DateTime.h"
#include "rtl/StringList.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace app {

// The process-wide state of the updater, set up by FormCreate.
extern bool Chinese;                                // true: traditional Chinese, false: English
extern std::string RemoteFolder;                    // the remote folder the download lists
extern std::string ProgramFolder;                   // the program's folder, with its separator
extern std::string LocalFolder;                     // where downloaded files go, with its separator
extern std::unique_ptr<rtl::TStringList> FileQueue; // remote files still to fetch

inline constexpr const char* kFormResource = "TGETUPDATEFILE";
inline constexpr const char* kPreferredFolder = "C:\\Brantwell";
inline constexpr const char* kInstallerFile = "SetupNVL.exe";
inline constexpr const char* kDefaultRemoteFolder = "//NVL_program";
inline constexpr const char* kRemoteInstaller = "Setup.exe";
inline constexpr int kProgressIntervalMs = 200;

// The window's text utility: the text without the blanks at its ends.
using rtl::TrimBlanks;

// The account the updater logs in with: built in, and overridden by the environment variables
// NVL_FTP_HOST, NVL_FTP_USER and NVL_FTP_PASSWORD; NVL_FTP_PORT overrides the stored port.
struct TServerAccount {
    std::string Host;
    std::string User;
    std::string Password;
    std::string Port;
};
TServerAccount ServerAccount();

// Where a download stands, which says what a failure means to the user.
enum class TDownloadStep { dsIdle, dsLoggingIn, dsEnteringFolder, dsListing, dsFetching };

class TGetUpdateFile : public gui::TForm {
    GUI_CLASS_INFO
public:
    using TTodayFunction = std::function<rtl::TDateTime()>;

    // Creates the window from its stored description and runs FormCreate. `today` gives the local
    // date at midnight, for the expiry of a cached installer.
    explicit TGetUpdateFile(gui::TComponent* owner, TTodayFunction today = &rtl::Date);

    gui::TLabel* Label1 = nullptr;
    gui::TLabel* Label2 = nullptr;
    gui::TImage* ProgramIcon = nullptr;
    gui::TLabel* Label3 = nullptr;
    gui::TLabel* Label4 = nullptr;
    gui::TLabel* Label5 = nullptr;
    gui::TLabel* Label6 = nullptr;
    gui::TMemo* InfoMemo = nullptr;
    gui::TStatusBar* StatusBar1 = nullptr;
    gui::TButton* btnExit = nullptr;
    gui::TMemo* Memo1 = nullptr;
    gui::TButton* btnInstall = nullptr;
    gui::TFileListBox* FileListBox1 = nullptr;
    gui::TBitBtn* btnFileDownload = nullptr;
    gui::TBitBtn* BitBtn1 = nullptr;
    gui::TTimer* Timer1 = nullptr;
    gui::TTimer* Timer2 = nullptr;
    gui::TTimer* Timer3 = nullptr;
    multilang::TLangSwitch* LangSwitch1 = nullptr;
    ftp::TFtpClient* FtpClient1 = nullptr;
    ftp::TFtpLog* FtpLog1 = nullptr;
    // Shows the latest progress a few times a second while blocks arrive.
    gui::TTimer* ProgressTimer = nullptr;

    std::string UpdatedOn;
    std::string SavedCaption;
    bool LoggedIn = false;
    bool ListingSeen = false;
    bool ListingWanted = false;
    bool ListingParsed = false;
    bool QueueDone = false;
    std::int32_t FilesReceived = 0;

    void FormCreate(gui::TObject* sender);
    void FormClose(gui::TObject* sender, gui::TCloseAction& action);
    void FormDestroy(gui::TObject* sender);
    void btnFileDownloadClick(gui::TObject* sender);
    void btnInstallClick(gui::TObject* sender);
    void btnExitClick(gui::TObject* sender);
    void BitBtn1Click(gui::TObject* sender);
    void Timer1Timer(gui::TObject* sender);
    void Timer2Timer(gui::TObject* sender);
    void Timer3Timer(gui::TObject* sender);
    void FtpClient1FtpStatus(gui::TObject* sender, ftp::TFtpStatusCode statusCode, const char* infoText);
    void FtpClient1FtpError(gui::TObject* sender, std::int32_t errorCode, const char* errorText);
    void ProgressTimerTimer(gui::TObject* sender);
    void FtpClient1FtpReply(gui::TObject* sender, std::int32_t replyCode, const char* replyText);

    void Loaded() override;

private:
    void ChooseLocalFolder();
    void ExpireCachedInstaller();
    void ConfigureClient();
    void BeginDownload();
    void ParseListing();
    void RetrieveNext();
    void EndDownload();
    void AbandonFetch();
    void FailFile(std::int32_t code, const std::string& reason);
    void FailDownload(std::int32_t code, const std::string& reason);
    void ServerEndedSession();
    void TellFailures(const std::string& headline);
    std::string LoginFailure(std::int32_t code, const std::string& words) const;
    std::string QueueHead() const;
    void ShowProgress();
    void StopProgress();
    void SetStatus(const std::string& text);

    TTodayFunction today_;
    // A file is being fetched.
    bool fetching_ = false;
    TDownloadStep step_ = TDownloadStep::dsIdle;
    // The files of this download that did not arrive whole, each with why; told in one box at
    // its end. The code is that of the first failure.
    std::vector<std::string> failedFiles_;
    std::int32_t failureCode_ = 0;
    // The server's last refusal, which says why it ended a session.
    std::string lastRefusal_;
    std::int32_t lastRefusalCode_ = 0;
    // Progress that came while the status line was still showing recent progress.
    bool progressPending_ = false;
};

} // namespace app
