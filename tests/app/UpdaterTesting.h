// The updater's window started for a test: in English, logging in to a local FTP server through
// the environment, with drive C in a folder of the test's own; all of it put back afterwards.
#pragma once

#include "app/uGetUpdateFile.h"

#include "support/FtpServer.h"

#include "gui/Application.h"
#include "platform/Process.h"
#include "port/PortErrors.h"
#include "port/SocketDispatcher.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>

namespace test {

class UpdaterTest : public ::testing::Test {
protected:
    void SetUp() override {
        port::OpenMessageTables();
        port::DeviceSocket();
        previousFolder_ = std::filesystem::current_path();
        arguments_ = win::CommandLineArguments();
        std::filesystem::create_directories(DriveC());
        ::setenv("NVL_DRIVE_C", DriveC().c_str(), 1);
        ::setenv("NVL_FTP_HOST", "127.0.0.1", 1);
        ::setenv("NVL_FTP_USER", FtpServer::kUser, 1);
        ::setenv("NVL_FTP_PASSWORD", FtpServer::kPassword, 1);
        win::SetCommandLineArguments({arguments_.front(), "NVL", "E"});
    }
    void TearDown() override {
        window_.reset();
        std::filesystem::current_path(previousFolder_);
        win::SetCommandLineArguments(arguments_);
        for (const char* variable : {"NVL_DRIVE_C", "NVL_FTP_HOST", "NVL_FTP_PORT", "NVL_FTP_USER",
                                     "NVL_FTP_PASSWORD", "NVL_FTP_TIMEOUT"})
            ::unsetenv(variable);
    }

    // Starts the program with the server's port; quick timers tick every 100 ms.
    void Start(win::u_short port, bool quickTimers = false) {
        ::setenv("NVL_FTP_PORT", std::to_string(port).c_str(), 1);
        window_.reset(new app::TGetUpdateFile(nullptr));
        if (!quickTimers) return;
        for (gui::TTimer* timer : {window_->Timer1, window_->Timer2, window_->Timer3})
            timer->SetInterval(100);
    }
    // Drive C lies one folder down in the test's folder, so that what climbs out of it is seen.
    std::filesystem::path DriveC() const { return folder_.path() / "C"; }
    std::filesystem::path Local(const std::string& name) const {
        return std::filesystem::path(app::LocalFolder) / name;
    }

    struct FreeForm {
        void operator()(app::TGetUpdateFile* form) const { gui::FreeComponent(form); }
    };

    TempFolder folder_{"updater"};
    std::filesystem::path previousFolder_;
    std::vector<std::string> arguments_;
    std::unique_ptr<app::TGetUpdateFile, FreeForm> window_;
};

} // namespace test
