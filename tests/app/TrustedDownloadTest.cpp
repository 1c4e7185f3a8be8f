// The updater against broken and hostile servers: what arrives, what is refused, what is asked.
#include "app/UpdaterTesting.h"

#include "support/ScriptedFtpServer.h"

#include "gui/ScriptedDialogs.h"
#include "platform/CodePage.h"

#include <atomic>
#include <set>
#include <thread>

namespace fs = std::filesystem;
using test::Contents;
using test::FtpSession;

namespace {

// The window with quick timers against broken and hostile servers. Boxes stay open for a moment
// as with a person; the install question is answered No.
class TrustedDownload : public test::UpdaterTest {
protected:
    void SetUp() override {
        UpdaterTest::SetUp();
        dialogs_.StayOpenFor(150);
        dialogs_.AnswerCaption("Confirm", gui::mrNo);
    }
    // Presses Download File and waits until the download has ended.
    bool Download(int timeoutMs = 30000) {
        window_->btnFileDownloadClick(nullptr);
        return test::PumpUntil([&] { return window_->QueueDone && !window_->Timer1->Running(); }, timeoutMs);
    }
    // Every file in the test's folder, the drive's and those above it, relative to the drive.
    std::set<std::string> FilesOnTheDrive() const {
        std::set<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(folder_.path()))
            if (!entry.is_directory()) files.insert(fs::relative(entry.path(), DriveC()).string());
        return files;
    }
    std::vector<std::string> Retrieved(const test::ScriptedFtpServer& server) const {
        std::vector<std::string> names;
        for (const std::string& line : server.Dialogue())
            if (line.starts_with("C: RETR ")) names.push_back(line.substr(8));
        return names;
    }

    bool QuestionAsked() const { return !Boxes("Confirm").empty(); }
    std::vector<std::string> ErrorBoxes() const { return Boxes("FTP Error: "); }
    // The captions of the boxes shown that begin with `prefix`.
    std::vector<std::string> Boxes(const std::string& prefix) const {
        std::vector<std::string> captions;
        for (const gui::TDialogRequest& box : dialogs_.Shown())
            if (box.Caption.starts_with(prefix)) captions.push_back(box.Caption);
        return captions;
    }

    test::ScriptedDialogs dialogs_;
};

} // namespace

TEST_F(TrustedDownload, ListedNamesThatLeaveTheFolderAreNeverFetched) {
    test::ScriptedFtpServer server;
    Start(server.Port(), true);
    const std::vector<std::string> hostile = {"../evil1", "..\\..\\evil2", "sub/evil3", "C:evil4", ".",
                                              "..",       "bad\x01name",   "\\evil5"};
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
    EXPECT_TRUE(ErrorBoxes().empty());
    EXPECT_TRUE(QuestionAsked());
}

TEST_F(TrustedDownload, NamesAreTakenAsListedAndRefusedOnesRaiseNoBox) {
    test::ScriptedFtpServer server;
    Start(server.Port(), true);
    server.files[" lead.txt"] = "the leading blank's";
    server.files["lead.txt"] = "another file's";
    server.files["after.txt"] = "after the NUL";
    server.files["Setup.exe"] = "installer";
    server.files["SetupNVL.exe"] = "not the installer";
    const char listing[] = " lead.txt\r\nbad\0name\r\nafter.txt\r\nSetupNVL.exe\r\nSetup.exe\r\n";
    server.listing = std::string(listing, sizeof listing - 1);
    // The first fetch waits until the parsed listing's status has been seen.
    window_->Timer2->SetInterval(60000);
    window_->btnFileDownloadClick(nullptr);
    ASSERT_TRUE(test::PumpUntil([&] { return window_->ListingParsed; }, 10000));
    EXPECT_EQ(window_->StatusBar1->SimpleText(), "Login (2 names skipped)");
    window_->Timer2->SetInterval(100);
    ASSERT_TRUE(test::PumpUntil([&] { return window_->QueueDone && !window_->Timer1->Running(); }, 10000));
    EXPECT_EQ(Retrieved(server), (std::vector<std::string>{" lead.txt", "after.txt", "Setup.exe"}));
    EXPECT_EQ(Contents(Local(" lead.txt")), "the leading blank's");
    EXPECT_EQ(Contents(Local("SetupNVL.exe")), "installer");
    EXPECT_FALSE(fs::exists(Local("lead.txt")));
    EXPECT_TRUE(ErrorBoxes().empty());
    EXPECT_TRUE(QuestionAsked());
    EXPECT_GE(window_->InfoMemo->Lines()->IndexOf("SetupNVL.exe"), 0) << "the listing shows every name";
}

