#include "ftp/FtpClient.h"

#include "ftp/FtpClientTesting.h"
#include "support/FtpServer.h"

#include "ftp/FtpLog.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

using ftp::TControlState;
using ftp::TFtpClient;
using ftp::TFtpReceiveMode;

using test::Contents;

namespace {

const std::string kStatus = "status ";

// Every byte value, in an order that no fixed pattern repeats.
std::string BinaryBytes(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 12345;
    for (char& byte : bytes) {
        state = state * 1103515245 + 12345;
        byte = static_cast<char>(state >> 16);
    }
    return bytes;
}

// Logs in, takes the folder's bare name list and downloads `name` in both modes.
void DownloadInBothModes(TFtpClient& client, test::FtpRecorder& recorder, const std::string& name,
                         const std::string& bytes, const std::string& local) {
    ASSERT_TRUE(client.Login());
    ASSERT_TRUE(recorder.Until(kStatus + std::to_string(ftp::fsLoggedIn)))
        << testing::PrintToString(recorder.events);
    for (const bool passive : {true, false}) {
        recorder.Clear();
        client.PassiveMode = passive;
        ASSERT_TRUE(client.ListDir("", false));
        ASSERT_TRUE(recorder.Until(kStatus + std::to_string(ftp::fsDataAvailable)))
            << passive << testing::PrintToString(recorder.events);
        EXPECT_NE(recorder.texts[ftp::fsDataAvailable].find(name), std::string::npos);
        ASSERT_TRUE(client.Retrieve(name, local, TFtpReceiveMode::rcvReplace));
        ASSERT_TRUE(recorder.Until(kStatus + std::to_string(ftp::fsTransferDone), 10000))
            << passive << testing::PrintToString(recorder.events);
        EXPECT_TRUE(Contents(local) == bytes) << "passive " << passive;
        EXPECT_EQ(client.TransferredBytes, static_cast<std::int32_t>(bytes.size()));
        test::PumpFor(50);
        EXPECT_FALSE(recorder.SawError()) << testing::PrintToString(recorder.events);
    }
}

class FtpClient : public ::testing::Test {
protected:
    void SetUp() override {
        recorder_.Watch(client_);
        test::PointAt(client_, server_.Port(), test::FtpServer::kUser, test::FtpServer::kPassword);
        std::ofstream(server_.Path("hello.txt"), std::ios::binary) << "hello, world\n";
        std::filesystem::create_directory(server_.Path("sub"));
    }
    void TearDown() override {
        client_.Logout();
        test::PumpFor(50);
    }

    bool Until(const std::string& event, int timeoutMs = 5000) {
        return test::PumpUntil([&] { return recorder_.Saw(event); }, timeoutMs);
    }
    void LogIn() {
        ASSERT_TRUE(client_.Login());
        ASSERT_TRUE(Until(kStatus + std::to_string(ftp::fsLoggedIn)))
            << testing::PrintToString(recorder_.events);
    }

    test::FtpServer server_;
    test::FtpRecorder recorder_;
    TFtpClient client_{nullptr};
    test::TempFolder local_{"ftp-local"};
};

} // namespace

TEST_F(FtpClient, LogsInAndOut) {
    EXPECT_FALSE(client_.Connected());
    LogIn();
    EXPECT_EQ(recorder_.Outcomes().front(), "status 1") << "connected first";
    EXPECT_FALSE(recorder_.texts[ftp::fsConnected].empty());
    EXPECT_EQ(client_.State(), TControlState::cnReady);
    EXPECT_FALSE(client_.Login()) << "not in cnReady";
    EXPECT_TRUE(client_.Logout());
    test::PumpFor(100);
    EXPECT_EQ(recorder_.Count("status 2"), 1) << "logged out once";
    EXPECT_TRUE(recorder_.Saw("log 2"));
    EXPECT_FALSE(client_.Connected());
    EXPECT_FALSE(client_.Logout()) << "already closed";
}

