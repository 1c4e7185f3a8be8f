// What the FTP client tests share: a recorder of the client's events, a client pointed at a
// local server, and a file's contents.
#pragma once

#include "ftp/FtpClient.h"
#include "port/PortErrors.h"
#include "port/SocketDispatcher.h"
#include "support/Loopback.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace test {

// Every event of a client as text: "status 3", "error 530", "log 2"; reply codes and the texts of
// statuses and errors beside.
class FtpRecorder : public gui::TObject {
public:
    void Status(gui::TObject*, ftp::TFtpStatusCode code, const char* text) {
        events.push_back("status " + std::to_string(code));
        if (text != nullptr) texts[code] = text;
    }
    void Error(gui::TObject*, std::int32_t code, const char* text) {
        events.push_back("error " + std::to_string(code));
        errorText = text == nullptr ? "(none)" : text;
    }
    void Reply(gui::TObject*, std::int32_t code, const char* text) {
        replies.push_back(code);
        longestReply = std::max(longestReply, std::string(text).size());
    }
    void Log(gui::TObject*, ftp::TFtpLogCode code) { events.push_back("log " + std::to_string(code)); }

    void Watch(ftp::TFtpClient& client) {
        client.OnFtpStatus = ftp::TFtpStatusEvent(this, &FtpRecorder::Status);
        client.OnFtpError = ftp::TFtpErrorEvent(this, &FtpRecorder::Error);
        client.OnFtpReply = ftp::TFtpReplyEvent(this, &FtpRecorder::Reply);
        client.OnFtpLog = ftp::TFtpLogEvent(this, &FtpRecorder::Log);
    }
    bool Saw(const std::string& event) const {
        return std::find(events.begin(), events.end(), event) != events.end();
    }
    bool SawError() const { return !Errors().empty(); }
    std::vector<std::string> Errors() const {
        std::vector<std::string> errors;
        std::copy_if(events.begin(), events.end(), std::back_inserter(errors),
                     [](const std::string& e) { return e.starts_with("error"); });
        return errors;
    }
    // Statuses and errors in order, without progress and log entries.
    std::vector<std::string> Outcomes() const {
        std::vector<std::string> outcomes;
        std::copy_if(events.begin(), events.end(), std::back_inserter(outcomes), [](const std::string& e) {
            return e != "status " + std::to_string(ftp::fsProgress) && !e.starts_with("log");
        });
        return outcomes;
    }
    int Count(const std::string& event) const {
        return static_cast<int>(std::count(events.begin(), events.end(), event));
    }
    bool Until(const std::string& event, int timeoutMs = 5000) const {
        return PumpUntil([&] { return Saw(event); }, timeoutMs);
    }
    void Clear() {
        events.clear();
        texts.clear();
        replies.clear();
        errorText.clear();
    }

    std::vector<std::string> events;
    std::map<int, std::string> texts;
    std::string errorText;
    std::vector<std::int32_t> replies;
    std::size_t longestReply = 0;
};

// Points the client at a server on loopback, with the socket library and message tables ready.
inline void PointAt(ftp::TFtpClient& client, win::u_short port, const std::string& user = "user",
                    const std::string& password = "secret") {
    port::OpenMessageTables();
    port::DeviceSocket();
    client.SetServerAddress("127.0.0.1");
    client.SetWsPort(std::to_string(port));
    client.UserName = user;
    client.Password = password;
}

} // namespace test
