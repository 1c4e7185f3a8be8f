// The port component: one communications port. Opening makes a dispatcher of the port's device
// class and closing frees it; a hidden window turns the dispatcher's trigger messages into the
// port's events; the trace and dispatch log follow the port's settings; listeners hear of the
// opening and the closing.
#pragma once

#include "port/Dispatcher.h"
#include "port/LibBase.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace port {

enum class TTraceLogState { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };

enum TDeviceKind : std::uint8_t { dkSerial = 2, dkWinsock = 3 };

enum class TPortState : std::uint8_t { psClosed = 0, psClosing = 1, psOpen = 2 };

class TCustomComPort;

using TTriggerEvent = gui::TMethod<void(gui::TObject* sender, std::uint32_t msg, std::uint16_t triggerHandle,
                                        std::uint16_t data)>;
using TTriggerAvailEvent = gui::TMethod<void(gui::TObject* sender, std::uint16_t count)>;
using TTriggerHandleEvent = gui::TMethod<void(gui::TObject* sender, std::uint16_t triggerHandle)>;
using TTriggerLineErrorEvent =
    gui::TMethod<void(gui::TObject* sender, std::uint16_t lineError, bool lineBreak)>;
using TPortListenerProc = gui::TMethod<void(gui::TObject* sender, bool opening)>;

inline constexpr std::uint32_t MaxLogSize = 16000000;

// The serial line's settings: kept as values, since no serial device is built.
struct TSerialSettings {
    std::int32_t Baud = 19200;
    std::uint8_t Parity = 0; // none
    std::uint8_t DataBits = 8;
    std::uint8_t StopBits = 1;
    bool Dtr = true;
    bool Rts = true;
    bool HardwareFlow = false;
    bool SoftwareFlow = false;
    char XOnChar = 17;
    char XOffChar = 19;
    bool Rs485Mode = false;
    std::int32_t ThreadBoost = 0;
    bool PromptForPort = true;
    bool TapiMode = false;
};

class TCustomComPort : public TBaseComponent {
    GUI_CLASS_INFO
public:
    explicit TCustomComPort(gui::TComponent* owner);
    ~TCustomComPort() override;

    bool Active() const { return active_; }
    void SetActive(bool active);
    bool OpenOnDemand = true;
    std::uint8_t DeviceKind = dkSerial;
    std::uint16_t ComNumber = 0;
    std::uint16_t InputSize = 4096;
    std::uint16_t OutputSize = 4096;
    TSerialSettings Serial;
    std::int16_t AvailThreshold() const { return availThreshold_; }
    void SetAvailThreshold(std::int16_t threshold);

    TTraceLogState Tracing() const { return tracing_; }
    void SetTracing(TTraceLogState state);
    std::uint32_t TraceSize() const { return traceSize_; }
    void SetTraceSize(std::uint32_t size);
    std::string TraceName = "PORT.TRC";
    bool TraceHex = true;
    bool TraceHexOnly = false;
    TTraceLogState Logging() const { return logging_; }
    void SetLogging(TTraceLogState state);
    std::uint32_t LogSize() const { return logSize_; }
    void SetLogSize(std::uint32_t size);
    std::string LogName = "PORT.LOG";
    bool LogHex = true;
    bool LogHexOnly = false;

    // Trigger events; setting the first five tells the dispatcher whether the port window wants
    // trigger messages.
    const TTriggerEvent& OnAnyTrigger() const { return onAnyTrigger_; }
    void SetOnAnyTrigger(TTriggerEvent handler);
    const TTriggerAvailEvent& OnDataAvailable() const { return onDataAvailable_; }
    void SetOnDataAvailable(TTriggerAvailEvent handler);
    const TTriggerHandleEvent& OnDataMatch() const { return onDataMatch_; }
    void SetOnDataMatch(TTriggerHandleEvent handler);
    const TTriggerHandleEvent& OnStatusTrigger() const { return onStatusTrigger_; }
    void SetOnStatusTrigger(TTriggerHandleEvent handler);
    const TTriggerHandleEvent& OnTimerTrigger() const { return onTimerTrigger_; }
    void SetOnTimerTrigger(TTriggerHandleEvent handler);
    TTriggerLineErrorEvent OnLineErrorTrigger;
    gui::TNotifyEvent OnModemStatusTrigger;
    gui::TNotifyEvent OnOutputFreeTrigger;
    gui::TNotifyEvent OnOutputUsedTrigger;
    gui::TNotifyEvent OnOutputSentTrigger;
    gui::TNotifyEvent OnPortOpened;
    gui::TNotifyEvent OnPortClosing;

