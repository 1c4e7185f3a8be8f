// Data packets: cutting a port's incoming data into packets that begin with a start string (or
// with any data) and end with an end string, after a number of bytes, or whichever comes first.
// All packets of a port share one manager that takes the port's bytes into a buffer of its own.
#pragma once

#include "port/ComPort.h"
#include "port/LibBase.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ftp {

enum class TPacketStartCond : std::uint8_t { scString = 0, scAnyData = 1 };

// A set of end conditions in one byte; 0 is no end condition.
using TPacketEndSet = std::uint8_t;
inline constexpr TPacketEndSet ecString = 0x01;
inline constexpr TPacketEndSet ecPacketSize = 0x02;

using TPacketNotifyEvent = gui::TMethod<void(gui::TObject* sender, const char* data, std::int32_t size)>;
using TStringPacketNotifyEvent = gui::TMethod<void(gui::TObject* sender, const std::string& data)>;

class TDataPacketManager;

class TDataPacket : public port::TBaseComponent {
    GUI_CLASS_INFO
public:
    explicit TDataPacket(gui::TComponent* owner);
    ~TDataPacket() override;

    // Enabling arms the packet; an arming that raises leaves it disabled.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool AutoEnable() const { return autoEnable_; }
    void SetAutoEnable(bool autoEnable) { autoEnable_ = autoEnable; }
    TPacketStartCond StartCond() const { return startCond_; }
    void SetStartCond(TPacketStartCond condition) { startCond_ = condition; }
    // Changing the end re-arms an enabled packet with the new value.
    std::int64_t EndCond() const { return endCond_; }
    void SetEndCond(std::int64_t condition);
    // "?" matches any byte, "\" makes the next character literal.
    std::string StartString() const { return startString_; }
    void SetStartString(const std::string& text) { startString_ = text; }
    std::string EndString() const { return endString_; }
    void SetEndString(const std::string& text);
    bool IgnoreCase() const { return ignoreCase_; }
    void SetIgnoreCase(bool ignoreCase) { ignoreCase_ = ignoreCase; }
    port::TCustomComPort* ComPort() const { return comPort_; }
    void SetComPort(port::TCustomComPort* port);
    std::int64_t PacketSize() const { return packetSize_; }
    void SetPacketSize(std::int64_t size) { packetSize_ = static_cast<std::int32_t>(size); }
    bool IncludeStrings() const { return includeStrings_; }
    void SetIncludeStrings(bool include) { includeStrings_ = include; }
    // Ticks of 55 ms from the beginning of collecting to the end of the packet; 0 is no limit.
    std::int64_t TimeOut() const { return timeOut_; }
    void SetTimeOut(std::int64_t ticks) { timeOut_ = static_cast<std::int32_t>(ticks); }

    TPacketNotifyEvent OnPacket;
    TStringPacketNotifyEvent OnStringPacket;
    gui::TNotifyEvent OnTimeout;

    void Loaded() override;

protected:
    void Notification(gui::TComponent* component, gui::TOperation operation) override;

private:
    friend class TDataPacketManager;
    enum class TMode { pmIdle, pmWaitStart, pmCollecting };
    enum class TEnd { BySize, ByString };
    struct TPattern {
        std::string Match;
        std::string Mask; // '1' for a wildcard position
    };

    void Arm();
    void ArmChecked();
    // Arming when the port opens or a delivery ends: a failure disables the packet and goes to
    // the application's exception handler, so the port and the other packets go on.
    void ArmOrDisable();
    void Disarm();
    void SetMode(TMode mode);
    void ReleaseLock();
    void Check(std::int32_t from);
    bool Compares(std::uint8_t byte, const TPattern& pattern, std::size_t position) const;
    bool EndsWithEndString(std::int32_t position) const;
    void Deliver(TEnd end);
    void TimedOut();
    void Log(std::uint8_t subType, const std::string& bytes = {});
    TPattern MakePattern(const std::string& text) const;
    void Attach(port::TCustomComPort* port, bool portGoing);

    bool enabled_ = false;
    bool autoEnable_ = true;
    TPacketStartCond startCond_ = TPacketStartCond::scString;
    TPacketEndSet endCond_ = 0;
    std::string startString_;
    std::string endString_;
    bool ignoreCase_ = true;
    port::TCustomComPort* comPort_ = nullptr;
    std::int32_t packetSize_ = 0;
    bool includeStrings_ = true;
    std::int32_t timeOut_ = 2184;

    TDataPacketManager* manager_ = nullptr;
    TMode mode_ = TMode::pmIdle;
    TPattern start_;
    TPattern end_;
    std::int32_t startPos_ = -1;
    std::size_t startMatchIdx_ = 1;
    std::int32_t packetLength_ = 0;
    bool enablePending_ = false;
    bool startPending_ = false;
    bool holdsLock_ = false;
    std::string logTag_;
};

// The packets of one port and the bytes they have not consumed.
class TDataPacketManager {
public:
    explicit TDataPacketManager(port::TCustomComPort& port);
    ~TDataPacketManager();
    TDataPacketManager(const TDataPacketManager&) = delete;
    TDataPacketManager& operator=(const TDataPacketManager&) = delete;

    port::TCustomComPort& Port() const { return port_; }
    bool Active() const { return active_; }
    std::int32_t BufferCount() const { return static_cast<std::int32_t>(buffer_.size()); }

private:
    friend class TDataPacket;

    void Add(TDataPacket& packet);
    void Remove(TDataPacket& packet);
    void Activate();
    void Deactivate();
    void PortChanged(gui::TObject* sender, bool opening);
    void TriggerHandler(std::uint32_t msg, std::uint32_t wParam, std::int32_t lParam);
    void Scan(std::int32_t from);
    void ScanOnce(std::int32_t from);
    void BeginEvent();
    void EndEvent();
    void Consume(std::int32_t count);
    port::TBaseDispatcher* Dispatcher() const;

    port::TCustomComPort& port_;
    std::vector<TDataPacket*> packets_;
    std::vector<std::uint8_t> buffer_;
    TDataPacket* lockedPacket_ = nullptr;
    std::int32_t timerHandle_ = 0;
    bool active_ = false;
    bool inEvent_ = false;
    bool deferredScan_ = false;
    std::int32_t deferredFrom_ = 0;
    bool activateAfterLoad_ = false;
    bool portGone_ = false;
    bool scanning_ = false;
    // Calls of the manager under way; a manager whose last packet leaves meanwhile is freed
    // when the outermost one ends.
    int inUse_ = 0;
    bool freePending_ = false;
    friend class TInUse;
};

// Every port's manager, from program start to program end.
class TDataPacketManagerList {
public:
    TDataPacketManager* ManagerOf(const port::TCustomComPort& port) const;
    TDataPacketManager& Obtain(port::TCustomComPort& port);
    void Free(TDataPacketManager& manager);

private:
    std::vector<std::unique_ptr<TDataPacketManager>> managers_;
};

TDataPacketManagerList& PacketManagers();

} // namespace ftp
