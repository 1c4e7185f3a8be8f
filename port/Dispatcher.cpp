#include "port/Dispatcher.h"

#include "platform/Module.h"
#include "platform/Window.h"
#include "rtl/Exceptions.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace port {
namespace {

using TLock = std::lock_guard<win::TCriticalSection>;

constexpr int kReadBeyondHeld = -3007;
constexpr int kPutBlockFailed = -3004;
constexpr int kOutputTooSmall = -3006;
constexpr int kBadTriggerHandle = -5003;
constexpr int kBadArgument = -1002;
constexpr std::int32_t kHandleStep = 8;
constexpr std::int32_t kCountedHandles = 4096;

// The dispatchers by registry index; empty slots are reused.
struct TRegistry {
    win::TCriticalSection lock;
    std::vector<TBaseDispatcher*> slots;
    std::int32_t cachedDeviceId = -1;
    TBaseDispatcher* cached = nullptr;
};

TRegistry& Registry() {
    static TRegistry registry;
    return registry;
}

template <typename Trigger> auto FindHandle(std::vector<Trigger>& triggers, std::int32_t handle) {
    return std::find_if(triggers.begin(), triggers.end(),
                        [handle](const Trigger& t) { return t.Handle == handle; });
}

} // namespace

void DiscardTriggerSnapshot(TTriggerSnapshot& snapshot) {
    snapshot.TimerTriggers.reset();
    snapshot.DataTriggers.reset();
    snapshot.StatusTriggers.reset();
}

TBaseDispatcher* DispatcherAt(std::int32_t handle) {
    TRegistry& registry = Registry();
    const TLock lock(registry.lock);
    if (handle < 0 || handle >= static_cast<std::int32_t>(registry.slots.size())) return nullptr;
    return registry.slots[static_cast<std::size_t>(handle)];
}

TBaseDispatcher* FindDispatcher(std::int32_t deviceId, bool (*isClass)(const TBaseDispatcher&)) {
    TRegistry& registry = Registry();
    const TLock lock(registry.lock);
    if (registry.cached != nullptr && registry.cachedDeviceId == deviceId && isClass(*registry.cached))
        return registry.cached;
    for (TBaseDispatcher* dispatcher : registry.slots) {
        if (dispatcher != nullptr && dispatcher->DeviceId() == deviceId && isClass(*dispatcher)) {
            registry.cachedDeviceId = deviceId;
            registry.cached = dispatcher;
            return dispatcher;
        }
    }
    return nullptr;
}

TBaseDispatcher* FirstDispatcher(const std::function<bool(const TBaseDispatcher&)>& matches) {
    TRegistry& registry = Registry();
    const TLock lock(registry.lock);
    for (TBaseDispatcher* dispatcher : registry.slots)
        if (dispatcher != nullptr && matches(*dispatcher)) return dispatcher;
    return nullptr;
}

win::TCriticalSection& RegistryLock() {
    return Registry().lock;
}

TBaseDispatcher::TBaseDispatcher(gui::TComponent* owner) : owner_(owner) {
    TRegistry& registry = Registry();
    const TLock lock(registry.lock);
    const auto empty = std::find(registry.slots.begin(), registry.slots.end(), nullptr);
    if (empty != registry.slots.end()) {
        *empty = this;
        handle_ = static_cast<std::int32_t>(empty - registry.slots.begin());
    } else {
        handle_ = static_cast<std::int32_t>(registry.slots.size());
        registry.slots.push_back(this);
    }
}

// Device classes close their device in their own destructors (ShutDown needs their operations);
// the core leaves the registry.
TBaseDispatcher::~TBaseDispatcher() {
    TRegistry& registry = Registry();
    const TLock lock(registry.lock);
    registry.slots[static_cast<std::size_t>(handle_)] = nullptr;
    while (!registry.slots.empty() && registry.slots.back() == nullptr)
        registry.slots.pop_back();
    if (registry.cached == this) {
        registry.cached = nullptr;
        registry.cachedDeviceId = -1;
    }
}

void TBaseDispatcher::SetDispatchingStarted(bool started) {
    if (started && dispatchingStarted_) throw rtl::Exception("Dispatcher already started");
    dispatchingStarted_ = started;
}

void TBaseDispatcher::SetInNotify(bool inNotify) {
    const TLock lock(stateLock_);
    inNotify_ = inNotify;
}

