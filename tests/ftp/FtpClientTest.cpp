#include "ftp/FtpClient.h"

#include "support/FtpServer.h"

#include "ftp/FtpLog.h"
#include "port/PortErrors.h"
#include "port/SocketDispatcher.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

using ftp::TControlState;
using ftp::TFtpClient;
using ftp::TFtpReceiveMode;

namespace {

// Every event of a client, as text: "status 3", "error 530 <text>", "reply 220", "log 2".
class Recorder : public gui::TObject {
public:
    void Status(gui::TObject*, ftp::TFtpStatusCode code, const char* text) {
        events.push_back("status " + std::to_string(code));
        if (text != nullptr) texts[code] = text;
    }
    void Error(gui::TObject*, std::int32_t code, const char* text) {
        events.push_back("error " + std::to_string(code));
        errorText = text == nullptr ? "(none)" : text;
    }
    void Reply(gui::TObject*, std::int32_t code, const char*) { replies.push_back(code); }
    void Log(gui::TObject*, ftp::TFtpLogCode code) { events.push_back("log " + std::to_string(code)); }

    void Watch(TFtpClient& client) {
        client.OnFtpStatus = ftp::TFtpStatusEvent(this, &Recorder::Status);
        client.OnFtpError = ftp::TFtpErrorEvent(this, &Recorder::Error);
        client.OnFtpReply = ftp::TFtpReplyEvent(this, &Recorder::Reply);
        client.OnFtpLog = ftp::TFtpLogEvent(this, &Recorder::Log);
    }
    bool Saw(const std::string& event) const {
        return std::find(events.begin(), events.end(), event) != events.end();
    }
    bool SawError() const {
        return std::any_of(events.begin(), events.end(),
                           [](const std::string& e) { return e.starts_with("error"); });
    }
    int Count(const std::string& event) const {
        return static_cast<int>(std::count(events.begin(), events.end(), event));
    }

    std::vector<std::string> events;
    std::map<int, std::string> texts;
    std::string errorText;
    std::vector<std::int32_t> replies;
};

std::string Contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

const std::string kStatus = "status ";

class FtpClient : public ::testing::Test {
protected:
    void SetUp() override {
        port::OpenMessageTables();
        port::DeviceSocket();
        recorder_.Watch(client_);
        client_.SetServerAddress("127.0.0.1");
        client_.SetWsPort(std::to_string(server_.Port()));
        client_.UserName = test::FtpServer::kUser;
        client_.Password = test::FtpServer::kPassword;
        std::ofstream(server_.Path("hello.txt")) << "hello, world\n";
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
    Recorder recorder_;
    TFtpClient client_{nullptr};
    test::TempFolder local_{"ftp-local"};
};

} // namespace

TEST_F(FtpClient, LogsInAndOut) {
    EXPECT_FALSE(client_.Connected());
    LogIn();
    EXPECT_EQ(recorder_.events.front(), "status 1") << "connected first";
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
    client_.Logout();
    test::PumpFor(100);
    EXPECT_FALSE(recorder_.Saw("log 2")) << "the log takes the codes instead of OnFtpLog";
    EXPECT_NE(Contents(log.FtpHistoryName()).rfind("user logged out"), std::string::npos);
}

TEST(FtpClientScripted, MultiLineGreetingsAndClosingReplies) {
    port::OpenMessageTables();
    test::ScriptedFtpServer server;
    server.greeting = "220-Welcome\r\n220-second line\r\n   indented\r\n220 ready\r\n";
    server.replies["USER"] = "230 no password needed\r\n";
    server.replies["PWD"] = "257 no quotes here\r\n";
    server.replies["CWD"] = "421 closing\r\n";
    TFtpClient client(nullptr);
    Recorder recorder;
    recorder.Watch(client);
    client.SetServerAddress("127.0.0.1");
    client.SetWsPort(std::to_string(server.Port()));
    ASSERT_TRUE(client.Login());
    ASSERT_TRUE(test::PumpUntil([&] {
        server.Poll();
        return recorder.Saw("status 3");
    }));
    EXPECT_EQ(recorder.texts[ftp::fsConnected], "Welcome\r\n220-second line\r\n   indented\r\n");
    EXPECT_EQ(recorder.replies, (std::vector<std::int32_t>{220, 220, 0, 220, 230}));
    EXPECT_EQ(server.received, (std::vector<std::string>{"USER "})) << "no PASS after 230";

    ASSERT_TRUE(client.CurrentDir());
    ASSERT_TRUE(test::PumpUntil([&] {
        server.Poll();
        return recorder.Saw("status 5");
    }));
    EXPECT_EQ(recorder.texts[ftp::fsCurrentDir], "");
    ASSERT_TRUE(client.ChangeDir("x"));
    ASSERT_TRUE(test::PumpUntil([&] {
        server.Poll();
        return recorder.Saw("status 2");
    }));
    test::PumpFor(50);
    EXPECT_EQ(recorder.Count("status 2"), 1) << "421 after the login: logged out, once";
    EXPECT_FALSE(client.Connected());
}
