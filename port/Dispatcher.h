// The dispatcher core: the device-independent engine behind an open port. It moves received bytes
// into a fixed ring, runs them through data triggers, keeps timer and status triggers and an
// availability threshold, delivers every trigger that fires to the registered handlers, sends
// blocks through the device, and keeps the trace and dispatch log.
#pragma once

#include "gui/Component.h"
#include "platform/Kernel.h"
#include "port/DispatchLog.h"
#include "port/LibBase.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace port {

inline constexpr win::UINT MsgTriggerAvail = 0x7E01;
inline constexpr win::UINT MsgTriggerData = 0x7E02;
inline constexpr win::UINT MsgTriggerTimer = 0x7E03;
inline constexpr win::UINT MsgTriggerStatus = 0x7E04;
inline constexpr win::UINT MsgPortOpened = 0x7E08;
inline constexpr win::UINT MsgPortClosing = 0x7E09;
inline constexpr win::UINT MsgClosePending = 0x7E0A;

inline constexpr std::uint32_t RxRingSize = 8192;
inline constexpr int MaxPatternLength = 22;
// DeleteTrigger of this value switches the availability threshold off.
inline constexpr std::int32_t AvailTriggerHandle = 1;

using TEventHandlerProc = gui::TMethod<void(std::uint32_t msg, std::uint32_t wParam, std::int32_t lParam)>;

struct TTimerTrigger {
    std::int32_t Handle = 0;
    EventTimer Timer;
    std::int32_t Ticks = 0;
    bool Active = false;
};

struct TDataTrigger {
    std::int32_t Handle = 0;
    std::int32_t Length = 0; // 0: inactive
    std::array<std::int32_t, MaxPatternLength> MatchCounters{};
    bool Matched = false;
    bool IgnoreCase = false;
    std::array<char, MaxPatternLength> Pattern{};
};

enum TStatusKind : std::int32_t {
    skNone = 0,
    skModemStatus = 1,
    skLineStatus = 2,
    skOutputFree = 3,
    skOutputUsed = 4,
    skOutputSent = 5,
};

struct TStatusTrigger {
    std::int32_t Handle = 0;
    std::int32_t Kind = skNone;
    std::uint16_t Value = 0;
    std::uint8_t Armed = 0;
    std::uint8_t Hit = 0;
};

// Copies of every trigger, carried by a port across a close and the next open.
struct TTriggerSnapshot {
    std::int32_t AvailThreshold = 0;
    std::optional<std::vector<TTimerTrigger>> TimerTriggers;
    std::optional<std::vector<TDataTrigger>> DataTriggers;
    std::optional<std::vector<TStatusTrigger>> StatusTriggers;
};
void DiscardTriggerSnapshot(TTriggerSnapshot& snapshot);

// The dispatch-log entry's byte after a status trigger's deletion: the kind in the handle's low bits.
inline constexpr std::int32_t StatusKindOf(std::int32_t handle) {
    return handle & 7;
}

class TBaseDispatcher {
public:
    explicit TBaseDispatcher(gui::TComponent* owner);
    virtual ~TBaseDispatcher();
    TBaseDispatcher(const TBaseDispatcher&) = delete;
    TBaseDispatcher& operator=(const TBaseDispatcher&) = delete;

    gui::TComponent* Owner() const { return owner_; }
    // The registry index; it travels in the high 16 bits of every trigger message's LParam.
    std::int32_t Handle() const { return handle_; }
    // Negative while no device is open.
    std::int32_t DeviceId() const { return deviceId_; }
    std::uint32_t InputSize() const { return inputSize_; }
    std::uint32_t OutputSize() const { return outputSize_; }
    std::uint32_t DeviceErrors() const { return deviceErrors_; }
    // The modem-status byte; a socket connection keeps its carrier-detect bit (0x80) here.
    std::uint8_t ModemStatus() const { return modemStatus_; }
    void SetModemStatus(std::uint8_t status) { modemStatus_ = status; }
    // A hidden window of class "DispatchWindow" (registered by the device that uses it).
    win::HWND DispatcherWindow() const { return dispatcherWindow_; }
    bool DispatchingStarted() const { return dispatchingStarted_; }