void TBaseDispatcher::MakeDispatcherWindow() {
    dispatcherWindow_ = win::CreateWindowExA(0, "DispatchWindow", "", 0, 0, 0, 10, 10, nullptr, nullptr,
                                             win::GetModuleHandleA(nullptr), nullptr);
    // Platform windows are never shown, so the window is hidden from the start.
    if (dispatcherWindow_ == nullptr) throw rtl::Exception("Resource not available");
}

void TBaseDispatcher::DestroyDispatcherWindow() {
    if (dispatcherWindow_ != nullptr) win::DestroyWindow(dispatcherWindow_);
    dispatcherWindow_ = nullptr;
}

void TBaseDispatcher::ShutDownForDestruction() {
    if (closePending_)
        ReleaseBuffers();
    else
        ShutDown();
}

void TBaseDispatcher::ReleaseBuffers() {
    if (dispatchingStarted_) StopDispatching();
    rxRing_.clear();
    rxRing_.shrink_to_fit();
}

void TBaseDispatcher::RecomputeHandlerFlags(int how) {
    const TLock lock(stateLock_);
    const bool others = windowHandlers_.size() > 1 || !eventHandlers_.empty();
    switch (how) {
    case 0:
        handlersPresent_ = others || portEventsAssigned_;
        break;
    case 1:
        portEventsAssigned_ = true;
        handlersPresent_ = true;
        break;
    case 2:
        portEventsAssigned_ = false;
        handlersPresent_ = others;
        break;
    default:
        break;
    }
}

int TBaseDispatcher::OpenWithSizes(std::uint32_t inputSize, std::uint32_t outputSize) {
    deviceId_ = DeviceOpen("", inputSize, outputSize);
    if (deviceId_ < 0) {
        const int code = deviceId_;
        ShutDown();
        return code;
    }
    if (!DeviceSetup(0, 0)) {
        const int code = -static_cast<int>(DeviceGetStatus(inputCount_, outputCount_));
        ShutDown();
        return code;
    }
    rxRing_.assign(RxRingSize, 0);
    inputSize_ = inputSize;
    outputSize_ = outputSize;
    RefreshStatus();
    timeBase_ = ClockMs();
    StartDispatching();
    return 0;
}

void TBaseDispatcher::ShutDown() {
    if (deviceId_ >= 0) {
        DeviceFlush(0);
        FlushReceived();
        DeviceClose();
        deviceId_ = -1;
    }
    if (inNotify_)
        closePending_ = true;
    else
        ReleaseBuffers();
}

void TBaseDispatcher::RefreshStatus() {
    deviceErrors_ |= DeviceGetStatus(inputCount_, outputCount_) & 0x1F;
}

void TBaseDispatcher::DispatchPass(bool pollOnly) {
    RefreshStatus();
    if (inputCount_ != 0) ExtractReceived();
    if (pollOnly || inNotify_) {
        LogEntry(ltError, lsNone, 0);
    } else {
        statusHitInPass_ = false;
        while (RunTriggerChecks() && !closePending_) {
        }
        if (statusHitInPass_) {
            const TLock lock(stateLock_);
            for (TStatusTrigger& trigger : statusTriggers_)
                trigger.Hit = 0;
            statusHitInPass_ = false;
        }
    }
    if (closePending_) ReleaseBuffers();
}

void TBaseDispatcher::ReadIntoRing(std::uint32_t count) {
    int read = DeviceRead(rxRing_.data() + rxHead_, count);
    if (read < 0) {
        DeviceReadFailed(-1);
        read = 0;
    }
    const auto bytes = static_cast<std::uint32_t>(read);
    LogEntry(ltDispatch, lsReadCom, bytes, rxRing_.data() + rxHead_, bytes);
    rxHead_ += bytes;
    unscanned_ += bytes;
}

