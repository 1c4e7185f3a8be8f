// The trigger checks of a dispatch pass and the delivery of their messages to the handlers.
#include "port/Dispatcher.h"

#include "platform/CodePage.h"
#include "platform/Window.h"
#include "port/DispatchLog.h"

#include <algorithm>
#include <mutex>

namespace port {
namespace {

using TLock = std::lock_guard<win::TCriticalSection>;

constexpr win::UINT kWindowHandlerTimeoutMs = 3000;

// One byte of a received stream against a pattern: advances every partial match in progress and
// opens a new one in the first idle counter after the active ones.
bool MatchStep(TDataTrigger& trigger, char received) {
    char c = received;
    if (trigger.IgnoreCase) win::CharUpperBuffA(&c, 1);
    const auto& pattern = trigger.Pattern;
    auto& counters = trigger.MatchCounters;
    const int length = trigger.Length;
    bool matched = false;
    bool process = true;
    bool started = false;
    for (int k = 0; k < length; ++k) {
        if (process) {
            const std::int32_t q = counters[static_cast<std::size_t>(k)];
            if (pattern[static_cast<std::size_t>(q)] == c) {
                if (q == length - 1) {
                    matched = true;
                    counters.fill(0);
                } else {
                    counters[static_cast<std::size_t>(k)] = q + 1;
                }
            } else if (pattern[0] == c) {
                started = true;
                counters[static_cast<std::size_t>(k)] = 1;
            } else {
                counters[static_cast<std::size_t>(k)] = 0;
            }
        }
        if (counters[static_cast<std::size_t>(k)] == 1) started = true;
        if (k == length - 1) break;
        const bool nextActive = counters[static_cast<std::size_t>(k) + 1] != 0;
        process = started ? nextActive : nextActive || pattern[0] == c;
    }
    return matched;
}

} // namespace

bool TBaseDispatcher::RunTriggerChecks() {
    return CheckTimerTriggers() || CheckStatusTriggers() || CheckDataTriggers();
}

bool TBaseDispatcher::CheckTimerTriggers() {
    std::int32_t handle = 0;
    {
        const TLock lock(stateLock_);
        const auto due =
            std::find_if(timerTriggers_.begin(), timerTriggers_.end(),
                         [](const TTimerTrigger& t) { return t.Active && TimerExpired(t.Timer); });
        if (due == timerTriggers_.end()) return false;
        due->Active = false;
        handle = due->Handle;
    }
    LogEntry(ltTrigger, lsTimer, static_cast<std::uint32_t>(handle));
    return NotifyHandlers(MsgTriggerTimer, static_cast<std::uint32_t>(handle), 0);
}

bool TBaseDispatcher::CheckStatusTriggers() {
    std::int32_t handle = 0;
    std::uint32_t data = 0;
    {
        const TLock lock(stateLock_);
        TStatusTrigger* fired = nullptr;
        for (TStatusTrigger& trigger : statusTriggers_) {
            if (trigger.Armed == 0 || trigger.Hit != 0) continue;
            bool fires = false;
            switch (trigger.Kind) {
            case skModemStatus:
                fires = false;
                break; // a stream device has no modem status
            case skLineStatus:
                fires = (trigger.Value & deviceErrors_) != 0;
                if (fires) trigger.Value = static_cast<std::uint16_t>(deviceErrors_);
                break;
            case skOutputFree:
                data = OutputFree();
                fires = data >= trigger.Value;
                break;
            case skOutputUsed:
                data = OutputUsed();
                fires = data <= trigger.Value;
                break;
            case skOutputSent:
                fires = outputSent_;
                outputSent_ = false;
                break;
            default:
                break;
            }
            if (fires) {
                fired = &trigger;
                break;
            }
            data = 0;
        }
        if (fired == nullptr) return false;
        fired->Armed = 0;
        fired->Hit = 1;
        statusHitInPass_ = true;
        handle = fired->Handle;
    }
    LogEntry(ltTrigger, lsStatus, static_cast<std::uint32_t>(handle));
    return NotifyHandlers(MsgTriggerStatus, static_cast<std::uint32_t>(handle), data);
}

// The pattern's first byte lies patternLength - 1 bytes before `position`; bytes of it that a
// handler has read already leave nothing unread before it.
std::uint32_t TBaseDispatcher::UnreadBefore(std::uint32_t position, std::int32_t patternLength) const {
    const std::uint32_t unreadUpToMatch = (position + RxRingSize - rxTail_) % RxRingSize;
    const auto restOfPattern = static_cast<std::uint32_t>(patternLength - 1);
    return unreadUpToMatch > restOfPattern ? unreadUpToMatch - restOfPattern : 0;
}

bool TBaseDispatcher::CheckDataTriggers() {
    while (unscanned_ > 0) {
        const std::uint32_t p = scanPos_;
        const char c = static_cast<char>(rxRing_[p]);
        std::int32_t longest = 0;
        bool any = false;
        {
            const TLock lock(stateLock_);
            for (TDataTrigger& trigger : dataTriggers_) {
                if (trigger.Length == 0) continue;
                if (!trigger.Matched) trigger.Matched = MatchStep(trigger, c);
                if (trigger.Matched && trigger.Length > longest) longest = trigger.Length;
                any = any || trigger.Matched;
            }
        }
        scanPos_ = Wrapped(p + 1);
        --unscanned_;
        if (!any) {
            availNotified_ = false;
            continue;
        }
        // The bytes before the match are announced first, unless that was done already.
        bool result = true;
        if (availThreshold_ != 0 && !availNotified_) {
            const std::uint32_t before = UnreadBefore(p, longest);
            if (before >= static_cast<std::uint32_t>(availThreshold_)) {
                LogEntry(ltTrigger, lsAvail, before);
                result = NotifyHandlers(MsgTriggerAvail, before, 0);
            }
        }
        for (std::size_t i = dataTriggers_.size(); i-- > 0;) {
            if (i >= dataTriggers_.size()) break;
            if (!dataTriggers_[i].Matched) continue;
            const std::int32_t handle = dataTriggers_[i].Handle;
            const std::int32_t length = dataTriggers_[i].Length;
            LogEntry(ltTrigger, lsData, static_cast<std::uint32_t>(handle));
            dataTriggers_[i].Matched = false;
            result = NotifyHandlers(MsgTriggerData, static_cast<std::uint32_t>(handle),
                                    static_cast<std::uint32_t>(length));
        }
        availNotified_ = false;
        return result;
    }
    const std::uint32_t held = ReceivedCount();
    if (availThreshold_ != 0 && !availNotified_ && held >= static_cast<std::uint32_t>(availThreshold_)) {
        LogEntry(ltTrigger, lsAvail, held);
        availNotified_ = true;
        return NotifyHandlers(MsgTriggerAvail, held, 0);
    }
    return false;
}

// Clears the notification state whatever the handlers did, and frees the entries they removed.
void TBaseDispatcher::EndNotify() {
    const TLock lock(stateLock_);
    inNotify_ = false;
    if (!removalPending_) return;
    std::erase_if(windowHandlers_, [](const TWindowHandler& h) { return h.Removed; });
    std::erase_if(eventHandlers_, [](const TEventHandler& h) { return h.Removed; });
    removalPending_ = false;
    RecomputeHandlerFlags(0);
}

bool TBaseDispatcher::NotifyHandlers(win::UINT message, std::uint32_t wParam, std::uint32_t data) {
    if (!handlersPresent_) return true;
    {
        const TLock lock(stateLock_);
        inNotify_ = true;
    }
    struct TEndNotify {
        TBaseDispatcher& dispatcher;
        ~TEndNotify() {
            dispatcher.SettleSharedRead();
            dispatcher.EndNotify();
        }
    } endNotify{*this};

    maxHandlerRead_ = 0;
    sharedRead_ = message == MsgTriggerAvail || message == MsgTriggerData;
    const auto lParam = static_cast<std::int32_t>((static_cast<std::uint32_t>(handle_) << 16) + data);
    // Entries appended during the delivery are not served; indexes stay valid because removals
    // are only marked until the end.
    for (std::size_t i = 0, count = eventHandlers_.size(); i < count; ++i) {
        if (eventHandlers_[i].Removed) continue;
        handlerReadCount_ = 0;
        const TEventHandlerProc method = eventHandlers_[i].Method;
        method(message, wParam, lParam);
        if (closePending_) return false;
        maxHandlerRead_ = std::max(maxHandlerRead_, handlerReadCount_);
    }
    if (windowHandlers_.size() > 1 || portEventsAssigned_) {
        for (std::size_t i = 0, count = windowHandlers_.size(); i < count; ++i) {
            if (windowHandlers_[i].Removed) continue;
            handlerReadCount_ = 0;
            win::DWORD_PTR ignored = 0;
            win::SendMessageTimeoutA(windowHandlers_[i].Window, message, wParam, lParam, win::SMTO_BLOCK,
                                     kWindowHandlerTimeoutMs, &ignored);
            if (closePending_) return false;
            maxHandlerRead_ = std::max(maxHandlerRead_, handlerReadCount_);
        }
    }
    // An availability message whose bytes were not all read ends the checks; the guard settles
    // the shared read.
    return !sharedRead_ || message != MsgTriggerAvail || maxHandlerRead_ == wParam;
}

// The bytes the handlers of a shared read took are consumed once, also when a handler raised in
// the middle and left its own count unsettled.
void TBaseDispatcher::SettleSharedRead() {
    const TLock lock(rxLock_);
    if (sharedRead_) {
        const std::uint32_t taken = std::max(maxHandlerRead_, handlerReadCount_);
        rxTail_ = Wrapped(rxTail_ + taken);
        if (taken != 0) rxFull_ = false;
        sharedRead_ = false;
    }
    handlerReadCount_ = 0;
}

} // namespace port
