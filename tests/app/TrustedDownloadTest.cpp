// The updater against broken and hostile servers: what arrives, what is refused, what is asked.
#include "app/uGetUpdateFile.h"

#include "support/FtpServer.h"
#include "support/ScriptedFtpServer.h"

#include "gui/Application.h"
#include "gui/Dialogs.h"
#include "platform/Process.h"
#include "port/PortErrors.h"
#include "port/SocketDispatcher.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using app::TGetUpdateFile;
using test::FtpSession;

namespace {

std::string Contents(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Boxes as a person meets them: each stays open for a moment, while the program goes on handling
// its messages, and is then closed; the install question is answered No.
class ModalDialogs : public gui::TDialogProvider {
public:
    ModalDialogs() : previous_(gui::SetDialogProvider(this)) {}
    ~ModalDialogs() override { gui::SetDialogProvider(previous_); }
    ModalDialogs(const ModalDialogs&) = delete;
    ModalDialogs& operator=(const ModalDialogs&) = delete;

    gui::TModalResult Show(const gui::TDialogRequest& request) override {
        captions.push_back(request.Caption);
        test::PumpFor(150);
        return request.Caption == "Confirm" ? gui::mrNo : gui::mrOk;
    }
    bool QuestionAsked() const { return std::count(captions.begin(), captions.end(), "Confirm") > 0; }
    std::vector<std::string> ErrorBoxes() const {
        std::vector<std::string> errors;
        std::copy_if(captions.begin(), captions.end(), std::back_inserter(errors),
                     [](const std::string& caption) { return caption.starts_with("FTP Error: "); });
        return errors;
    }

    std::vector<std::string> captions;

private:
    gui::TDialogProvider* previous_;
};

struct FreeForm {
    void operator()(TGetUpdateFile* form) const { gui::FreeComponent(form); }
};

// The window in English, with quick timers, logging in to a local server.
class TrustedDownload : public ::testing::Test {
protected:
    void SetUp() override {
        port::OpenMessageTables();
        port::DeviceSocket();
        previousFolder_ = fs::current_path();
        arguments_ = win::CommandLineArguments();
        ::setenv("NVL_DRIVE_C", drive_.path().c_str(), 1);
        ::setenv("NVL_FTP_HOST", "127.0.0.1", 1);
        ::setenv("NVL_FTP_USER", test::FtpServer::kUser, 1);
        ::setenv("NVL_FTP_PASSWORD", test::FtpServer::kPassword, 1);
        win::SetCommandLineArguments({arguments_.front(), "NVL", "E"});
    }
    void TearDown() override {
        window_.reset();
        fs::current_path(previousFolder_);
        win::SetCommandLineArguments(arguments_);
        for (const char* variable :
             {"NVL_DRIVE_C", "NVL_FTP_HOST", "NVL_FTP_PORT", "NVL_FTP_USER", "NVL_FTP_PASSWORD"})
            ::unsetenv(variable);
    }

    // Starts the program with the server's port.
    void Start(win::u_short port) {
        ::setenv("NVL_FTP_PORT", std::to_string(port).c_str(), 1);
        window_.reset(new TGetUpdateFile(nullptr));
        for (gui::TTimer* timer : {window_->Timer1, window_->Timer2, window_->Timer3})
            timer->SetInterval(100);
    }
    // Presses Download File and waits until the download has ended.
    bool Download(int timeoutMs = 30000) {
        window_->btnFileDownloadClick(nullptr);
        return test::PumpUntil([&] { return window_->QueueDone && !window_->Timer1->Running(); }, timeoutMs);
    }
    fs::path Local(const std::string& name) const { return fs::path(app::LocalFolder) / name; }
    // Every file under the drive, relative to it.
    std::set<std::string> FilesOnTheDrive() const {
        std::set<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(drive_.path()))
            if (!entry.is_directory()) files.insert(fs::relative(entry.path(), drive_.path()).string());
        return files;
    }
    std::vector<std::string> Retrieved(const test::ScriptedFtpServer& server) const {
        std::vector<std::string> names;
        for (const std::string& line : server.Dialogue())
            if (line.starts_with("C: RETR ")) names.push_back(line.substr(8));
        return names;
    }

    ModalDialogs dialogs_;
    test::TempFolder drive_{"trusted-drive"};
    fs::path previousFolder_;
    std::vector<std::string> arguments_;
    std::unique_ptr<TGetUpdateFile, FreeForm> window_;
};

} // namespace

