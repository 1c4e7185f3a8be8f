#include "app/uGetUpdateFile.h"

#include "support/TempFolder.h"

#include "gui/Application.h"
#include "platform/CodePage.h"
#include "platform/Process.h"
#include "rtl/FileUtils.h"

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

namespace fs = std::filesystem;
using app::TGetUpdateFile;

namespace {

const std::string kBig5Caption = "\xB3\x6E\xA5\xF3\xA6\x77\xB8\xCB\xA6\xCD\xB2\xCE"; // 軟件安裝糸統

struct FreeForm {
    void operator()(TGetUpdateFile* form) const { gui::FreeComponent(form); }
};
using Window = std::unique_ptr<TGetUpdateFile, FreeForm>;

void SetLocalWriteTime(const std::string& path, int year, int month, int day, int hour, int minute) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    const timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        previousFolder_ = fs::current_path();
        arguments_ = win::CommandLineArguments();
        ::setenv("NVL_DRIVE_C", drive_.path().c_str(), 1);
    }
    void TearDown() override {
        fs::current_path(previousFolder_);
        win::SetCommandLineArguments(arguments_);
        ::unsetenv("NVL_DRIVE_C");
    }

    // The window made with these command-line arguments and today's date.
    Window Start(std::vector<std::string> arguments = {},
                 rtl::TDateTime today = rtl::EncodeDate(2016, 7, 13)) {
        arguments.insert(arguments.begin(), arguments_.front());
        win::SetCommandLineArguments(arguments);
        return Window(new TGetUpdateFile(nullptr, [today] { return today; }));
    }

    std::string Preferred() const { return drive_.Path("Brantwell"); }

    test::TempFolder drive_{"drive-c"};
    fs::path previousFolder_;
    std::vector<std::string> arguments_;
};

// The window's texts as the program stores them (Big5), from UTF-8.
std::string Stored(const std::string& utf8) {
    return win::WideToAnsi(win::AnsiToWide(utf8, win::CP_UTF8));
}

// Every control of the word table with its English and Chinese text.
struct Translated {
    const char* name;
    const char* english;
    const char* chinese;
};
const Translated kTranslated[] = {
    {"btnExit", "Exit", "離開"},
    {"Label1", "Status:", "工作狀態:"},
    {"Label2", "Download required files for program setup (about 15 minutes)",
     "下載軟件安裝所需檔案 (約需時15分鐘)"},
    {"Label3", "Program (Download / Installation) System", "軟件 (下載 / 安裝) 系統"},
    {"Label4", "Files List", "檔案列表"},
    {"Label5", "Received Files", "成功下載之檔案"},
    {"btnInstall", "Install Program", "安裝軟件"},
    {"btnFileDownload", "Download File", "下載檔案"},
};

void ExpectLanguage(const TGetUpdateFile& window, bool chinese) {
    for (const Translated& control : kTranslated)
        EXPECT_EQ(gui::GetStringProperty(*window.FindComponent(control.name), "Caption"),
                  chinese ? Stored(control.chinese) : std::string(control.english))
            << control.name;
    EXPECT_EQ(window.Label6->Caption(), "C:\\Brantwell") << "not in the word table";
    EXPECT_EQ(window.Font()->Name(), "MS Sans Serif");
    EXPECT_EQ(window.Font()->CharSet(), 1);
}

} // namespace

TEST_F(Startup, TheCommandLineChoosesLanguageAndRemoteFolder) {
    struct Case {
        std::vector<std::string> arguments;
        bool chinese;
        std::string remoteFolder;
    };
    const Case cases[] = {
        {{}, true, "//NVL_program"},
        {{"ABC"}, true, "//NVL_program"},
        {{"NVL", "C"}, true, "//NVL_program"},
        {{"NVL", "E"}, false, "//NVL_program"},
        {{"NVL", "c"}, false, "//NVL_program"},
        {{"ABC", "C"}, true, "//ABC_program"},
        {{"ABC", "E", "C"}, false, "//ABC_program"},
        {{"ABC", "C", "E"}, true, "//ABC_program"},
    };
    for (const Case& c : cases) {
        const Window window = Start(c.arguments);
        EXPECT_EQ(app::Chinese, c.chinese) << testing::PrintToString(c.arguments);
        EXPECT_EQ(app::RemoteFolder, c.remoteFolder) << testing::PrintToString(c.arguments);
    }
}