    TPortState PortState() const { return portState_; }
    win::HWND PortWindow() const { return portWindow_; }
    // Opens a closed port first when OpenOnDemand allows it; nullptr when there is none.
    TBaseDispatcher* CurrentDispatcher();
    // Raises -2007 when there is no dispatcher.
    TBaseDispatcher& RequireDispatcher();
    void SendText(const std::string& text);
    virtual void ProcessNow();
    virtual void ClosePort();

    // Returns the entry's index.
    int AddPortListener(const TPortListenerProc& listener);
    // A window listener is sent MsgPortOpened and MsgPortClosing.
    int AddPortListener(win::HWND window);
    // Removes every entry with the method's code.
    void RemovePortListener(const TPortListenerProc& listener);

    void Assign(const gui::TPersistent& source) override;
    void Loaded() override;

protected:
    // The dispatcher for DeviceKind; raises -3001 when there is no device class for it.
    virtual std::unique_ptr<TBaseDispatcher> MakeDispatcher();
    // Opens the new dispatcher's device: 0 or a negative code.
    virtual int OpenDevice();
    virtual void EnsurePortNumber();
    virtual void AttachPortWindow(bool attach);
    virtual void DoAnyTrigger(std::uint32_t msg, std::uint16_t triggerHandle, std::uint16_t data);
    virtual void DoDataAvailable(std::uint16_t count);
    virtual void DoDataMatch(std::uint16_t triggerHandle);
    virtual void DoStatusTrigger(std::uint16_t triggerHandle);
    virtual void DoTimerTrigger(std::uint16_t triggerHandle);
    virtual void RefreshHandlerFlags();
    virtual void DoLineErrorTrigger(std::uint16_t lineError, bool lineBreak);
    virtual void DoModemStatusTrigger();
    virtual void DoOutputFreeTrigger();
    virtual void DoOutputUsedTrigger();
    virtual void DoOutputSentTrigger();
    virtual void OpenPort();
    virtual void PortOpenedNotify();
    virtual void PortClosingNotify();

    TBaseDispatcher* Dispatcher() const { return dispatcher_.get(); }

private:
    struct TPortListener {
        win::HWND Window;
        TPortListenerProc Method;
    };
    enum class TRecorder { Trace, Log };

    void ApplyRecorder(TRecorder recorder, TTraceLogState value);
    void ResizeRecorder(TRecorder recorder);
    void NotifyListeners(bool opening, win::UINT message, const gui::TNotifyEvent& event);
    void FinishClose();
    bool AnyTriggerEventAssigned() const;
    static win::LRESULT PortWindowProc(win::HWND window, win::UINT message, win::WPARAM wParam,
                                       win::LPARAM lParam);
    void HandleTriggerMessage(TBaseDispatcher& dispatcher, win::UINT message, win::WPARAM wParam,
                              win::LPARAM lParam);

    bool active_ = false;
    std::int16_t availThreshold_ = 1;
    TTraceLogState tracing_ = TTraceLogState::tlOff;
    std::uint32_t traceSize_ = 10000;
    TTraceLogState logging_ = TTraceLogState::tlOff;
    std::uint32_t logSize_ = 10000;
    TTriggerEvent onAnyTrigger_;
    TTriggerAvailEvent onDataAvailable_;
    TTriggerHandleEvent onDataMatch_;
    TTriggerHandleEvent onStatusTrigger_;
    TTriggerHandleEvent onTimerTrigger_;

    TPortState portState_ = TPortState::psClosed;
    std::unique_ptr<TBaseDispatcher> dispatcher_;
    win::HWND portWindow_ = nullptr;
    bool openPending_ = false;
    bool openAfterLoad_ = false;
    bool forceApply_ = false;
    TTriggerSnapshot savedTriggers_;
    bool triggersSaved_ = false;
    std::vector<TPortListener> listeners_;
};

} // namespace port