bool TBaseDispatcher::ExtractReceived() {
    const TLock lock(rxLock_);
    if (rxRing_.empty()) return false;
    if (rxFull_) return true;
    RefreshStatus();
    const std::uint32_t waiting = inputCount_;
    if (waiting == 0) return false;
    std::uint32_t free = 0;
    std::uint32_t contiguous = 0;
    if (rxTail_ == rxHead_) {
        free = RxRingSize;
        contiguous = RxRingSize - rxHead_;
    } else if (rxTail_ < rxHead_) {
        free = rxTail_ + RxRingSize - rxHead_;
        contiguous = RxRingSize - rxHead_;
    } else {
        free = contiguous = rxTail_ - rxHead_;
    }
    const std::uint32_t want = std::min(free, waiting);
    std::uint32_t second = want > contiguous ? want - contiguous : 0;
    if (contiguous != 0) {
        const std::uint32_t before = rxHead_;
        ReadIntoRing(contiguous);
        const std::uint32_t read = rxHead_ - before;
        if (read < contiguous) second = 0;
        if (rxHead_ == RxRingSize) rxHead_ = 0;
        if (read != 0) rxFull_ = rxHead_ == rxTail_;
    }
    if (second != 0) {
        ReadIntoRing(second);
        rxFull_ = rxHead_ == rxTail_;
    }
    return true;
}

std::uint32_t TBaseDispatcher::HeldCount() const {
    if (rxHead_ == rxTail_) return rxFull_ ? RxRingSize : 0;
    return rxTail_ < rxHead_ ? rxHead_ - rxTail_ : rxHead_ + RxRingSize - rxTail_;
}

std::uint32_t TBaseDispatcher::ReceivedCount() {
    const TLock lock(rxLock_);
    const std::uint32_t held = HeldCount();
    return sharedRead_ ? held - std::min(held, handlerReadCount_) : held;
}

int TBaseDispatcher::ReadBuffered(void* destination, std::uint32_t count) {
    {
        const TLock lock(rxLock_);
        const std::uint32_t start = Wrapped(rxTail_ + (sharedRead_ ? handlerReadCount_ : 0));
        if (count > ReceivedCount()) return kReadBeyondHeld;
        auto* out = static_cast<std::uint8_t*>(destination);
        const std::uint32_t first = std::min(count, RxRingSize - start);
        std::memcpy(out, rxRing_.data() + start, first);
        std::memcpy(out + first, rxRing_.data(), count - first);
        if (sharedRead_) {
            handlerReadCount_ += count;
        } else {
            rxTail_ = Wrapped(start + count);
            rxFull_ = false;
        }
    }
    const TLock lock(stateLock_);
    if (trace_.On()) {
        const auto* bytes = static_cast<const std::uint8_t*>(destination);
        for (std::uint32_t i = 0; i < count; ++i)
            trace_.Record('R', bytes[i]);
    }
    return static_cast<int>(count);
}

int TBaseDispatcher::FlushReceived() {
    const TLock lock(rxLock_);
    const int result = DeviceFlush(1);
    if (sharedRead_) {
        maxHandlerRead_ = HeldCount();
    } else {
        rxTail_ = rxHead_;
        handlerReadCount_ = 0;
    }
    rxFull_ = false;
    const TLock state(stateLock_);
    for (TDataTrigger& trigger : dataTriggers_)
        trigger.MatchCounters.fill(0);
    return result;
}

int TBaseDispatcher::SendBlock(const void* source, std::uint32_t count) {
    if (count == 0) return 0;
    int result = 0;
    std::uint32_t written = 0;
    {
        const TLock lock(outputLock_);
        deviceErrors_ = DeviceGetStatus(inputCount_, outputCount_);
        const std::uint32_t room = outputSize_ - std::min(outputSize_, outputCount_);
        if (count > room) return kOutputTooSmall;
        const int taken = DeviceWrite(static_cast<const std::uint8_t*>(source), count);
        written = static_cast<std::uint32_t>(taken < 0 ? -taken : taken);
        if (taken <= 0) {
            result = kPutBlockFailed;
            deviceErrors_ = DeviceGetStatus(inputCount_, outputCount_);
        }
        outputSent_ = true;
    }
    const TLock lock(stateLock_);
    written = std::min(written, count);
    LogEntry(ltDispatch, lsWriteCom, written, written == 0 ? nullptr : source, written);
    if (trace_.On()) {
        const auto* bytes = static_cast<const std::uint8_t*>(source);
        for (std::uint32_t i = 0; i < written; ++i)
            trace_.Record('T', bytes[i]);
    }
    return result;
}

std::uint32_t TBaseDispatcher::OutputUsed() {
    const TLock lock(outputLock_);
    RefreshStatus();
    return outputCount_;
}