TEST_F(Startup, AnExistingDownloadFolderIsUsed) {
    fs::create_directory(Preferred());
    std::ofstream(Preferred() + "/kept.txt") << "x";
    std::ofstream(Preferred() + "/~nvl0123abcd.part") << "left by a killed download";
    const Window window = Start();
    EXPECT_TRUE(fs::exists(Preferred() + "/kept.txt")) << "not made anew";
    EXPECT_FALSE(fs::exists(Preferred() + "/~nvl0123abcd.part")) << "a staged file left behind is removed";
    EXPECT_EQ(app::LocalFolder, Preferred() + "/");
    EXPECT_EQ(fs::current_path(), fs::path(Preferred()));
    EXPECT_EQ(window->FileListBox1->Items()->ToVector(), (std::vector<std::string>{"kept.txt"}));
    EXPECT_EQ(window->Label6->Caption(), "C:\\Brantwell");
}

TEST_F(Startup, AMissingDownloadFolderIsCreatedWithItsParents) {
    ::setenv("NVL_DRIVE_C", (drive_.path() / "deeper" / "drive").c_str(), 1);
    const Window window = Start();
    EXPECT_TRUE(fs::is_directory(drive_.path() / "deeper" / "drive" / "Brantwell"));
    EXPECT_EQ(fs::current_path(), drive_.path() / "deeper" / "drive" / "Brantwell");
}

TEST_F(Startup, WithoutADownloadFolderTheProgramFolderIsUsed) {
    std::ofstream(drive_.Path("not-a-folder")) << "x";
    ::setenv("NVL_DRIVE_C", drive_.Path("not-a-folder").c_str(), 1);
    const Window window = Start();
    ASSERT_FALSE(app::ProgramFolder.empty());
    EXPECT_EQ(app::ProgramFolder.back(), '/');
    EXPECT_EQ(app::LocalFolder, app::ProgramFolder);
    EXPECT_EQ(fs::current_path(), fs::path(app::ProgramFolder).parent_path());
    EXPECT_EQ(window->FileListBox1->Directory(), app::ProgramFolder);
    EXPECT_EQ(window->Label6->Caption(), "C:\\Brantwell") << "the label keeps its fixed text";
}

TEST_F(Startup, WithoutACachedInstallerTheStatusLineShowsTheProgramFolder) {
    const Window window = Start();
    EXPECT_EQ(window->StatusBar1->SimpleText(), app::ProgramFolder);
}

TEST_F(Startup, ACachedInstallerIsReportedAndExpiresAfterThirtyDays) {
    fs::create_directory(Preferred());
    const std::string installer = Preferred() + "/SetupNVL.exe";
    std::ofstream(installer) << "MZ";
    SetLocalWriteTime(installer, 2016, 6, 13, 0, 0);
    {
        const Window window = Start({}, rtl::EncodeDate(2016, 7, 13));
        EXPECT_EQ(window->StatusBar1->SimpleText(),
                  app::ProgramFolder + "SetupNVL.exe downloaded on 2016/06/13");
        EXPECT_TRUE(fs::exists(installer)) << "written exactly at the cut-off: it stays";
        EXPECT_EQ(window->FileListBox1->Items()->IndexOf("SetupNVL.exe"), 0);
    }
    SetLocalWriteTime(installer, 2016, 6, 12, 23, 59);
    const Window window = Start({}, rtl::EncodeDate(2016, 7, 13));
    EXPECT_EQ(window->StatusBar1->SimpleText(), app::ProgramFolder + "SetupNVL.exe downloaded on 2016/06/12")
        << "the status keeps the date of the deleted file";
    EXPECT_FALSE(fs::exists(installer));
    EXPECT_EQ(window->FileListBox1->Items()->IndexOf("SetupNVL.exe"), -1) << "the list shows the deletion";
}

