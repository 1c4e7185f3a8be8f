// A scripted FTP server for what real servers never send. It runs on a thread of its own, serves
// one control connection after another, answers each command through the handler of its verb and
// records the dialogue ("C: " for the client's lines, "S: " for the replies), so that a test can
// assert it line for line. The default handlers make an honest server of `files`.
#pragma once

#include "platform/Winsock.h"

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace test {

class ScriptedFtpServer;

// One control connection as the handlers see it; its calls block only the server's thread.
class FtpSession {
public:
    FtpSession(ScriptedFtpServer& server, win::SOCKET control) : server_(server), control_(control) {}
    ~FtpSession();
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;

    // Sends the line with CR LF, and records it.
    void Reply(const std::string& line);
    // Sends bytes as they are, unrecorded; false once the client has gone.
    bool SendRaw(const std::string& bytes);
    // The client's next line, recorded; nothing when none came within `ms` or the client left.
    std::optional<std::string> NextCommand(int ms = 5000);
    // Listens on a port of its own and replies 227 with it, giving `hostNumbers` as the host.
    void EnterPassive(const std::string& hostNumbers = "127,0,0,1");
    // Takes a PORT command's "h1,h2,h3,h4,p1,p2" as the address to connect to.
    bool EnterActive(const std::string& numbers);
    // The data connection of the last PASV or PORT: accepted or made; false when none came about.
    bool OpenData();
    // Replies 150 with `what` and opens the data connection.
    bool StartTransfer(const std::string& what = "Opening data connection");
    // Sends `start` and then bytes without a line end until the client stops taking them or
    // `most` bytes went out; `sent` counts them as they go.
    void SendEndlessLine(const std::string& start, std::size_t most, std::atomic<std::size_t>& sent);
    // False once the client has closed the data connection or stopped reading for seconds.
    bool SendData(const std::string& bytes);
    void CloseData(bool reset = false);
    // Ends the control connection, and the data connection with it.
    void Close(bool reset = false);
    bool Closed() const { return control_ == win::INVALID_SOCKET; }
    // The address a PORT command named.
    const win::sockaddr_in& ActiveTarget() const { return activeTarget_; }
    // What REST asked for, used by the next RETR.
    std::size_t restartOffset = 0;

private:
    ScriptedFtpServer& server_;
    win::SOCKET control_;
    win::SOCKET passiveListener_ = win::INVALID_SOCKET;
    win::SOCKET data_ = win::INVALID_SOCKET;
    win::sockaddr_in activeTarget_{};
    bool active_ = false;
    std::string pending_;
};

class ScriptedFtpServer {
public:
    using THandler = std::function<void(FtpSession& session, const std::string& argument)>;

    ScriptedFtpServer();
    ~ScriptedFtpServer();
    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    win::u_short Port() const { return port_; }

    // Set before the client connects. A verb without a handler here has the default one.
    std::function<void(FtpSession&)> greet;
    std::map<std::string, THandler> handlers;
    std::map<std::string, std::string> files;
    // The name list that NLST and LIST send; without one, the names of `files`, one per line.
    std::optional<std::string> listing;

    std::vector<std::string> Dialogue() const;
    int Sessions() const { return sessions_; }
    // The listing as it goes out.
    std::string Listing() const;

private:
    friend class FtpSession;
    void Run();
    void Serve(win::SOCKET control);
    void Record(const std::string& entry);
    bool Stopping() const { return stop_; }

    win::u_short port_ = 0;
    win::SOCKET listener_;
    std::map<std::string, THandler> defaults_;
    mutable std::mutex mutex_;
    std::vector<std::string> dialogue_;
    std::atomic<int> sessions_ = 0;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

// The lines of an honest login as the default handlers answer it.
std::vector<std::string> LoginDialogue(const std::string& user = "user", const std::string& password = "secret");

} // namespace test