std::uint32_t TBaseDispatcher::OutputFree() {
    const TLock lock(outputLock_);
    RefreshStatus();
    return outputSize_ - std::min(outputSize_, outputCount_);
}

bool TBaseDispatcher::HandleInUse(std::int32_t handle) const {
    const auto holds = [handle](const auto& triggers) {
        return std::any_of(triggers.begin(), triggers.end(),
                           [handle](const auto& t) { return t.Handle == handle; });
    };
    return holds(timerTriggers_) || holds(dataTriggers_) || holds(statusTriggers_);
}

// 8, 16, ... while the counter lasts, then the smallest free multiple of 8.
std::int32_t TBaseDispatcher::NewHandle() {
    if (nextHandleCounter_ < kCountedHandles) return nextHandleCounter_++ * kHandleStep;
    std::int32_t handle = kHandleStep;
    const auto inUse = [&](std::int32_t base) {
        for (std::int32_t kind = 0; kind < kHandleStep; ++kind)
            if (HandleInUse(base + kind)) return true;
        return false;
    };
    while (inUse(handle))
        handle += kHandleStep;
    return handle;
}

std::int32_t TBaseDispatcher::NewTimerTrigger() {
    std::int32_t handle = 0;
    {
        const TLock lock(stateLock_);
        handle = NewHandle();
        timerTriggers_.push_back(TTimerTrigger{handle, {}, 0, false});
    }
    LogEntry(ltTriggerAlloc, lsTimerTrigger, static_cast<std::uint32_t>(handle));
    return handle;
}

int TBaseDispatcher::ArmTimerTrigger(std::int32_t handle, std::int32_t ticks, bool activate) {
    const TLock lock(stateLock_);
    const auto trigger = handle < 2 ? timerTriggers_.end() : FindHandle(timerTriggers_, handle);
    if (trigger == timerTriggers_.end()) return kBadTriggerHandle;
    if (activate) {
        if (ticks != 0) trigger->Ticks = ticks;
        StartTimer(trigger->Timer, trigger->Ticks);
        LogEntry(ltTriggerDataChange, lsTimerTrigger, static_cast<std::uint32_t>(handle), &ticks,
                 sizeof ticks);
    } else {
        static constexpr char kDeactivated[] = "Deactivated";
        LogEntry(ltTriggerDataChange, lsTimerTrigger, static_cast<std::uint32_t>(handle), kDeactivated,
                 sizeof kDeactivated - 1);
    }
    trigger->Active = activate;
    return 0;
}

std::int32_t TBaseDispatcher::NewDataTrigger(const std::string& pattern, bool ignoreCase) {
    if (pattern.empty() || pattern.size() > MaxPatternLength) return kBadArgument;
    const TLock lock(stateLock_);
    TDataTrigger trigger;
    trigger.Handle = NewHandle();
    trigger.Length = static_cast<std::int32_t>(pattern.size());
    trigger.IgnoreCase = ignoreCase;
    std::copy(pattern.begin(), pattern.end(), trigger.Pattern.begin());
    dataTriggers_.push_back(trigger);
    return trigger.Handle;
}

std::int32_t TBaseDispatcher::NewStatusTrigger(std::int32_t kind) {
    if (kind < skModemStatus || kind > skOutputSent) return kBadArgument;
    const TLock lock(stateLock_);
    TStatusTrigger trigger;
    trigger.Handle = NewHandle() + kind;
    trigger.Kind = kind;
    statusTriggers_.push_back(trigger);
    return trigger.Handle;
}

int TBaseDispatcher::ArmStatusTrigger(std::int32_t handle, std::uint16_t value, bool activate) {
    const TLock lock(stateLock_);
    const auto trigger = handle < 2 ? statusTriggers_.end() : FindHandle(statusTriggers_, handle);
    if (trigger == statusTriggers_.end()) return kBadTriggerHandle;
    trigger->Value = value;
    trigger->Armed = activate ? 1 : 0;
    if (trigger->Kind == skOutputSent && activate) outputSent_ = false;
    return 0;
}