TEST_F(TrustedDownload, ListedNamesThatLeaveTheFolderAreNeverFetched) {
    test::ScriptedFtpServer server;
    Start(server.Port());
    const std::vector<std::string> hostile = {"../evil1", "..\\..\\evil2", "sub/evil3", "C:evil4",
                                              ".",        "..",           "bad\x01name", "\\evil5"};
    for (const std::string& name : hostile)
        server.files[name] = "evil";
    server.files["good.txt"] = "good";
    server.files["Setup.exe"] = "installer";
    std::string listing;
    for (const std::string& name : hostile)
        listing += name + "\r\n";
    server.listing = listing + "good.txt\r\nSetup.exe\r\n";
    ASSERT_TRUE(Download()) << window_->StatusBar1->SimpleText();
    EXPECT_EQ(Retrieved(server), (std::vector<std::string>{"good.txt", "Setup.exe"}));
    EXPECT_EQ(FilesOnTheDrive(), (std::set<std::string>{"Brantwell/good.txt", "Brantwell/SetupNVL.exe"}));
    EXPECT_EQ(Contents(Local("SetupNVL.exe")), "installer");
    EXPECT_GE(window_->InfoMemo->Lines()->IndexOf("../evil1"), 0) << "the listing still shows every name";
    EXPECT_TRUE(dialogs_.ErrorBoxes().empty());
    EXPECT_TRUE(dialogs_.QuestionAsked());
}

TEST_F(TrustedDownload, Big5NamesWithABackslashTrailByteArriveUnderTheirOwnBytes) {
    test::ScriptedFtpServer server;
    Start(server.Port());
    const std::string first = "\xA5\x5C\xAF\xE0.txt"; // 功能.txt
    const std::string second = "\xA5\x5C";            // 功
    server.files[first] = "first";
    server.files[second] = "second";
    ASSERT_TRUE(Download()) << window_->StatusBar1->SimpleText();
    EXPECT_EQ(Contents(Local(first)), "first");
    EXPECT_EQ(Contents(Local(second)), "second");
    EXPECT_EQ(FilesOnTheDrive(), (std::set<std::string>{"Brantwell/" + first, "Brantwell/" + second}));
    EXPECT_TRUE(dialogs_.ErrorBoxes().empty());
}

TEST_F(TrustedDownload, AServerDyingMidInstallerAsksNothingAndLeavesNoInstaller) {
    test::ScriptedFtpServer server;
    Start(server.Port());
    server.files["a.dat"] = std::string(50000, 'a');
    server.files["Setup.exe"] = std::string(200000, 's');
    server.listing = "a.dat\r\nSetup.exe\r\n";
    server.handlers["RETR"] = [&](FtpSession& session, const std::string& name) {
        session.Reply("150 Opening data connection");
        session.OpenData();
        if (name == "Setup.exe") {
            session.SendData(std::string(100000, 's'));
            session.Close();
            return;
        }
        session.SendData(server.files[name]);
        session.CloseData();
        session.Reply("226 Transfer complete");
    };
    ASSERT_TRUE(Download()) << window_->StatusBar1->SimpleText();
    EXPECT_EQ(dialogs_.ErrorBoxes(), std::vector<std::string>{"FTP Error: 10054"});
    EXPECT_FALSE(dialogs_.QuestionAsked());
    EXPECT_EQ(window_->FilesReceived, 1) << "the cut file is not counted";
    EXPECT_FALSE(fs::exists(Local("SetupNVL.exe"))) << "no cut installer to start";
    EXPECT_TRUE(Contents(Local("a.dat")) == server.files["a.dat"]);
}