    // Device operations, in their slot order. Integer results are 0 or a count, or a negative
    // error code.
    virtual int DeviceEscape(int function) = 0;
    // Which 0 discards output pending at the device, 1 input waiting there.
    virtual int DeviceFlush(int which) = 0;
    // Fills the bytes waiting for input and pending for output; returns the device's error flags.
    virtual std::uint32_t DeviceGetStatus(std::uint32_t& inputCount, std::uint32_t& outputCount) = 0;
    virtual int DeviceReadFailed(int code) = 0;
    virtual int DeviceGetLine(int& baudRate, int& parity, int& dataBits, int& stopBits) = 0;
    // At most `count` waiting bytes; 0 when none wait.
    virtual int DeviceRead(std::uint8_t* destination, std::uint32_t count) = 0;
    virtual int DeviceSetLine(int baudRate, int parity, int dataBits, int stopBits) = 0;
    // How many of the bytes were taken; 0 or less is a failure.
    virtual int DeviceWrite(const std::uint8_t* source, std::uint32_t count) = 0;
    virtual bool DeviceWaitEvent(std::uint32_t& mask) = 0;
    virtual bool DeviceSetup(std::uint32_t inputSize, std::uint32_t outputSize) = 0;
    // Stops dispatching when it runs and frees the receive ring.
    virtual void ReleaseBuffers();
    // Whatever runs the dispatch passes; starting twice raises "Dispatcher already started".
    virtual void StartDispatching() = 0;
    virtual void StopDispatching() = 0;
    // The device's id (0 or more) or a negative code; -8 when a resource was not available.
    virtual int DeviceOpen(const std::string& name, std::uint32_t inputSize, std::uint32_t outputSize) = 0;
    virtual int DeviceClose() = 0;
    virtual int DevicePoll() = 0;
    // How 0 recomputes from the lists, 1 notes that the port's events are assigned, 2 that not.
    virtual void RecomputeHandlerFlags(int how);

    // Opens a stream device: 0 or the negative code of the failure, after ShutDown.
    int OpenWithSizes(std::uint32_t inputSize, std::uint32_t outputSize);
    // Flushes and closes the device; buffers go now, or at the end of a notification in progress.
    void ShutDown();

    // One dispatch pass: reads what waits, then, unless only polling or a notification is being
    // delivered, checks the triggers until nothing fires.
    void DispatchPass(bool pollOnly = false);
    void RefreshStatus();
    bool ExtractReceived();
    bool RunTriggerChecks();

    // Inside an availability or data notification: what the current handler can still read.
    std::uint32_t ReceivedCount();
    // Count bytes, or -3007 (nothing copied) when fewer can be read.
    int ReadBuffered(void* destination, std::uint32_t count);
    int FlushReceived();
    // 0, -3006 when the block exceeds the free output room, -3004 when the device takes nothing.
    int SendBlock(const void* source, std::uint32_t count);
    std::uint32_t OutputUsed();
    std::uint32_t OutputFree();

    std::int32_t NewTimerTrigger();
    int ArmTimerTrigger(std::int32_t handle, std::int32_t ticks, bool activate);
    // A data trigger for a pattern of 1 to 22 bytes; -1002 for any other length.
    std::int32_t NewDataTrigger(const std::string& pattern, bool ignoreCase);
    // A status trigger of kind 1 to 5, disarmed; its handle's low bits are the kind. -1002 for
    // another kind.
    std::int32_t NewStatusTrigger(std::int32_t kind);
    int ArmStatusTrigger(std::int32_t handle, std::uint16_t value, bool activate);
    int DeleteTrigger(std::int32_t handle);
    void SetAvailThreshold(std::int32_t count);
    std::int32_t AvailThreshold() const { return availThreshold_; }

    void AddWindowHandler(win::HWND window);
    void RemoveWindowHandler(win::HWND window);
    void AddEventHandler(const TEventHandlerProc& handler);
    void RemoveEventHandler(const TEventHandlerProc& handler);
    bool HandlersPresent() const { return handlersPresent_; }

    void SnapshotTriggers(TTriggerSnapshot& snapshot);
    void ReinstateTriggers(const TTriggerSnapshot& snapshot);

    // The trace and dispatch log, under the state lock.
    int BeginTrace(std::uint32_t capacity);
    void TraceByte(char kind, std::uint8_t byte);
    int ResetTrace();
    void SuspendTrace();
    void ResumeTrace();
    void DiscardTrace();
    int SaveTrace(const std::string& fileName, bool append, bool inHex, bool allHex);
    void BeginLog(std::uint32_t capacity);
    void LogEntry(std::uint8_t type, std::uint8_t subType, std::uint32_t value, const void* extra = nullptr,
                  std::uint32_t extraLength = 0);
    void ResetLog();
    void SuspendLog();
    void ResumeLog();
    void DiscardLog();
    int SaveLog(const std::string& fileName, bool append, bool inHex, bool allHex);
    bool TracingOn();
    bool LoggingOn();