TEST_F(Startup, TheWorkflowStartsIdleAndTheCaptionIsStamped) {
    const Window window = Start();
    EXPECT_EQ(window->Caption(), kBig5Caption + "  (Updated on 2016/06/13)");
    EXPECT_EQ(window->SavedCaption, window->Caption());
    ASSERT_NE(app::FileQueue, nullptr);
    EXPECT_EQ(app::FileQueue->Count(), 0);
    EXPECT_FALSE(window->LoggedIn || window->ListingSeen || window->ListingWanted || window->ListingParsed ||
                 window->QueueDone);
    EXPECT_EQ(window->FilesReceived, 0);
    for (gui::TTimer* timer : {window->Timer1, window->Timer2, window->Timer3})
        EXPECT_FALSE(timer->Running());
    EXPECT_EQ(window->Timer2->Interval(), 3000);
    EXPECT_EQ(rtl::FormatSettings().ShortDateFormat, "yyyy/mm/dd");
}

TEST_F(Startup, TheWindowsDescriptionHoldsItsControlsAtTheirPlaces) {
    const Window window = Start();
    EXPECT_EQ(window->ClientWidth(), 494);
    EXPECT_EQ(window->ClientHeight(), 327);
    EXPECT_EQ(window->Position(), gui::TPosition::poScreenCenter);
    EXPECT_TRUE(window->Visible());
    EXPECT_EQ(window->btnExit->Left(), 388);
    EXPECT_EQ(window->btnExit->Top(), 288);
    EXPECT_EQ(window->Label5->Caption(), "\xA6\xA8\xA5\x5C\xA4\x55\xB8\xFC\xA4\xA7\xC0\xC9\xAE\xD7")
        << "成功下載之檔案 with the 0x5C byte of 功 intact";
    EXPECT_EQ(window->Label3->Font()->Color(), gui::clBlue);
    EXPECT_EQ(window->Label3->Font()->Height(), -15);
    EXPECT_EQ(window->Label1->Font()->CharSet(), gui::CHINESEBIG5_CHARSET);
    EXPECT_EQ(window->InfoMemo->Font()->Height(), -11) << "the window's font";
    std::vector<std::string> tabOrder;
    for (auto* control : window->TabList())
        tabOrder.push_back(control->Name());
    EXPECT_EQ(tabOrder, (std::vector<std::string>{"InfoMemo", "btnExit", "Memo1", "btnInstall",
                                                  "FileListBox1", "btnFileDownload", "BitBtn1"}))
        << "the status bar takes no focus";
}

TEST_F(Startup, FormDestroyFreesTheQueueAndClosingTerminates) {
    Window window = Start();
    ASSERT_NE(app::FileQueue, nullptr);
    window.reset();
    EXPECT_EQ(app::FileQueue, nullptr);
}

TEST_F(Startup, TheCommandLineLanguageAndTheLanguageButtonSwitchTheWindow) {
    for (const auto& arguments : {std::vector<std::string>{}, std::vector<std::string>{"NVL", "C"}}) {
        const Window window = Start(arguments);
        EXPECT_EQ(window->Caption(), kBig5Caption + "  (Updated on 2016/06/13)");
        ExpectLanguage(*window, true);
    }

    const Window window = Start({"NVL", "E"});
    EXPECT_EQ(window->Caption(), "Program Installation System  (Updated on 2016/06/13)");
    ExpectLanguage(*window, false);
    const std::string status = window->StatusBar1->SimpleText();

    window->BitBtn1->Click();
    EXPECT_TRUE(app::Chinese);
    EXPECT_EQ(window->Caption(), kBig5Caption) << "the stamp is gone until the caption is restored";
    ExpectLanguage(*window, true);
    EXPECT_EQ(window->StatusBar1->SimpleText(), status) << "texts of the workflow stay";

    window->BitBtn1->Click();
    EXPECT_FALSE(app::Chinese);
    EXPECT_EQ(window->Caption(), "Program Installation System");
    ExpectLanguage(*window, false);
    EXPECT_EQ(multilang::GlobalLanguage, 0);
}
