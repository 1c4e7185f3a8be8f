#include "port/ComPort.h"

#include "gui/Application.h"
#include "platform/MessageLoop.h"
#include "platform/Module.h"
#include "platform/Window.h"
#include "port/PortErrors.h"

#include <algorithm>
#include <mutex>

namespace port {
namespace {

constexpr win::LPCSTR kWindowClass = "ComPortWindow";
constexpr int kNoDeviceClass = -3001;
constexpr int kDeviceNotOpen = -2007;
constexpr int kAlreadyOpen = -2008;
constexpr int kBadPortId = -2001;

void RegisterPortWindowClass(win::WNDPROC procedure) {
    win::WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.cbWndExtra = 4;
    windowClass.hInstance = win::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    if (!win::EnsureClassRegistered(windowClass))
        throw rtl::Exception("cannot register the port window class");
}

bool Recording(TTraceLogState state) {
    return state == TTraceLogState::tlOn || state == TTraceLogState::tlPause;
}

} // namespace

const gui::TClassInfo& TCustomComPort::StaticClass() {
    static const gui::TClassInfo info =
        gui::TClassBuilder<TCustomComPort>("TCustomComPort", &TBaseComponent::StaticClass()).Build();
    return info;
}

TCustomComPort::TCustomComPort(gui::TComponent* owner) : TBaseComponent(owner) {}

TCustomComPort::~TCustomComPort() {
    if (portState_ == TPortState::psOpen) ClosePort();
    if (portState_ == TPortState::psClosing) FinishClose();
    DiscardTriggerSnapshot(savedTriggers_);
}

void TCustomComPort::SetActive(bool active) {
    if (active == active_) return;
    if (IsLoading() || IsDesigning()) {
        active_ = active;
        if (active) openAfterLoad_ = true;
        return;
    }
    if (!active) {
        ClosePort();
    } else if (portState_ != TPortState::psClosed) {
        openPending_ = true;
    } else {
        OpenPort();
    }
}

std::unique_ptr<TBaseDispatcher> TCustomComPort::MakeDispatcher() {
    // No serial or telephony device is built; every kind without a device class fails alike.
    CheckResult(this, kNoDeviceClass);
    return nullptr;
}

int TCustomComPort::OpenDevice() {
    return kNoDeviceClass;
}

void TCustomComPort::EnsurePortNumber() {}

void TCustomComPort::OpenPort() {
    if (!Serial.TapiMode) EnsurePortNumber();
    dispatcher_ = MakeDispatcher();
    try {
        int result = OpenDevice();
        if (result == -5) result = kAlreadyOpen;
        if (result == -2 || result == -3) result = kBadPortId;
        if (result != 0) {
            CheckResult(this, result);
            return;
        }
        portState_ = TPortState::psOpen;
        RefreshHandlerFlags();
        forceApply_ = true;
        SetTracing(tracing_);
        SetLogging(logging_);
        SetAvailThreshold(availThreshold_);
        forceApply_ = false;
        active_ = true;
        AttachPortWindow(true);
        if (triggersSaved_) {
            triggersSaved_ = false;
            dispatcher_->ReinstateTriggers(savedTriggers_);
        }
        PortOpenedNotify();
    } catch (...) {
        forceApply_ = false;
        active_ = false;
        portState_ = TPortState::psClosed;
        if (portWindow_ != nullptr) AttachPortWindow(false);
        dispatcher_.reset();
        throw;
    }
}

void TCustomComPort::ClosePort() {
    active_ = false;
    if (portState_ != TPortState::psOpen) return;
    SetTracing(TTraceLogState::tlDump);
    SetLogging(TTraceLogState::tlDump);
    portState_ = TPortState::psClosing;
    PortClosingNotify();
    dispatcher_->SnapshotTriggers(savedTriggers_);
    triggersSaved_ = true;
    dispatcher_->ShutDown();
    if (dispatcher_->InNotify()) {
        win::PostMessageA(portWindow_, MsgClosePending, 0,
                          static_cast<win::LPARAM>(static_cast<std::uint32_t>(dispatcher_->Handle()) << 16));
        PumpOneMessage();
        return;
    }
    FinishClose();
}

// The end of a close: the window goes, then the dispatcher.
void TCustomComPort::FinishClose() {
    AttachPortWindow(false);
    dispatcher_.reset();
    portState_ = TPortState::psClosed;
}

void TCustomComPort::ProcessNow() {
    if (portState_ == TPortState::psClosing) return;
    CheckResult(this, RequireDispatcher().DevicePoll());
}

TBaseDispatcher* TCustomComPort::CurrentDispatcher() {
    if (!dispatcher_ && !IsLoading() && !IsDesigning() && portState_ != TPortState::psOpen && OpenOnDemand)
        SetActive(true);
    return dispatcher_.get();
}

TBaseDispatcher& TCustomComPort::RequireDispatcher() {
    TBaseDispatcher* dispatcher = CurrentDispatcher();
    if (dispatcher == nullptr) CheckResult(this, kDeviceNotOpen);
    return *dispatcher;
}

void TCustomComPort::SendText(const std::string& text) {
    if (portState_ == TPortState::psClosing) return;
    CheckResult(this, RequireDispatcher().SendBlock(text.data(), static_cast<std::uint32_t>(text.size())));
}

void TCustomComPort::SetAvailThreshold(std::int16_t threshold) {
    availThreshold_ = threshold;
    if (portState_ == TPortState::psOpen) dispatcher_->SetAvailThreshold(threshold);
}

void TCustomComPort::SetTracing(TTraceLogState state) {
    ApplyRecorder(TRecorder::Trace, state);
}

void TCustomComPort::SetLogging(TTraceLogState state) {
    ApplyRecorder(TRecorder::Log, state);
}

// One table for both recorders: what a new state does to the trace or log of an open port.
void TCustomComPort::ApplyRecorder(TRecorder recorder, TTraceLogState value) {
    const bool trace = recorder == TRecorder::Trace;
    TTraceLogState& current = trace ? tracing_ : logging_;
    if (value == current && !forceApply_) return;
    if (portState_ != TPortState::psOpen) {
        current = value == TTraceLogState::tlOn ? TTraceLogState::tlOn : TTraceLogState::tlOff;
        return;
    }
    TBaseDispatcher& d = *dispatcher_;
    switch (value) {
    case TTraceLogState::tlOff:
        if (!Recording(current)) return;
        trace ? d.DiscardTrace() : d.DiscardLog();
        current = TTraceLogState::tlOff;
        break;
    case TTraceLogState::tlOn:
        if (current == TTraceLogState::tlPause) {
            trace ? d.ResumeTrace() : d.ResumeLog();
        } else if (trace) {
            CheckResult(this, d.BeginTrace(traceSize_));
        } else {
            d.BeginLog(logSize_);
        }
        current = TTraceLogState::tlOn;
        break;
    case TTraceLogState::tlDump:
    case TTraceLogState::tlAppend: {
        if (!Recording(current)) return;
        const bool append = value == TTraceLogState::tlAppend;
        trace ? d.ResumeTrace() : d.ResumeLog();
        current = TTraceLogState::tlOff;
        CheckResult(this, trace ? d.SaveTrace(TraceName, append, TraceHex, TraceHexOnly)
                                : d.SaveLog(LogName, append, LogHex, LogHexOnly));
        break;
    }
    case TTraceLogState::tlClear:
        if (!Recording(current)) return;
        if (trace)
            CheckResult(this, d.ResetTrace());
        else
            d.ResetLog();
        break;
    case TTraceLogState::tlPause:
        if (current != TTraceLogState::tlOn) return;
        trace ? d.SuspendTrace() : d.SuspendLog();
        current = TTraceLogState::tlPause;
        break;
    }
}

void TCustomComPort::SetTraceSize(std::uint32_t size) {
    size = std::min(size, MaxTraceCapacity);
    if (size == traceSize_) return;
    traceSize_ = size;
    ResizeRecorder(TRecorder::Trace);
}

void TCustomComPort::SetLogSize(std::uint32_t size) {
    size = std::min(size, MaxLogSize);
    if (size == logSize_) return;
    logSize_ = size;
    ResizeRecorder(TRecorder::Log);
}

// A running recorder starts again with the new size; a paused one stays off.
void TCustomComPort::ResizeRecorder(TRecorder recorder) {
    const TTraceLogState state = recorder == TRecorder::Trace ? tracing_ : logging_;
    if (portState_ != TPortState::psOpen || !Recording(state)) return;
    ApplyRecorder(recorder, TTraceLogState::tlOff);
    ApplyRecorder(recorder, state);
}

bool TCustomComPort::AnyTriggerEventAssigned() const {
    return onAnyTrigger_ || onDataAvailable_ || onDataMatch_ || onStatusTrigger_ || onTimerTrigger_ ||
           OnLineErrorTrigger || OnModemStatusTrigger || OnOutputFreeTrigger || OnOutputUsedTrigger ||
           OnOutputSentTrigger;
}

void TCustomComPort::RefreshHandlerFlags() {
    if (portState_ != TPortState::psOpen) return;
    dispatcher_->RecomputeHandlerFlags(AnyTriggerEventAssigned() ? 1 : 2);
}

void TCustomComPort::SetOnAnyTrigger(TTriggerEvent handler) {
    onAnyTrigger_ = std::move(handler);
    RefreshHandlerFlags();
}

void TCustomComPort::SetOnDataAvailable(TTriggerAvailEvent handler) {
    onDataAvailable_ = std::move(handler);
    RefreshHandlerFlags();
}

void TCustomComPort::SetOnDataMatch(TTriggerHandleEvent handler) {
    onDataMatch_ = std::move(handler);
    RefreshHandlerFlags();
}

void TCustomComPort::SetOnStatusTrigger(TTriggerHandleEvent handler) {
    onStatusTrigger_ = std::move(handler);
    RefreshHandlerFlags();
}

void TCustomComPort::SetOnTimerTrigger(TTriggerHandleEvent handler) {
    onTimerTrigger_ = std::move(handler);
    RefreshHandlerFlags();
}

void TCustomComPort::DoAnyTrigger(std::uint32_t msg, std::uint16_t triggerHandle, std::uint16_t data) {
    onAnyTrigger_.Call(this, msg, triggerHandle, data);
}

void TCustomComPort::DoDataAvailable(std::uint16_t count) {
    onDataAvailable_.Call(this, count);
}

void TCustomComPort::DoDataMatch(std::uint16_t triggerHandle) {
    onDataMatch_.Call(this, triggerHandle);
}

void TCustomComPort::DoStatusTrigger(std::uint16_t triggerHandle) {
    onStatusTrigger_.Call(this, triggerHandle);
}

void TCustomComPort::DoTimerTrigger(std::uint16_t triggerHandle) {
    onTimerTrigger_.Call(this, triggerHandle);
}

void TCustomComPort::DoLineErrorTrigger(std::uint16_t lineError, bool lineBreak) {
    OnLineErrorTrigger.Call(this, lineError, lineBreak);
}

void TCustomComPort::DoModemStatusTrigger() {
    OnModemStatusTrigger.Call(this);
}

void TCustomComPort::DoOutputFreeTrigger() {
    OnOutputFreeTrigger.Call(this);
}

void TCustomComPort::DoOutputUsedTrigger() {
    OnOutputUsedTrigger.Call(this);
}

void TCustomComPort::DoOutputSentTrigger() {
    OnOutputSentTrigger.Call(this);
}

int TCustomComPort::AddPortListener(const TPortListenerProc& listener) {
    listeners_.push_back({nullptr, listener});
    return static_cast<int>(listeners_.size()) - 1;
}

int TCustomComPort::AddPortListener(win::HWND window) {
    listeners_.push_back({window, {}});
    return static_cast<int>(listeners_.size()) - 1;
}

void TCustomComPort::RemovePortListener(const TPortListenerProc& listener) {
    std::erase_if(listeners_, [&](const TPortListener& entry) {
        return entry.Window == nullptr && entry.Method.Code() == listener.Code();
    });
}

// Listeners from the last to the first, then the port's own event.
void TCustomComPort::NotifyListeners(bool opening, win::UINT message, const gui::TNotifyEvent& event) {
    const std::vector<TPortListener> listeners = listeners_;
    for (auto entry = listeners.rbegin(); entry != listeners.rend(); ++entry) {
        if (entry->Window != nullptr)
            win::SendMessageA(entry->Window, message, 0, 0);
        else
            entry->Method.Call(this, opening);
    }
    event.Call(this);
}

void TCustomComPort::PortOpenedNotify() {
    NotifyListeners(true, MsgPortOpened, OnPortOpened);
}

void TCustomComPort::PortClosingNotify() {
    NotifyListeners(false, MsgPortClosing, OnPortClosing);
}

void TCustomComPort::AttachPortWindow(bool attach) {
    if (attach) {
        RegisterPortWindowClass(&TCustomComPort::PortWindowProc);
        portWindow_ = win::CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, nullptr, nullptr,
                                           win::GetModuleHandleA(nullptr), nullptr);
        dispatcher_->AddWindowHandler(portWindow_);
        return;
    }
    if (dispatcher_) dispatcher_->RemoveWindowHandler(portWindow_);
    if (portWindow_ != nullptr) win::DestroyWindow(portWindow_);
    portWindow_ = nullptr;
}

