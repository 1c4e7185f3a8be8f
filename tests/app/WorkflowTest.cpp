#include "app/UpdaterTesting.h"

#include "gui/ScriptedDialogs.h"

#include <set>

namespace fs = std::filesystem;
using test::Contents;

namespace {

// The window against pyftpdlib, with its timers as they are.
class Workflow : public test::UpdaterTest {
protected:
    void SetUp() override {
        UpdaterTest::SetUp();
        fs::create_directory(server_.Path("NVL_program"));
        std::ofstream(server_.Path("NVL_program/Setup.exe"), std::ios::binary) << "MZ installer";
        std::ofstream(server_.Path("NVL_program/data.bin"), std::ios::binary) << std::string(70000, 'd');
        Start(server_.Port());
    }

    bool QuestionAsked() const {
        for (const auto& box : dialogs_.Shown())
            if (box.Caption == "Confirm") return true;
        return false;
    }

    test::ScriptedDialogs dialogs_;
    test::FtpServer server_;
};

} // namespace

TEST(WorkflowTexts, TrimBlanksRemovesOnlyTheFourBlanks) {
    EXPECT_EQ(app::TrimBlanks(" \tSetup.exe\r\n"), "Setup.exe");
    EXPECT_EQ(app::TrimBlanks("a b"), "a b");
    EXPECT_EQ(app::TrimBlanks(" \r\n\t "), "");
    EXPECT_EQ(app::TrimBlanks("\x01name\x01"), "\x01name\x01") << "other control characters stay";
}

TEST_F(Workflow, ADownloadFetchesEveryFileOfTheRemoteFolderAndAsks) {
    std::ofstream(app::LocalFolder + "SetupNVL.exe") << "old installer";
    dialogs_.Answer(gui::mrNo);
    window_->btnFileDownloadClick(nullptr);
    EXPECT_EQ(window_->StatusBar1->SimpleText(), "Please wait.....");
    EXPECT_FALSE(fs::exists(app::LocalFolder + "SetupNVL.exe")) << "the old installer goes first";
    ASSERT_TRUE(test::PumpUntil([&] { return QuestionAsked(); }, 40000))
        << window_->StatusBar1->SimpleText() << " "
        << testing::PrintToString(window_->InfoMemo->Lines()->ToVector());

    EXPECT_EQ(Contents(app::LocalFolder + "SetupNVL.exe"), "MZ installer")
        << "Setup.exe is stored as SetupNVL.exe";
    EXPECT_EQ(Contents(app::LocalFolder + "data.bin"), std::string(70000, 'd'));
    const std::vector<std::string> received = window_->Memo1->Lines()->ToVector();
    EXPECT_EQ(std::set<std::string>(received.begin(), received.end()),
              (std::set<std::string>{"Setup.exe", "data.bin"}));
    EXPECT_EQ(window_->FilesReceived, 2);
    EXPECT_EQ(window_->InfoMemo->Lines()->IndexOf("data.bin") >= 0, true)
        << "the listing of the remote folder";
    const auto& question = dialogs_.Shown().back();
    EXPECT_EQ(question.Text, "Required files had been completely downloaded, install program now?");
    ASSERT_TRUE(test::PumpUntil([&] { return window_->StatusBar1->SimpleText() == "Logged out"; }, 5000));
    EXPECT_EQ(app::FileQueue->Count(), 0);
    EXPECT_FALSE(window_->FtpClient1->Connected());
    for (gui::TTimer* timer : {window_->Timer1, window_->Timer2, window_->Timer3})
        EXPECT_FALSE(timer->Running());
}

TEST_F(Workflow, ARefusedLoginIsToldWithTheServersWordsAndEndsTheSession) {
    ::setenv("NVL_FTP_PASSWORD", "wrong", 1);
    window_->btnFileDownloadClick(nullptr);
    ASSERT_TRUE(test::PumpUntil([&] { return !dialogs_.Shown().empty(); }, 10000));
    EXPECT_EQ(dialogs_.Shown()[0].Caption, "FTP Error: 530");
    EXPECT_EQ(dialogs_.Shown()[0].Text.substr(0, 34), "The server refused the login.\n530 ");
    EXPECT_FALSE(window_->Timer3->Running()) << "nothing is left waiting";
    EXPECT_FALSE(window_->FtpClient1->Connected()) << "the next press logs in anew";
}

TEST_F(Workflow, InstallingWithoutAnInstallerSaysSoAndEnds) {
    window_->btnInstallClick(nullptr);
    ASSERT_EQ(dialogs_.Shown().size(), 1u);
    EXPECT_EQ(dialogs_.Shown()[0].Text, "Required files not complete !");
    win::MSG message;
    bool quit = false;
    while (win::PeekMessageA(&message, nullptr, 0, 0, win::PM_REMOVE))
        quit = quit || message.message == win::WM_QUIT;
    EXPECT_TRUE(quit) << "the application terminates";
}

#ifndef _WIN32
TEST_F(Workflow, TheInstallerThatStartsIsTheDownloadedOneByItsFullPath) {
    // Another SetupNVL.exe in the current folder and on PATH comes first in a search.
    const auto installer = [](const fs::path& path, const std::string& who, const fs::path& marker) {
        std::ofstream(path) << "#!/bin/sh\necho " << who << " > '" << marker.string() << "'\n";
    };
    const fs::path marker = folder_.path() / "ran.txt";
    const fs::path elsewhere = folder_.path() / "elsewhere";
    fs::create_directory(elsewhere);
    installer(app::LocalFolder + "SetupNVL.exe", "downloaded", marker);
    installer(elsewhere / "SetupNVL.exe", "decoy", marker);
    fs::permissions(elsewhere / "SetupNVL.exe", fs::perms::owner_exec, fs::perm_options::add);
    fs::current_path(elsewhere);
    const std::string path = std::getenv("PATH");
    ::setenv("PATH", (elsewhere.string() + ":" + path).c_str(), 1);
    window_->btnInstallClick(nullptr);
    ::setenv("PATH", path.c_str(), 1);
    ASSERT_TRUE(test::PumpUntil([&] { return fs::exists(marker) && fs::file_size(marker) > 0; }, 5000));
    EXPECT_EQ(Contents(marker.string()), "downloaded\n");
}
#endif

TEST_F(Workflow, ProgressReachesTheStatusLineAFewTimesASecondAndTheEndAtOnce) {
    app::FileQueue->Add("a.dat");
    auto progress = [&](std::int32_t bytes) {
        window_->FtpClient1->TransferredBytes = bytes;
        window_->FtpClient1FtpStatus(nullptr, ftp::fsProgress, nullptr);
    };
    progress(1024);
    EXPECT_EQ(window_->StatusBar1->SimpleText(), "a.dat Downloading...1024") << "the first block shows";
    progress(2048);
    progress(3072);
    EXPECT_EQ(window_->StatusBar1->SimpleText(), "a.dat Downloading...1024") << "the next ones wait";
    test::PumpFor(app::kProgressIntervalMs + 100);
    EXPECT_EQ(window_->StatusBar1->SimpleText(), "a.dat Downloading...3072")
        << "the latest shows at the next tick, even when no block follows";
    progress(4096);
    window_->FtpClient1FtpStatus(nullptr, ftp::fsTransferDone, nullptr);
    EXPECT_EQ(window_->StatusBar1->SimpleText(), "a.dat Download completed");
    test::PumpFor(app::kProgressIntervalMs + 100);
    EXPECT_EQ(window_->StatusBar1->SimpleText(), "a.dat Download completed")
        << "no late progress after the end";
    EXPECT_FALSE(window_->ProgressTimer->Running());
}