TEST_F(TrustedDownload, AnEarlyDataCloseWithALate426FailsThatFileAlone) {
    test::ScriptedFtpServer server;
    Start(server.Port());
    server.files["a.dat"] = std::string(50000, 'a');
    server.files["b.dat"] = std::string(60000, 'b');
    server.handlers["RETR"] = [&](FtpSession& session, const std::string& name) {
        session.Reply("150 Opening data connection");
        session.OpenData();
        const bool cut = name == "a.dat";
        session.SendData(cut ? std::string(1000, 'a') : server.files[name]);
        session.CloseData();
        std::this_thread::sleep_for(std::chrono::milliseconds(cut ? 300 : 0));
        session.Reply(cut ? "426 Connection closed; transfer aborted" : "226 Transfer complete");
    };
    ASSERT_TRUE(Download()) << window_->StatusBar1->SimpleText();
    EXPECT_EQ(dialogs_.ErrorBoxes(), std::vector<std::string>{"FTP Error: 426"});
    EXPECT_FALSE(fs::exists(Local("a.dat"))) << "the cut file is gone";
    EXPECT_TRUE(Contents(Local("b.dat")) == server.files["b.dat"]);
    EXPECT_EQ(window_->Memo1->Lines()->ToVector(), std::vector<std::string>{"b.dat"});
    EXPECT_FALSE(dialogs_.QuestionAsked()) << "not every file arrived";
}

TEST_F(TrustedDownload, AFileThatCannotBeMadeIsAnErrorAndTheNextOneArrives) {
    test::ScriptedFtpServer server;
    Start(server.Port());
    server.files["blocked.dat"] = "blocked";
    server.files["next.dat"] = "next";
    fs::create_directories(Local("blocked.dat"));
    ASSERT_TRUE(Download()) << window_->StatusBar1->SimpleText();
    EXPECT_EQ(dialogs_.ErrorBoxes(), std::vector<std::string>{"FTP Error: 5"});
    EXPECT_TRUE(fs::is_directory(Local("blocked.dat"))) << "what stood in the way is left alone";
    EXPECT_EQ(Contents(Local("next.dat")), "next");
    EXPECT_EQ(Retrieved(server), std::vector<std::string>{"next.dat"});
}

TEST_F(TrustedDownload, AReplyLineThatNeverEndsIsAnErrorWithinSecondsAndExitStillEnds) {
    test::ScriptedFtpServer server;
    std::atomic<std::size_t> sent = 0;
    server.greet = [&](FtpSession& session) {
        const std::string chunk(65536, 'x');
        for (bool going = session.SendRaw("220-"); going && sent < 64u * 1024 * 1024;
             going = session.SendRaw(chunk))
            sent += chunk.size();
    };
    Start(server.Port());
    window_->btnFileDownloadClick(nullptr);
    ASSERT_TRUE(test::PumpUntil([&] { return !dialogs_.ErrorBoxes().empty(); }, 5000));
    EXPECT_EQ(dialogs_.ErrorBoxes(), std::vector<std::string>{"FTP Error: 10040"});
    EXPECT_LT(sent, 64u * 1024 * 1024) << "the updater stopped reading";
    window_->btnExitClick(nullptr);
    win::MSG message;
    bool quit = false;
    while (win::PeekMessageA(&message, nullptr, 0, 0, win::PM_REMOVE))
        quit = quit || message.message == win::WM_QUIT;
    EXPECT_TRUE(quit) << "Exit ends the program";
}

TEST_F(TrustedDownload, LongerLocalFilesAreReplacedExactly) {
    test::FtpServer server;
    Start(server.Port());
    fs::create_directory(server.Path("NVL_program"));
    std::ofstream(server.Path("NVL_program/readme.txt"), std::ios::binary) << "short";
    fs::create_directories(app::LocalFolder);
    std::ofstream(Local("readme.txt"), std::ios::binary) << std::string(100000, 'z');
    ASSERT_TRUE(Download()) << window_->StatusBar1->SimpleText();
    EXPECT_EQ(Contents(Local("readme.txt")), "short");
}

TEST_F(TrustedDownload, AFolderWithAListingOver150KBArrivesWhole) {
    test::FtpServer server;
    Start(server.Port());
    fs::create_directory(server.Path("NVL_program"));
    std::set<std::string> names;
    for (int i = 0; i < 640; ++i) {
        const std::string name = std::string(230, 'n') + "-" + std::to_string(i) + ".dat";
        std::ofstream(server.Path("NVL_program/" + name), std::ios::binary) << i;
        names.insert("Brantwell/" + name);
    }
    ASSERT_TRUE(Download(120000)) << window_->StatusBar1->SimpleText();
    EXPECT_EQ(FilesOnTheDrive(), names);
    EXPECT_EQ(window_->FilesReceived, 640);
    EXPECT_TRUE(dialogs_.ErrorBoxes().empty());
    EXPECT_TRUE(dialogs_.QuestionAsked());
}
