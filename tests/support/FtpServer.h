// Servers for the FTP client tests: a real one (pyftpdlib, run by python3 for the test's life)
// serving a temporary folder, and a scripted one for replies real servers never send.
#pragma once

#include "support/Loopback.h"
#include "support/TempFolder.h"

#include <csignal>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace test {

class FtpServer {
public:
    static constexpr const char* kUser = "user";
    static constexpr const char* kPassword = "secret";

    FtpServer() : port_(FreePort()) {
        const std::string port = std::to_string(port_);
        const std::string folder = folder_.path().string();
        std::vector<std::string> arguments = {"/usr/bin/python3",
                                              "-m",
                                              "pyftpdlib",
                                              "-i",
                                              "127.0.0.1",
                                              "-p",
                                              port,
                                              "-d",
                                              folder,
                                              "-u",
                                              kUser,
                                              "-P",
                                              kPassword};
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            // The server ends with the test program, even when that crashes, and keeps none of
            // its output streams open.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int null = ::open("/dev/null", O_RDWR);
            for (int stream = 0; stream < 3; ++stream)
                ::dup2(null, stream);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        WaitUntilListening();
    }
    ~FtpServer() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    win::u_short Port() const { return port_; }
    std::string Path(const std::string& name) const { return folder_.Path(name); }

private:
    void WaitUntilListening() const {
        for (int attempt = 0; attempt < 200; ++attempt) {
            const win::SOCKET probe = win::socket(win::AF_INET, win::SOCK_STREAM, 0);
            const win::sockaddr_in address = LoopbackAddress(port_);
            const bool up =
                win::connect(probe, reinterpret_cast<const win::sockaddr*>(&address), sizeof address) == 0;
            win::closesocket(probe);
            if (up) return;
            win::Sleep(25);
        }
    }

    TempFolder folder_{"ftp-server"};
    win::u_short port_;
    pid_t pid_ = 0;
};

// Sends a greeting to the client it accepts and answers each command line by its first word.
class ScriptedFtpServer {
public:
    ScriptedFtpServer() : listener_(RawListener(port_)) { SetNonBlocking(listener_); }
    ~ScriptedFtpServer() {
        if (client_ != win::INVALID_SOCKET) win::closesocket(client_);
        win::closesocket(listener_);
    }
    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    win::u_short Port() const { return port_; }
    std::string greeting = "220 ready\r\n";
    std::map<std::string, std::string> replies;
    std::vector<std::string> received;

    // Accepts, reads and answers what is waiting; call it while pumping.
    void Poll() {
        if (client_ == win::INVALID_SOCKET) {
            client_ = win::accept(listener_, nullptr, nullptr);
            if (client_ == win::INVALID_SOCKET) return;
            SetNonBlocking(client_);
            SendRaw(client_, greeting);
        }
        char buffer[512];
        for (int n; (n = win::recv(client_, buffer, sizeof buffer, 0)) > 0;)
            pending_.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = pending_.find("\r\n")) != std::string::npos;) {
            const std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 2);
            received.push_back(line);
            const auto reply = replies.find(line.substr(0, line.find(' ')));
            if (reply != replies.end()) SendRaw(client_, reply->second);
        }
    }

private:
    win::u_short port_ = 0;
    win::SOCKET listener_;
    win::SOCKET client_ = win::INVALID_SOCKET;
    std::string pending_;
};

} // namespace test