TEST_F(FtpClient, AWrongPasswordIsAnErrorDuringTheLogin) {
    client_.Password = "wrong";
    ASSERT_TRUE(client_.Login());
    ASSERT_TRUE(Until("error 530"));
    EXPECT_EQ(recorder_.errorText.substr(0, 4), "530 ");
    EXPECT_EQ(recorder_.errorText.substr(recorder_.errorText.size() - 2), "\r\n");
    EXPECT_EQ(client_.State(), TControlState::cnLogin);
    EXPECT_TRUE(client_.Connected());
    client_.Password = test::FtpServer::kPassword;
    EXPECT_TRUE(client_.Login()) << "USER again";
    EXPECT_TRUE(Until(kStatus + std::to_string(ftp::fsLoggedIn)));
}

TEST_F(FtpClient, ARefusedConnectIsAnErrorAndClosesAtOnce) {
    client_.SetWsPort(std::to_string(test::FreePort()));
    client_.ConnectTimeout = 200;
    ASSERT_TRUE(client_.Login());
    ASSERT_TRUE(Until(kStatus + std::to_string(ftp::fsClosed), 3000));
    EXPECT_EQ(recorder_.Outcomes(), (std::vector<std::string>{"error 10061", "status 0"}));
    EXPECT_EQ(recorder_.errorText, "The attempt to connect was forcibly refused");
    EXPECT_FALSE(client_.Connected());
    client_.SetWsPort(std::to_string(server_.Port()));
    LogIn();
    test::PumpFor(300);
    EXPECT_EQ(recorder_.Count("error -1"), 0) << "no connect timer is left from the refused attempt";
}

TEST_F(FtpClient, DirectoriesAreChangedAndReported) {
    LogIn();
    ASSERT_TRUE(client_.CurrentDir());
    EXPECT_FALSE(client_.CurrentDir()) << "an operation is under way";
    ASSERT_TRUE(Until("status 5"));
    EXPECT_EQ(recorder_.texts[ftp::fsCurrentDir], "/");
    ASSERT_TRUE(client_.ChangeDir("sub"));
    ASSERT_TRUE(Until("status 4"));
    recorder_.texts.clear();
    ASSERT_TRUE(client_.ChangeDir(""));
    ASSERT_TRUE(test::PumpUntil([&] { return recorder_.texts.count(ftp::fsCurrentDir) == 1; }));
    EXPECT_EQ(recorder_.texts[ftp::fsCurrentDir], "/sub");
    ASSERT_TRUE(client_.ChangeDir("missing"));
    ASSERT_TRUE(Until("error 550"));
    EXPECT_EQ(client_.State(), TControlState::cnReady);
}

TEST_F(FtpClient, ListingsArriveInBothModes) {
    LogIn();
    for (const bool passive : {true, false}) {
        recorder_.texts.erase(ftp::fsDataAvailable);
        client_.PassiveMode = passive;
        ASSERT_TRUE(client_.ListDir("", false)) << passive;
        ASSERT_TRUE(test::PumpUntil([&] { return recorder_.texts.count(ftp::fsDataAvailable) == 1; }))
            << testing::PrintToString(recorder_.events);
        const std::string listing = recorder_.texts[ftp::fsDataAvailable];
        EXPECT_NE(listing.find("hello.txt"), std::string::npos) << listing;
        EXPECT_NE(listing.find("sub"), std::string::npos) << listing;
        ASSERT_TRUE(test::PumpUntil([&] { return client_.State() == TControlState::cnReady; }));
        test::PumpFor(50);
        EXPECT_FALSE(recorder_.SawError()) << testing::PrintToString(recorder_.events);
    }
}

