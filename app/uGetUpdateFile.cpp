#include "app/uGetUpdateFile.h"

#include "gui/Application.h"
#include "gui/FormReader.h"
#include "platform/Module.h"
#include "platform/Path.h"
#include "rtl/FileUtils.h"
#include "rtl/StagedFile.h"

namespace app {

bool Chinese = true;
std::string RemoteFolder;
std::string ProgramFolder;
std::string LocalFolder;
std::unique_ptr<rtl::TStringList> FileQueue;

namespace {

// The owned component of that name, which the description must have made with that class.
template <typename T> T* Bind(gui::TComponent& form, const char* name) {
    gui::TComponent* component = form.FindComponent(name);
    if (component == nullptr || !component->Is<T>())
        throw gui::EReadError(std::string("The window's description lacks the ") + T::StaticClass().Name() +
                              " " + name);
    return static_cast<T*>(component);
}

std::string OwnExecutable() {
    char path[4096];
    const win::DWORD length = win::GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, length);
}

} // namespace

const gui::TClassInfo& TGetUpdateFile::StaticClass() {
    static const gui::TClassInfo info =
        gui::TClassBuilder<TGetUpdateFile>("TGetUpdateFile", &TForm::StaticClass())
            .Method("FormCreate", &TGetUpdateFile::FormCreate)
            .Method("FormClose", &TGetUpdateFile::FormClose)
            .Method("FormDestroy", &TGetUpdateFile::FormDestroy)
            .Method("btnFileDownloadClick", &TGetUpdateFile::btnFileDownloadClick)
            .Method("btnInstallClick", &TGetUpdateFile::btnInstallClick)
            .Method("btnExitClick", &TGetUpdateFile::btnExitClick)
            .Method("BitBtn1Click", &TGetUpdateFile::BitBtn1Click)
            .Method("Timer1Timer", &TGetUpdateFile::Timer1Timer)
            .Method("Timer2Timer", &TGetUpdateFile::Timer2Timer)
            .Method("Timer3Timer", &TGetUpdateFile::Timer3Timer)
            .Method("FtpClient1FtpStatus", &TGetUpdateFile::FtpClient1FtpStatus)
            .Method("FtpClient1FtpError", &TGetUpdateFile::FtpClient1FtpError)
            .Build();
    return info;
}

TGetUpdateFile::TGetUpdateFile(gui::TComponent* owner, TTodayFunction today)
    : TForm(owner), today_(std::move(today)) {
    gui::RegisterStandardClasses();
    gui::RegisterClass(multilang::TLangSwitch::StaticClass());
    gui::RegisterClass(ftp::TFtpClient::StaticClass());
    gui::RegisterClass(ftp::TFtpLog::StaticClass());
    CreateFromResource(kFormResource);
}

void TGetUpdateFile::Loaded() {
    TForm::Loaded();
    Label1 = Bind<gui::TLabel>(*this, "Label1");
    Label2 = Bind<gui::TLabel>(*this, "Label2");
    ProgramIcon = Bind<gui::TImage>(*this, "ProgramIcon");
    Label3 = Bind<gui::TLabel>(*this, "Label3");
    Label4 = Bind<gui::TLabel>(*this, "Label4");
    Label5 = Bind<gui::TLabel>(*this, "Label5");
    Label6 = Bind<gui::TLabel>(*this, "Label6");
    InfoMemo = Bind<gui::TMemo>(*this, "InfoMemo");
    StatusBar1 = Bind<gui::TStatusBar>(*this, "StatusBar1");
    btnExit = Bind<gui::TButton>(*this, "btnExit");
    Memo1 = Bind<gui::TMemo>(*this, "Memo1");
    btnInstall = Bind<gui::TButton>(*this, "btnInstall");
    FileListBox1 = Bind<gui::TFileListBox>(*this, "FileListBox1");
    btnFileDownload = Bind<gui::TBitBtn>(*this, "btnFileDownload");
    BitBtn1 = Bind<gui::TBitBtn>(*this, "BitBtn1");
    Timer1 = Bind<gui::TTimer>(*this, "Timer1");
    Timer2 = Bind<gui::TTimer>(*this, "Timer2");
    Timer3 = Bind<gui::TTimer>(*this, "Timer3");
    LangSwitch1 = Bind<multilang::TLangSwitch>(*this, "LangSwitch1");
    FtpClient1 = Bind<ftp::TFtpClient>(*this, "FtpClient1");
    FtpLog1 = Bind<ftp::TFtpLog>(*this, "FtpLog1");
    if (const std::string port = ServerAccount().Port; !port.empty()) FtpClient1->SetWsPort(port);
    FtpClient1->OnFtpReply = ftp::TFtpReplyEvent(this, &TGetUpdateFile::FtpClient1FtpReply);
    ProgressTimer = new gui::TTimer(this);
    ProgressTimer->SetEnabled(false);
    ProgressTimer->SetInterval(kProgressIntervalMs);
    ProgressTimer->SetOnTimer(gui::TNotifyEvent(this, &TGetUpdateFile::ProgressTimerTimer));
}

void TGetUpdateFile::FormCreate(gui::TObject*) {
    rtl::FormatSettings().ShortDateFormat = "yyyy/mm/dd";
    UpdatedOn = "2016/06/13";

    // The command line: a product code and a language letter; a single argument is ignored.
    if (rtl::ParamCount() >= 2) {
        Chinese = rtl::ParamStr(2) == "C";
        RemoteFolder = "//" + rtl::ParamStr(1) + "_program";
    } else {
        Chinese = true;
        RemoteFolder = kDefaultRemoteFolder;
    }
    multilang::SetGlobalLanguage(Chinese ? 1 : 0);

    ProgramFolder = rtl::ExtractFilePath(OwnExecutable());
    ChooseLocalFolder();
    // What a download cut short by a killed program left.
    rtl::TStagedFile::RemoveLeftovers(LocalFolder);
    ExpireCachedInstaller();
    FileListBox1->Update();

    FileQueue = std::make_unique<rtl::TStringList>();
    ListingParsed = false;
    QueueDone = false;
    ListingWanted = false;
    FilesReceived = 0;

    SetCaption(Caption() + "  (Updated on " + UpdatedOn + ")");
    SavedCaption = Caption();
}

void TGetUpdateFile::ChooseLocalFolder() {
    if (!rtl::DirectoryExists(kPreferredFolder)) rtl::ForceDirectories(kPreferredFolder);
    if (rtl::DirectoryExists(kPreferredFolder)) {
        LocalFolder = win::NativePath(kPreferredFolder) + "/";
        FileListBox1->SetDirectory(kPreferredFolder);
    } else {
        LocalFolder = ProgramFolder;
        FileListBox1->SetDirectory(ProgramFolder);
    }
    // A folder that exists but cannot be entered leaves the current directory as it was; the rest
    // of the start-up still runs.
    rtl::SetCurrentDir(LocalFolder);
}

void TGetUpdateFile::ExpireCachedInstaller() {
    rtl::TDateTime written = 0;
    if (!rtl::FileAge(kInstallerFile, written)) {
        StatusBar1->SetSimpleText(ProgramFolder);
        return;
    }
    StatusBar1->SetSimpleText(ProgramFolder + kInstallerFile + " downloaded on " + rtl::DateToStr(written));
    if (today_() - 30 > written) rtl::DeleteFile(kInstallerFile);
}

void TGetUpdateFile::FormClose(gui::TObject*, gui::TCloseAction&) {
    gui::Application().Terminate();
}

void TGetUpdateFile::FormDestroy(gui::TObject*) {
    FileQueue.reset();
}

} // namespace app