TEST_F(TrustedDownload, AListingOverTheWindowsBoundIsAnErrorAndFetchesNothing) {
    test::ScriptedFtpServer server;
    Start(server.Port(), true);
    server.files["a.txt"] = "a";
    server.listing = "a.txt\r\n" + std::string(1024 * 1024, 'n') + "\r\n";
    ASSERT_TRUE(Download()) << window_->StatusBar1->SimpleText();
    EXPECT_EQ(ErrorBoxes(), std::vector<std::string>{"FTP Error: 10040"});
    EXPECT_EQ(dialogs_.Shown()[0].Text,
              "The server did not list the folder //NVL_program.\nListing longer than 1048576 bytes");
    EXPECT_TRUE(Retrieved(server).empty());
}

TEST_F(TrustedDownload, Big5NamesWithABackslashTrailByteArriveUnderTheirOwnBytes) {
    test::ScriptedFtpServer server;
    Start(server.Port(), true);
    const std::string first = "\xA5\x5C\xAF\xE0.txt"; // 功能.txt
    const std::string second = "\xA5\x5C";            // 功
    server.files[first] = "first";
    server.files[second] = "second";
    ASSERT_TRUE(Download()) << window_->StatusBar1->SimpleText();
    EXPECT_EQ(Contents(Local(first)), "first");
    EXPECT_EQ(Contents(Local(second)), "second");
    EXPECT_EQ(FilesOnTheDrive(), (std::set<std::string>{"Brantwell/" + first, "Brantwell/" + second}));
    EXPECT_TRUE(ErrorBoxes().empty());
}