TEST_F(FtpClient, DownloadsReplaceAppendAndRestart) {
    LogIn();
    const std::string local = local_.Path("hello.txt");
    const auto download = [&](TFtpReceiveMode mode) {
        recorder_.events.clear();
        ASSERT_TRUE(client_.Retrieve("hello.txt", local, mode));
        ASSERT_TRUE(Until("status 8")) << testing::PrintToString(recorder_.events);
        test::PumpUntil([&] { return client_.State() == TControlState::cnReady; });
        test::PumpFor(50);
        EXPECT_FALSE(recorder_.SawError()) << testing::PrintToString(recorder_.events);
    };
    client_.PassiveMode = true;
    download(TFtpReceiveMode::rcvReplace);
    EXPECT_EQ(Contents(local), "hello, world\n");
    EXPECT_EQ(client_.TransferredBytes, 13);
    EXPECT_TRUE(recorder_.Saw("status 7"));
    EXPECT_TRUE(recorder_.Saw("log 6"));

    client_.PassiveMode = false;
    download(TFtpReceiveMode::rcvAppend);
    EXPECT_EQ(Contents(local), "hello, world\nhello, world\n");

    std::ofstream(local, std::ios::trunc) << "hello";
    client_.ResumeOffset = 1000;
    download(TFtpReceiveMode::rcvRestart);
    EXPECT_EQ(client_.ResumeOffset, 5) << "lowered to the file's size";
    EXPECT_EQ(Contents(local), "hello, world\n");
    EXPECT_TRUE(recorder_.Saw("log 9"));
    EXPECT_FALSE(client_.Retrieve("", local, TFtpReceiveMode::rcvReplace));
}

TEST_F(FtpClient, AHistoryLogWritesALinePerCode) {
    ftp::TFtpLog log(nullptr);
    client_.SetFtpLog(&log);
    EXPECT_EQ(log.FtpClient(), &client_);
    log.SetFtpHistoryName(local_.Path("FTPHIST.HIS"));
    log.WriteHistory(ftp::flLoggedIn);
    EXPECT_FALSE(std::ifstream(log.FtpHistoryName()).good()) << "disabled: no file";
    log.SetEnabled(true);
    client_.TransferredBytes = 1234;
    log.WriteHistory(ftp::flTransferComplete);
    log.WriteHistory(ftp::flLoggedOut);
    std::istringstream lines(Contents(log.FtpHistoryName()));
    std::string first, second;
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_NE(first.find(" : Transfer complete. 1234 bytes Transferred\r"), std::string::npos) << first;
    EXPECT_NE(second.find(" : user logged out\r"), std::string::npos) << second;
    LogIn();
    ASSERT_TRUE(client_.Retrieve("hello.txt", local_.Path("hello.txt"), TFtpReceiveMode::rcvReplace));
    ASSERT_TRUE(Until("status 8"));
    client_.Logout();
    test::PumpFor(100);
    EXPECT_FALSE(recorder_.Saw("log 2")) << "the log takes the codes instead of OnFtpLog";
    const std::string history = Contents(log.FtpHistoryName());
    std::size_t at = second.size();
    for (const char* line :
         {" : Connected to 127.0.0.1\r\n", " : user logged in\r\n", " : Downloading hello.txt\r\n",
          " : Transfer complete. 13 bytes Transferred\r\n", " : user logged out\r\n"}) {
        at = history.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << " in order in " << history;
    }
}

TEST_F(FtpClient, BinaryFilesArriveByteForByteInBothModes) {
    const std::string bytes = BinaryBytes(3 * 1024 * 1024 + 7);
    std::ofstream(server_.Path("data.bin"), std::ios::binary) << bytes;
    DownloadInBothModes(client_, recorder_, "data.bin", bytes, local_.Path("data.bin"));
}

TEST(FtpClientVsftpd, BinaryFilesArriveByteForByteInBothModes) {
    if (!test::Vsftpd::Available()) GTEST_SKIP() << "vsftpd runs only as root";
    test::Vsftpd server;
    const std::string bytes = BinaryBytes(3 * 1024 * 1024 + 7);
    std::ofstream(server.Path("data.bin"), std::ios::binary) << bytes;
    test::TempFolder local("vsftpd-local");
    test::FtpRecorder recorder;
    TFtpClient client(nullptr);
    recorder.Watch(client);
    test::PointAt(client, server.Port(), "anonymous", "");
    DownloadInBothModes(client, recorder, "data.bin", bytes, local.Path("data.bin"));
    client.Logout();
}
