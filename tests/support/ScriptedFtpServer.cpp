#include "support/ScriptedFtpServer.h"

#include "support/Loopback.h"

#include <chrono>
#include <cstdio>

namespace test {
namespace {

constexpr int kSliceMs = 20;
constexpr int kDataWaitMs = 5000;

// Waits in short slices, so that a stopping server does not hang; false when `ms` passed first.
bool WaitReady(win::SOCKET socket, bool forWriting, int ms, const std::atomic<bool>& stop) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!stop) {
        win::fd_set set{};
        set.fd_count = 1;
        set.fd_array[0] = socket;
        const win::timeval slice{0, kSliceMs * 1000};
        const int ready = forWriting ? win::select(0, nullptr, &set, nullptr, &slice)
                                     : win::select(0, &set, nullptr, nullptr, &slice);
        if (ready != 0) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
    }
    return false;
}

void Dispose(win::SOCKET& socket, bool reset = false) {
    if (socket == win::INVALID_SOCKET) return;
    if (reset) {
        const win::linger abortive{1, 0};
        win::setsockopt(socket, win::SOL_SOCKET, win::SO_LINGER, reinterpret_cast<const char*>(&abortive),
                        sizeof abortive);
    }
    win::closesocket(socket);
    socket = win::INVALID_SOCKET;
}

// Sends everything, waiting while the peer does not read; false once it has gone or stalled.
bool SendAll(win::SOCKET socket, const std::string& bytes, const std::atomic<bool>& stop) {
    SetNonBlocking(socket);
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (!WaitReady(socket, true, kDataWaitMs, stop)) return false;
        const int n = win::send(socket, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n < 0 && win::WSAGetLastError() == win::WSAEWOULDBLOCK) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::string Verb(const std::string& line) {
    return line.substr(0, line.find(' '));
}

std::string Argument(const std::string& line) {
    const std::size_t blank = line.find(' ');
    return blank == std::string::npos ? std::string() : line.substr(blank + 1);
}

void SendFile(FtpSession& session, const std::string& bytes, const std::string& what) {
    if (!session.StartTransfer(what)) {
        session.Reply("425 Cannot open data connection");
        return;
    }
    const bool whole = session.SendData(bytes);
    session.CloseData();
    session.Reply(whole ? "226 Transfer complete" : "426 Connection closed; transfer aborted");
}

} // namespace

FtpSession::~FtpSession() {
    Close();
}

void FtpSession::Reply(const std::string& line) {
    server_.Record("S: " + line);
    SendRaw(line + "\r\n");
}

bool FtpSession::SendRaw(const std::string& bytes) {
    if (Closed()) return false;
    return SendAll(control_, bytes, server_.stop_);
}

std::optional<std::string> FtpSession::NextCommand(int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!Closed()) {
        if (const std::size_t end = pending_.find("\r\n"); end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 2);
            server_.Record("C: " + line);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !WaitReady(control_, false, static_cast<int>(left.count()), server_.stop_))
            return std::nullopt;
        char buffer[4096];
        const int n = win::recv(control_, buffer, sizeof buffer, 0);
        if (n < 0 && win::WSAGetLastError() == win::WSAEWOULDBLOCK) continue;
        if (n <= 0) {
            Close();
            return std::nullopt;
        }
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
    return std::nullopt;
}

void FtpSession::EnterPassive(const std::string& hostNumbers) {
    Dispose(passiveListener_);
    win::u_short port = 0;
    passiveListener_ = RawListener(port);
    active_ = false;
    Reply("227 Entering Passive Mode (" + hostNumbers + "," + std::to_string(port >> 8) + "," +
          std::to_string(port & 0xFF) + ")");
}

bool FtpSession::EnterActive(const std::string& numbers) {
    unsigned h[4], p[2];
    if (std::sscanf(numbers.c_str(), "%u,%u,%u,%u,%u,%u", &h[0], &h[1], &h[2], &h[3], &p[0], &p[1]) != 6)
        return false;
    activeTarget_ = LoopbackAddress(static_cast<win::u_short>(p[0] * 256 + p[1]));
    activeTarget_.sin_addr.s_addr = win::htonl((h[0] << 24) | (h[1] << 16) | (h[2] << 8) | h[3]);
    active_ = true;
    return true;
}

bool FtpSession::OpenData() {
    CloseData();
    if (active_) {
        data_ = win::socket(win::AF_INET, win::SOCK_STREAM, 0);
        if (win::connect(data_, reinterpret_cast<const win::sockaddr*>(&activeTarget_), sizeof activeTarget_) == 0)
            return true;
        Dispose(data_);
        return false;
    }
    if (passiveListener_ == win::INVALID_SOCKET ||
        !WaitReady(passiveListener_, false, kDataWaitMs, server_.stop_))
        return false;
    data_ = win::accept(passiveListener_, nullptr, nullptr);
    return data_ != win::INVALID_SOCKET;
}