void TCustomComPort::Assign(const gui::TPersistent& source) {
    if (!source.Is<TCustomComPort>()) {
        TBaseComponent::Assign(source);
        return;
    }
    const auto& port = static_cast<const TCustomComPort&>(source);
    listeners_ = port.listeners_;
    OpenOnDemand = port.OpenOnDemand;
    DeviceKind = port.DeviceKind;
    ComNumber = port.ComNumber;
    InputSize = port.InputSize;
    OutputSize = port.OutputSize;
    Serial = port.Serial;
    tracing_ = port.tracing_;
    logging_ = port.logging_;
    traceSize_ = port.traceSize_;
    logSize_ = port.logSize_;
    TraceName = port.TraceName;
    LogName = port.LogName;
    TraceHex = port.TraceHex;
    TraceHexOnly = port.TraceHexOnly;
    LogHex = port.LogHex;
    LogHexOnly = port.LogHexOnly;
    availThreshold_ = port.availThreshold_;
    SetOnAnyTrigger(port.onAnyTrigger_);
    SetOnDataAvailable(port.onDataAvailable_);
    SetOnDataMatch(port.onDataMatch_);
    SetOnStatusTrigger(port.onStatusTrigger_);
    SetOnTimerTrigger(port.onTimerTrigger_);
    OnPortOpened = port.OnPortOpened;
    OnPortClosing = port.OnPortClosing;
    active_ = false;
    if (port.portState_ == TPortState::psOpen) {
        port.dispatcher_->SnapshotTriggers(savedTriggers_);
        triggersSaved_ = true;
    }
}