    // A notification is being delivered; a close requested now completes at the end of the pass.
    bool InNotify() const { return inNotify_; }
    bool ClosePending() const { return closePending_; }

protected:
    void SetDispatchingStarted(bool started);
    void SetInNotify(bool inNotify);
    void MakeDispatcherWindow();
    void DestroyDispatcherWindow();
    // The end of a dispatcher, for the destructors of device classes (the core's destructor can no
    // longer reach the device): release what a close left pending, or shut down.
    void ShutDownForDestruction();

private:
    struct TWindowHandler {
        win::HWND Window;
        bool Removed;
    };
    struct TEventHandler {
        TEventHandlerProc Method;
        bool Removed;
    };

    bool CheckTimerTriggers();
    bool CheckStatusTriggers();
    bool CheckDataTriggers();
    bool NotifyHandlers(win::UINT message, std::uint32_t wParam, std::uint32_t data);
    template <typename Handler, typename Matches>
    void RemoveHandler(std::vector<Handler>& handlers, Matches matches, std::uint8_t subType,
                       std::uint32_t value);
    void SettleSharedRead();
    void EndNotify();
    std::uint32_t HeldCount() const;
    static std::uint32_t Wrapped(std::uint32_t position) {
        return position >= RxRingSize ? position - RxRingSize : position;
    }
    std::uint32_t UnreadBefore(std::uint32_t position, std::int32_t patternLength) const;
    std::int32_t NewHandle();
    bool HandleInUse(std::int32_t handle) const;
    void ReadIntoRing(std::uint32_t count);

    gui::TComponent* owner_;
    std::int32_t handle_ = -1;
    std::int32_t deviceId_ = -1;
    std::uint32_t inputSize_ = 0;
    std::uint32_t outputSize_ = 0;
    std::uint32_t deviceErrors_ = 0;
    std::uint8_t modemStatus_ = 0;
    win::HWND dispatcherWindow_ = nullptr;
    std::uint32_t inputCount_ = 0;
    std::uint32_t outputCount_ = 0;

    std::vector<std::uint8_t> rxRing_;
    std::uint32_t rxHead_ = 0;
    std::uint32_t rxTail_ = 0;
    bool rxFull_ = false;
    std::uint32_t scanPos_ = 0;
    // Bytes from ScanPos to RxHead still to run through the data triggers: all of the ring when
    // one read filled it, which the two positions alone cannot tell from none.
    std::uint32_t unscanned_ = 0;
    // No byte has been scanned since the last availability message; it stands for
    // AvailNotifiedPos being ScanPos, without the same ambiguity.
    bool availNotified_ = false;
    std::int32_t availThreshold_ = 0;

    bool inNotify_ = false;
    bool removalPending_ = false;
    bool closePending_ = false;
    bool sharedRead_ = false;
    std::uint32_t handlerReadCount_ = 0;
    std::uint32_t maxHandlerRead_ = 0;
    bool statusHitInPass_ = false;

    std::vector<TWindowHandler> windowHandlers_;
    std::vector<TEventHandler> eventHandlers_;
    bool handlersPresent_ = false;
    bool portEventsAssigned_ = false;

    std::vector<TTimerTrigger> timerTriggers_;
    std::vector<TDataTrigger> dataTriggers_;
    std::vector<TStatusTrigger> statusTriggers_;
    std::int32_t nextHandleCounter_ = 1;

    bool outputSent_ = false;
    std::uint32_t timeBase_ = 0;
    bool dispatchingStarted_ = false;

    TTrace trace_;
    TDispatchLog log_;

    win::TCriticalSection stateLock_;
    win::TCriticalSection outputLock_;
    win::TCriticalSection rxLock_;
};

// The registry of live dispatchers: the dispatcher at a registry index, and the dispatcher of
// a device that is a T or derived from it.
TBaseDispatcher* DispatcherAt(std::int32_t handle);
TBaseDispatcher* FindDispatcher(std::int32_t deviceId, bool (*isClass)(const TBaseDispatcher&));
// The first dispatcher in registry order that matches.
TBaseDispatcher* FirstDispatcher(const std::function<bool(const TBaseDispatcher&)>& matches);
template <typename T> T* DispatcherFromHandle(std::int32_t deviceId) {
    return static_cast<T*>(FindDispatcher(
        deviceId, [](const TBaseDispatcher& d) { return dynamic_cast<const T*>(&d) != nullptr; }));
}
// Held by the port window while it handles a trigger message.
win::TCriticalSection& RegistryLock();

} // namespace port