TEST_F(TrustedDownload, AServerDyingMidInstallerAsksNothingAndLeavesNoInstaller) {
    test::ScriptedFtpServer server;
    Start(server.Port(), true);
    server.files["a.dat"] = std::string(50000, 'a');
    server.files["Setup.exe"] = std::string(200000, 's');
    server.listing = "a.dat\r\nSetup.exe\r\n";
    server.handlers["RETR"] = [&](FtpSession& session, const std::string& name) {
        session.StartTransfer();
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
    EXPECT_EQ(ErrorBoxes(), std::vector<std::string>{"FTP Error: 10054"});
    EXPECT_FALSE(QuestionAsked());
    EXPECT_EQ(window_->FilesReceived, 1) << "the cut file is not counted";
    EXPECT_FALSE(fs::exists(Local("SetupNVL.exe"))) << "no cut installer to start";
    EXPECT_TRUE(Contents(Local("a.dat")) == server.files["a.dat"]);
}

TEST_F(TrustedDownload, AnEarlyDataCloseWithALate426FailsThatFileAlone) {
    test::ScriptedFtpServer server;
    Start(server.Port(), true);
    server.files["a.dat"] = std::string(50000, 'a');
    server.files["b.dat"] = std::string(60000, 'b');
    server.handlers["RETR"] = [&](FtpSession& session, const std::string& name) {
        session.StartTransfer();
        const bool cut = name == "a.dat";
        session.SendData(cut ? std::string(1000, 'a') : server.files[name]);
        session.CloseData();
        std::this_thread::sleep_for(std::chrono::milliseconds(cut ? 300 : 0));
        session.Reply(cut ? "426 Connection closed; transfer aborted" : "226 Transfer complete");
    };
    fs::create_directories(app::LocalFolder);
    std::ofstream(Local("a.dat")) << "earlier";
    ASSERT_TRUE(Download()) << window_->StatusBar1->SimpleText();
    EXPECT_EQ(ErrorBoxes(), std::vector<std::string>{"FTP Error: 426"});
    EXPECT_EQ(Contents(Local("a.dat")), "earlier") << "the earlier file stays";
    EXPECT_TRUE(Contents(Local("b.dat")) == server.files["b.dat"]);
    EXPECT_EQ(window_->Memo1->Lines()->ToVector(), std::vector<std::string>{"b.dat"});
    EXPECT_FALSE(QuestionAsked()) << "not every file arrived";
}

TEST_F(TrustedDownload, AFileThatCannotBeMadeIsAnErrorAndTheNextOneArrives) {
    test::ScriptedFtpServer server;
    Start(server.Port(), true);
    server.files["blocked.dat"] = "blocked";
    server.files["next.dat"] = "next";
    fs::create_directories(Local("blocked.dat"));
    ASSERT_TRUE(Download()) << window_->StatusBar1->SimpleText();
    EXPECT_EQ(ErrorBoxes(), std::vector<std::string>{"FTP Error: 5"});
    EXPECT_TRUE(fs::is_directory(Local("blocked.dat"))) << "what stood in the way is left alone";
    EXPECT_EQ(Contents(Local("next.dat")), "next");
    EXPECT_EQ(Retrieved(server), std::vector<std::string>{"next.dat"});
}

TEST_F(TrustedDownload, AReplyLineThatNeverEndsIsAnErrorWithinSecondsAndExitStillEnds) {
    test::ScriptedFtpServer server;
    std::atomic<std::size_t> sent = 0;
    server.greet = [&](FtpSession& session) { session.SendEndlessLine("220-", 64u * 1024 * 1024, sent); };
    Start(server.Port(), true);
    window_->btnFileDownloadClick(nullptr);
    ASSERT_TRUE(test::PumpUntil([&] { return !ErrorBoxes().empty(); }, 5000));
    EXPECT_EQ(ErrorBoxes(), std::vector<std::string>{"FTP Error: 10040"});
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
    Start(server.Port(), true);
    fs::create_directory(server.Path("NVL_program"));
    std::ofstream(server.Path("NVL_program/readme.txt"), std::ios::binary) << "short";
    fs::create_directories(app::LocalFolder);
    std::ofstream(Local("readme.txt"), std::ios::binary) << std::string(100000, 'z');
    ASSERT_TRUE(Download()) << window_->StatusBar1->SimpleText();
    EXPECT_EQ(Contents(Local("readme.txt")), "short");
}

TEST_F(TrustedDownload, AFolderWithAListingOver150KBArrivesWhole) {
    test::FtpServer server;
    Start(server.Port(), true);
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
    EXPECT_TRUE(ErrorBoxes().empty());
    EXPECT_TRUE(QuestionAsked());
}

// Each way a download fails ends it within seconds in one box, with the server's words, and
// leaves the window ready: the next press logs in anew.
TEST_F(TrustedDownload, EveryFailureIsToldInOneBoxAndTheNextPressStartsAnew) {
    ::setenv("NVL_FTP_TIMEOUT", "1", 1);
    Start(test::FreePort(), true);
    struct Case {
        const char* what;
        std::function<void(test::ScriptedFtpServer&)> script;
        std::string caption;
        std::string text;
    };
    const auto cwdRefused = [](test::ScriptedFtpServer& server) {
        server.handlers["CWD"] = [](FtpSession& session, const std::string& folder) {
            session.Reply(folder == "/" ? "250 OK" : "550 No such folder");
        };
    };
    const std::vector<Case> cases = {
        {"refused", nullptr, "FTP Error: 10061", "The server refused the connection."},
        {"421 greeting",
         [](test::ScriptedFtpServer& server) {
             server.greet = [](FtpSession& session) { session.Reply("421 Too many users, try later."); };
         },
         "FTP Error: 421", "The server closed the connection.\n421 Too many users, try later."},
        {"no greeting", [](test::ScriptedFtpServer& server) { server.greet = [](FtpSession&) {}; },
         "FTP Error: -1", "The server did not answer within 1 seconds."},
        {"missing folder", cwdRefused, "FTP Error: 550",
         "The folder //NVL_program could not be opened on the server.\n550 No such folder"},
        {"stalled transfer",
         [](test::ScriptedFtpServer& server) {
             server.files["a.dat"] = "a";
             server.handlers["RETR"] = [](FtpSession& session, const std::string&) {
                 session.StartTransfer();
                 session.NextCommand(5000);
             };
         },
         "FTP Error: 10060", "a.dat: Transfer timed out"},
    };
    for (const Case& failure : cases) {
        SCOPED_TRACE(failure.what);
        std::optional<test::ScriptedFtpServer> server;
        if (failure.script) {
            server.emplace();
            failure.script(*server);
            window_->FtpClient1->SetWsPort(std::to_string(server->Port()));
        }
        const std::size_t before = dialogs_.Shown().size();
        window_->btnFileDownloadClick(nullptr);
        ASSERT_TRUE(test::PumpUntil([&] { return dialogs_.Shown().size() > before; }, 6000));
        test::PumpFor(200);
        ASSERT_EQ(dialogs_.Shown().size(), before + 1) << "one box";
        EXPECT_EQ(dialogs_.Shown().back().Caption, failure.caption);
        EXPECT_EQ(dialogs_.Shown().back().Text, failure.text);
        EXPECT_TRUE(dialogs_.Shown().back().Modeless);
        EXPECT_FALSE(window_->FtpClient1->Connected());
        for (gui::TTimer* timer : {window_->Timer1, window_->Timer2, window_->Timer3})
            EXPECT_FALSE(timer->Running());
    }
    ::setenv("NVL_FTP_HOST", "nvl.invalid", 1);
    app::Chinese = true;
    window_->btnFileDownloadClick(nullptr);
    ASSERT_FALSE(dialogs_.Shown().empty());
    EXPECT_EQ(dialogs_.Shown().back().Caption, "FTP Error: 9007");
    EXPECT_EQ(win::AnsiToWide(dialogs_.Shown().back().Text), u"找不到伺服器名稱 nvl.invalid。");
    app::Chinese = false;

    ::setenv("NVL_FTP_HOST", "127.0.0.1", 1);
    test::ScriptedFtpServer good;
    good.files["a.dat"] = "a";
    window_->FtpClient1->SetWsPort(std::to_string(good.Port()));
    window_->btnFileDownloadClick(nullptr);
    ASSERT_TRUE(test::PumpUntil([&] { return QuestionAsked(); }, 15000)) << window_->StatusBar1->SimpleText();
    EXPECT_EQ(Contents(Local("a.dat")), "a");
}