void TCustomComPort::Loaded() {
    TBaseComponent::Loaded();
    if (IsDesigning()) return;
    if (openAfterLoad_) active_ = true;
    if (!active_) return;
    openAfterLoad_ = false;
    active_ = false;
    try {
        OpenPort();
    } catch (...) {
        active_ = false;
        gui::Application().HandleException(std::current_exception());
    }
}

win::LRESULT TCustomComPort::PortWindowProc(win::HWND window, win::UINT message, win::WPARAM wParam,
                                            win::LPARAM lParam) {
    const bool trigger = message >= MsgTriggerAvail && message <= MsgTriggerStatus;
    if (!trigger && message != MsgClosePending) return win::DefWindowProcA(window, message, wParam, lParam);
    const std::lock_guard<win::TCriticalSection> lock(RegistryLock());
    TBaseDispatcher* dispatcher =
        DispatcherAt(static_cast<std::int32_t>(static_cast<std::uint32_t>(lParam) >> 16));
    auto* port = dispatcher == nullptr ? nullptr : dynamic_cast<TCustomComPort*>(dispatcher->Owner());
    if (port == nullptr) return 0;
    try {
        port->HandleTriggerMessage(*dispatcher, message, wParam, lParam);
    } catch (...) {
        gui::Application().HandleException(std::current_exception());
    }
    return 0;
}

