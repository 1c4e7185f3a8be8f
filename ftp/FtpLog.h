// The FTP history log: one time-stamped line per log code of its client, appended to a file.
#pragma once

#include "ftp/FtpClient.h"
#include "port/LibBase.h"

#include <string>

namespace ftp {

class TFtpLog : public port::TBaseComponent {
    GUI_CLASS_INFO
public:
    explicit TFtpLog(gui::TComponent* owner);
    ~TFtpLog() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    // Relative to the current directory.
    std::string FtpHistoryName() const { return historyName_; }
    void SetFtpHistoryName(const std::string& name) { historyName_ = name; }
    TCustomFtpClient* FtpClient() const { return client_; }
    void SetFtpClient(TCustomFtpClient* client);

    // Appends the code's line when enabled; raises EInOutError when the file cannot be written.
    virtual void WriteHistory(TFtpLogCode code);

protected:
    void Notification(gui::TComponent* component, gui::TOperation operation) override;

private:
    std::string LineText(TFtpLogCode code) const;

    bool enabled_ = false;
    std::string historyName_ = "FTPHIST.HIS";
    TCustomFtpClient* client_ = nullptr;
};

} // namespace ftp
