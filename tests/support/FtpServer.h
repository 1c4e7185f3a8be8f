// Real FTP servers for the tests, each run for the test's life on a free loopback port and
// serving a temporary folder: pyftpdlib with an account, and vsftpd for anonymous users.
#pragma once

#include "support/Loopback.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>
#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace test {

// Waits until something accepts connections on `port`.
inline void WaitForListener(win::u_short port) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        const win::SOCKET probe = win::socket(win::AF_INET, win::SOCK_STREAM, 0);
        const win::sockaddr_in address = LoopbackAddress(port);
        const bool up =
            win::connect(probe, reinterpret_cast<const win::sockaddr*>(&address), sizeof address) == 0;
        win::closesocket(probe);
        if (up) return;
        win::Sleep(25);
    }
}

#ifdef _WIN32
// A server program on the Linux side, started by the broker that runs this program under Wine
// (tests/support/server_broker.py), and stopped when the object goes and closes its connection.
class ServerProcess {
public:
    ServerProcess() = default;
    ~ServerProcess() {
        if (broker_ != win::INVALID_SOCKET) win::closesocket(broker_);
    }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    void Start(const std::vector<std::string>& arguments, win::u_short port) {
        const char* brokerPort = std::getenv("NVL_SERVER_BROKER");
        if (brokerPort == nullptr)
            throw std::runtime_error("no server broker: run under tests/support/server_broker.py");
        StartWinsock();
        broker_ = win::socket(win::AF_INET, win::SOCK_STREAM, 0);
        const win::sockaddr_in address = LoopbackAddress(static_cast<win::u_short>(std::atoi(brokerPort)));
        if (win::connect(broker_, reinterpret_cast<const win::sockaddr*>(&address), sizeof address) != 0)
            throw std::runtime_error("the server broker does not answer");
        std::string request;
        for (const std::string& argument : arguments)
            request += argument + "\n";
        request += "\n";
        win::send(broker_, request.data(), static_cast<int>(request.size()), 0);
        char reply[256] = {};
        if (win::recv(broker_, reply, sizeof reply - 1, 0) <= 0 ||
            std::string(reply).rfind("started", 0) != 0)
            throw std::runtime_error(std::string("the server broker could not start the server: ") + reply);
        WaitForListener(port);
    }

private:
    win::SOCKET broker_ = win::INVALID_SOCKET;
};
#else
// A server program started with its arguments and stopped when the object goes.
class ServerProcess {
public:
    ServerProcess() = default;
    ~ServerProcess() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Starts the program and waits until it accepts connections on `port`.
    void Start(std::vector<std::string> arguments, win::u_short port) {
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
        WaitForListener(port);
    }

private:
    pid_t pid_ = 0;
};
#endif

class FtpServer {
public:
    static constexpr const char* kUser = "user";
    static constexpr const char* kPassword = "secret";

    FtpServer() : port_(FreePort()) {
        process_.Start({"/usr/bin/python3", "-m", "pyftpdlib", "-i", "127.0.0.1", "-p", std::to_string(port_),
                        "-d", folder_.path().string(), "-u", kUser, "-P", kPassword},
                       port_);
    }

    win::u_short Port() const { return port_; }
    std::string Path(const std::string& name) const { return folder_.Path(name); }

private:
    TempFolder folder_{"ftp-server"};
    win::u_short port_;
    ServerProcess process_;
};

// vsftpd for the anonymous user, who logs in without a password. It runs only as root.
class Vsftpd {
public:
    static constexpr const char* kProgram = "/usr/sbin/vsftpd";
    static bool Available();

    Vsftpd() : port_(FreePort()) {
        std::filesystem::create_directories(Root());
        std::filesystem::create_directories(state_.path() / "empty");
        const std::string config = state_.Path("vsftpd.conf");
        std::ofstream(config) << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << port_
                              << "\nbackground=NO\nanonymous_enable=YES\nno_anon_password=YES\n"
                                 "local_enable=NO\nwrite_enable=NO\nanon_root="
                              << Root() << "\nsecure_chroot_dir=" << state_.Path("empty")
                              << "\nseccomp_sandbox=NO\nconnect_from_port_20=NO\n"
                                 "allow_writeable_chroot=YES\nxferlog_enable=NO\n";
        process_.Start({kProgram, config}, port_);
    }

    win::u_short Port() const { return port_; }
    std::string Root() const { return state_.Path("root"); }
    std::string Path(const std::string& name) const { return Root() + "/" + name; }

private:
    TempFolder state_{"vsftpd"};
    win::u_short port_;
    ServerProcess process_;
};

inline bool Vsftpd::Available() {
#ifdef _WIN32
    return false; // its configuration names Linux paths, which a Windows program does not know
#else
    return ::geteuid() == 0 && ::access(kProgram, X_OK) == 0;
#endif
}

} // namespace test