bool FtpSession::StartTransfer(const std::string& what) {
    Reply("150 " + what);
    return OpenData();
}

void FtpSession::SendEndlessLine(const std::string& start, std::size_t most, std::atomic<std::size_t>& sent) {
    const std::string chunk(65536, 'x');
    for (bool going = SendRaw(start); going && sent < most; going = SendRaw(chunk))
        sent += chunk.size();
}

bool FtpSession::SendData(const std::string& bytes) {
    return data_ != win::INVALID_SOCKET && SendAll(data_, bytes, server_.stop_);
}

void FtpSession::CloseData(bool reset) {
    Dispose(data_, reset);
}

void FtpSession::Close(bool reset) {
    CloseData(reset);
    Dispose(passiveListener_);
    Dispose(control_, reset);
}

ScriptedFtpServer::ScriptedFtpServer() : listener_(RawListener(port_)) {
    greet = [](FtpSession& session) { session.Reply("220 Scripted server ready"); };
    const auto answer = [](const std::string& reply) {
        return [reply](FtpSession& session, const std::string&) { session.Reply(reply); };
    };
    defaults_["USER"] = answer("331 Password required");
    defaults_["PASS"] = answer("230 Logged in");
    defaults_["PWD"] = answer("257 \"/\" is the current directory");
    defaults_["CWD"] = answer("250 Directory changed");
    defaults_["TYPE"] = answer("200 Type set");
    defaults_["ABOR"] = answer("225 No transfer to abort");
    defaults_["PASV"] = [](FtpSession& session, const std::string&) { session.EnterPassive(); };
    defaults_["PORT"] = [](FtpSession& session, const std::string& numbers) {
        session.Reply(session.EnterActive(numbers) ? "200 PORT command successful" : "501 Bad PORT");
    };
    defaults_["REST"] = [](FtpSession& session, const std::string& argument) {
        session.restartOffset = std::stoul(argument);
        session.Reply("350 Restarting at " + argument);
    };
    defaults_["NLST"] = [this](FtpSession& session, const std::string&) { SendFile(session, Listing(), "Here comes the listing"); };
    defaults_["LIST"] = defaults_["NLST"];
    defaults_["RETR"] = [this](FtpSession& session, const std::string& name) {
        const auto file = files.find(name);
        if (file == files.end()) {
            session.Reply("550 No such file");
            return;
        }
        SendFile(session, file->second.substr(std::min(session.restartOffset, file->second.size())),
                 "Opening data connection");
        session.restartOffset = 0;
    };
    defaults_["QUIT"] = [](FtpSession& session, const std::string&) {
        session.Reply("221 Goodbye");
        session.Close();
    };
    thread_ = std::thread([this] { Run(); });
}

ScriptedFtpServer::~ScriptedFtpServer() {
    stop_ = true;
    thread_.join();
    win::closesocket(listener_);
}

std::vector<std::string> ScriptedFtpServer::Dialogue() const {
    std::lock_guard lock(mutex_);
    return dialogue_;
}

std::string ScriptedFtpServer::Listing() const {
    if (listing) return *listing;
    std::string text;
    for (const auto& [name, bytes] : files)
        text += name + "\r\n";
    return text;
}

void ScriptedFtpServer::Record(const std::string& entry) {
    std::lock_guard lock(mutex_);
    dialogue_.push_back(entry);
}

void ScriptedFtpServer::Run() {
    while (!stop_) {
        if (!WaitReady(listener_, false, kSliceMs, stop_)) continue;
        const win::SOCKET control = win::accept(listener_, nullptr, nullptr);
        if (control == win::INVALID_SOCKET) continue;
        ++sessions_;
        Serve(control);
    }
}

void ScriptedFtpServer::Serve(win::SOCKET control) {
    FtpSession session(*this, control);
    greet(session);
    while (!stop_ && !session.Closed()) {
        const std::optional<std::string> line = session.NextCommand(60000);
        if (!line) continue;
        const std::string verb = Verb(*line);
        const auto own = handlers.find(verb);
        const auto standard = defaults_.find(verb);
        if (own != handlers.end())
            own->second(session, Argument(*line));
        else if (standard != defaults_.end())
            standard->second(session, Argument(*line));
        else
            session.Reply("502 Command not implemented");
    }
}

std::vector<std::string> LoginDialogue(const std::string& user, const std::string& password) {
    return {"S: 220 Scripted server ready", "C: USER " + user, "S: 331 Password required",
            "C: PASS " + password, "S: 230 Logged in"};
}

} // namespace test