int TBaseDispatcher::DeleteTrigger(std::int32_t handle) {
    const TLock lock(stateLock_);
    if (handle == AvailTriggerHandle) {
        availThreshold_ = 0;
        return 0;
    }
    if (handle < 2) return kBadTriggerHandle;
    const auto value = static_cast<std::uint32_t>(handle);
    if (const auto timer = FindHandle(timerTriggers_, handle); timer != timerTriggers_.end()) {
        timerTriggers_.erase(timer);
        LogEntry(ltTriggerDispose, lsTimer, value);
        return 0;
    }
    if (const auto status = FindHandle(statusTriggers_, handle); status != statusTriggers_.end()) {
        statusTriggers_.erase(status);
        const auto kind = static_cast<std::uint8_t>(StatusKindOf(handle));
        LogEntry(ltTriggerDispose, lsStatusTrigger, value, &kind, 1);
        return 0;
    }
    if (const auto data = FindHandle(dataTriggers_, handle); data != dataTriggers_.end()) {
        dataTriggers_.erase(data);
        LogEntry(ltTriggerDispose, lsData, value);
        return 0;
    }
    return kBadTriggerHandle;
}

void TBaseDispatcher::SetAvailThreshold(std::int32_t count) {
    const TLock lock(stateLock_);
    availThreshold_ = count;
    LogEntry(ltTriggerDataChange, lsAvailTrigger, static_cast<std::uint32_t>(count));
}

void TBaseDispatcher::AddWindowHandler(win::HWND window) {
    const TLock lock(stateLock_);
    windowHandlers_.push_back({window, false});
    handlersPresent_ = true;
    LogEntry(ltHandlerAlloc, lsWindow, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window)));
}

// The first live entry that matches goes: at once, or at the end of a notification in progress.
// One that is not found lets the flags be recomputed.
template <typename Handler, typename Matches>
void TBaseDispatcher::RemoveHandler(std::vector<Handler>& handlers, Matches matches, std::uint8_t subType,
                                    std::uint32_t value) {
    const TLock lock(stateLock_);
    const auto found = std::find_if(handlers.begin(), handlers.end(),
                                    [&](const Handler& h) { return !h.Removed && matches(h); });
    if (found == handlers.end()) {
        RecomputeHandlerFlags(0);
        return;
    }
    LogEntry(ltHandlerDispose, subType, value);
    if (inNotify_) {
        found->Removed = true;
        removalPending_ = true;
    } else {
        handlers.erase(found);
    }
}

void TBaseDispatcher::RemoveWindowHandler(win::HWND window) {
    RemoveHandler(
        windowHandlers_, [window](const TWindowHandler& h) { return h.Window == window; }, lsWindow,
        static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window)));
}

void TBaseDispatcher::AddEventHandler(const TEventHandlerProc& handler) {
    const TLock lock(stateLock_);
    eventHandlers_.push_back({handler, false});
    handlersPresent_ = true;
    LogEntry(ltHandlerAlloc, lsMethod, 0);
}

void TBaseDispatcher::RemoveEventHandler(const TEventHandlerProc& handler) {
    RemoveHandler(
        eventHandlers_, [&](const TEventHandler& h) { return h.Method.Code() == handler.Code(); }, lsMethod,
        0);
}

void TBaseDispatcher::SnapshotTriggers(TTriggerSnapshot& snapshot) {
    const TLock lock(stateLock_);
    DiscardTriggerSnapshot(snapshot);
    snapshot.AvailThreshold = availThreshold_;
    snapshot.TimerTriggers = timerTriggers_;
    snapshot.DataTriggers = dataTriggers_;
    snapshot.StatusTriggers = statusTriggers_;
}

// The handles come back unchanged; the counter moves past them so that new triggers never
// share a handle with a reinstated one.
void TBaseDispatcher::ReinstateTriggers(const TTriggerSnapshot& snapshot) {
    const TLock lock(stateLock_);
    availThreshold_ = snapshot.AvailThreshold;
    timerTriggers_.clear();
    dataTriggers_.clear();
    statusTriggers_.clear();
    if (snapshot.TimerTriggers) timerTriggers_ = *snapshot.TimerTriggers;
    if (snapshot.DataTriggers) dataTriggers_ = *snapshot.DataTriggers;
    if (snapshot.StatusTriggers) statusTriggers_ = *snapshot.StatusTriggers;
    const auto advance = [this](const auto& triggers) {
        for (const auto& trigger : triggers)
            nextHandleCounter_ = std::max(nextHandleCounter_, trigger.Handle / kHandleStep + 1);
    };
    advance(timerTriggers_);
    advance(dataTriggers_);
    advance(statusTriggers_);
}

} // namespace port