void TCustomComPort::HandleTriggerMessage(TBaseDispatcher& dispatcher, win::UINT message, win::WPARAM wParam,
                                          win::LPARAM lParam) {
    const auto handle = static_cast<std::uint16_t>(wParam);
    const auto data = static_cast<std::uint16_t>(message == MsgTriggerAvail ? wParam : lParam & 0xFFFF);
    if (message != MsgClosePending) DoAnyTrigger(message, handle, data);
    switch (message) {
    case MsgTriggerAvail:
        DoDataAvailable(handle);
        break;
    case MsgTriggerData:
        DoDataMatch(handle);
        break;
    case MsgTriggerTimer:
        DoTimerTrigger(handle);
        break;
    case MsgTriggerStatus:
        DoStatusTrigger(handle);
        switch (StatusKindOf(handle)) {
        case skModemStatus:
            DoModemStatusTrigger();
            break;
        case skLineStatus:
            DoLineErrorTrigger(static_cast<std::uint16_t>(dispatcher.DeviceErrors()), false);
            break;
        case skOutputFree:
            DoOutputFreeTrigger();
            break;
        case skOutputUsed:
            DoOutputUsedTrigger();
            break;
        case skOutputSent:
            DoOutputSentTrigger();
            break;
        default:
            break;
        }
        break;
    case MsgClosePending:
        if (dispatcher.DispatchingStarted()) {
            win::PostMessageA(portWindow_, MsgClosePending, wParam, lParam);
            break;
        }
        FinishClose();
        if (openPending_) {
            openPending_ = false;
            OpenPort();
        }
        break;
    default:
        break;
    }
}

} // namespace port
