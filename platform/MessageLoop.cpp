#include "platform/MessageLoop.h"

#include "platform/Kernel.h"
#include "platform/ThreadQueue.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace win {
namespace detail {

std::uint64_t NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

ThreadQueue::ThreadQueue() {
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    signal_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (epoll_ < 0 || signal_ < 0) throw std::runtime_error("cannot create the message queue's wait");
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = signal_;
    epoll_ctl(epoll_, EPOLL_CTL_ADD, signal_, &event);
}

ThreadQueue::~ThreadQueue() {
    close(signal_);
    close(epoll_);
}

const std::shared_ptr<ThreadQueue>& ThreadQueue::Current() {
    thread_local const std::shared_ptr<ThreadQueue> queue = std::make_shared<ThreadQueue>();
    return queue;
}

// The signal descriptor is readable exactly while a posted message or a quit waits.
void ThreadQueue::SyncSignalLocked() {
    const bool wanted = !posted_.empty() || quit_.has_value();
    if (wanted == signalled_) return;
    std::uint64_t value = 1;
    if (wanted) {
        if (write(signal_, &value, sizeof value) < 0) return;
    } else if (read(signal_, &value, sizeof value) < 0) {
        return;
    }
    signalled_ = wanted;
}

void ThreadQueue::Post(const MSG& message) {
    std::lock_guard lock(mutex_);
    posted_.push_back(message);
    SyncSignalLocked();
}

void ThreadQueue::Discard(HWND window, UINT message, WPARAM wParam) {
    std::lock_guard lock(mutex_);
    std::erase_if(posted_, [&](const MSG& m) { return m.hwnd == window && m.message == message && m.wParam == wParam; });
    SyncSignalLocked();
}

void ThreadQueue::Quit(int exitCode) {
    std::lock_guard lock(mutex_);
    quit_ = exitCode;
    SyncSignalLocked();
}

bool ThreadQueue::Matches(HWND window, UINT message, HWND filter, UINT filterMin, UINT filterMax) {
    const HWND threadOnly = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));
    if (filter == threadOnly ? window != nullptr : (filter != nullptr && window != filter)) return false;
    return (filterMin == 0 && filterMax == 0) || (message >= filterMin && message <= filterMax);
}

bool ThreadQueue::Take(MSG& message, HWND filter, UINT filterMin, UINT filterMax, bool remove) {
    {
        std::lock_guard lock(mutex_);
        const auto found = std::find_if(posted_.begin(), posted_.end(), [&](const MSG& m) {
            return Matches(m.hwnd, m.message, filter, filterMin, filterMax);
        });
        if (found != posted_.end()) {
            message = *found;
            if (remove) {
                posted_.erase(found);
                SyncSignalLocked();
            }
            return true;
        }
        if (quit_ && ((filterMin == 0 && filterMax == 0) || (WM_QUIT >= filterMin && WM_QUIT <= filterMax))) {
            message = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(*quit_), 0, GetTickCount(), {0, 0}};
            if (remove) {
                quit_.reset();
                SyncSignalLocked();
            }
            return true;
        }
    }
    const std::uint64_t now = NowMs();
    Timer* due = nullptr;
    for (Timer& timer : timers_)
        if (timer.due <= now && Matches(timer.window, WM_TIMER, filter, filterMin, filterMax) &&
            (due == nullptr || timer.due < due->due))
            due = &timer;
    if (due == nullptr) return false;
    message =
        MSG{due->window, WM_TIMER, due->id, reinterpret_cast<LPARAM>(due->procedure), GetTickCount(), {0, 0}};
    if (remove) due->due = now + due->interval;
    return true;
}

bool ThreadQueue::HasInput() {
    {
        std::lock_guard lock(mutex_);
        if (!posted_.empty() || quit_) return true;
    }
    return TimerTimeoutMs() == 0;
}

UINT_PTR ThreadQueue::SetTimer(HWND window, UINT_PTR id, UINT elapseMs, TIMERPROC procedure) {
    const UINT interval = std::clamp(elapseMs, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    const auto existing = std::find_if(timers_.begin(), timers_.end(),
                                       [&](const Timer& t) { return t.window == window && t.id == id; });
    if (existing == timers_.end() && window == nullptr) {
        auto inUse = [&](UINT_PTR candidate) {
            return std::any_of(timers_.begin(), timers_.end(),
                               [&](const Timer& t) { return t.window == nullptr && t.id == candidate; });
        };
        do {
            id = nextThreadTimerId_++;
            if (nextThreadTimerId_ == 0) nextThreadTimerId_ = kFirstGeneratedTimerId;
        } while (id == 0 || inUse(id));
    }
    const Timer timer{window, id, interval, procedure, NowMs() + interval};
    if (existing != timers_.end())
        *existing = timer;
    else
        timers_.push_back(timer);
    return id;
}

bool ThreadQueue::KillTimer(HWND window, UINT_PTR id) {
    const auto found = std::find_if(timers_.begin(), timers_.end(),
                                    [&](const Timer& t) { return t.window == window && t.id == id; });
    if (found == timers_.end()) return false;
    timers_.erase(found);
    return true;
}

void ThreadQueue::KillWindowTimers(HWND window) {
    std::erase_if(timers_, [&](const Timer& t) { return t.window == window; });
}

int ThreadQueue::TimerTimeoutMs() const {
    if (timers_.empty()) return -1;
    const std::uint64_t now = NowMs();
    std::uint64_t nearest = UINT64_MAX;
    for (const Timer& timer : timers_)
        nearest = std::min(nearest, timer.due);
    if (nearest <= now) return 0;
    return static_cast<int>(std::min<std::uint64_t>(nearest - now, INT32_MAX));
}

void ThreadQueue::Watch(int fd, std::uint32_t epollEvents, DescriptorCallback callback) {
    epoll_event event{};
    event.events = epollEvents;
    event.data.fd = fd;
    const bool known = watches_.count(fd) != 0;
    watches_[fd] = std::make_shared<DescriptorCallback>(std::move(callback));
    if (epoll_ctl(epoll_, known ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, fd, &event) != 0 && known)
        epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event);
}

void ThreadQueue::Unwatch(int fd) {
    if (watches_.erase(fd) == 0) return;
    epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
}

void ThreadQueue::PollDescriptors() {
    {
        std::lock_guard lock(mutex_);
        if (!posted_.empty() && std::chrono::steady_clock::now() - lastPolled_ < kBusyPollInterval) return;
    }
    Wait(0);
}

void ThreadQueue::Wait(int timeoutMs) {
    epoll_event events[32];
    int count;
    do {
        count = epoll_wait(epoll_, events, 32, timeoutMs);
    } while (count < 0 && errno == EINTR);
    lastPolled_ = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        if (events[i].data.fd == signal_) continue;
        // A callback may unwatch this or any other descriptor, so look each one up afresh.
        const auto found = watches_.find(events[i].data.fd);
        if (found == watches_.end()) continue;
        const std::shared_ptr<DescriptorCallback> callback = found->second;
        (*callback)(events[i].events);
    }
}

} // namespace detail


BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<detail::ThreadQueue> queue =
        window == nullptr ? detail::ThreadQueue::Current() : detail::QueueOfWindow(window);
    if (!queue) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    queue->Post(MSG{window, message, wParam, lParam, GetTickCount(), {0, 0}});
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    detail::ThreadQueue::Current()->Quit(exitCode);
}

BOOL PeekMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    auto& queue = *detail::ThreadQueue::Current();
    queue.PollDescriptors();
    return queue.Take(*message, window, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL GetMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax) {
    const HWND threadOnly = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));
    if (window != nullptr && window != threadOnly && !IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    auto& queue = *detail::ThreadQueue::Current();
    queue.PollDescriptors();
    while (!queue.Take(*message, window, filterMin, filterMax, true))
        queue.Wait(queue.TimerTimeoutMs());
    return message->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG* message) {
    // No keyboard layout exists, so no character messages are made; key messages count as translated.
    switch (message->message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT DispatchMessageA(const MSG* message) {
    try {
        if (message->message == WM_TIMER && message->lParam != 0) {
            reinterpret_cast<TIMERPROC>(message->lParam)(message->hwnd, WM_TIMER, message->wParam,
                                                         GetTickCount());
            return 0;
        }
        if (message->hwnd == nullptr || !IsWindow(message->hwnd)) return 0;
        return SendMessageA(message->hwnd, message->message, message->wParam, message->lParam);
    } catch (...) {
        detail::ReportEscapedException(std::current_exception());
        return 0;
    }
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE*, BOOL, DWORD timeoutMs, DWORD) {
    if (count != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    auto& queue = *detail::ThreadQueue::Current();
    const std::uint64_t start = detail::NowMs();
    for (;;) {
        queue.Wait(0);
        if (queue.HasInput()) return WAIT_OBJECT_0;
        int wait = queue.TimerTimeoutMs();
        if (timeoutMs != INFINITE) {
            const std::uint64_t elapsed = detail::NowMs() - start;
            if (elapsed >= timeoutMs) return WAIT_TIMEOUT;
            const int left = static_cast<int>(timeoutMs - elapsed);
            wait = wait < 0 ? left : std::min(wait, left);
        }
        queue.Wait(wait);
    }
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapseMs, TIMERPROC procedure) {
    if (window != nullptr && !IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const UINT_PTR result = detail::ThreadQueue::Current()->SetTimer(window, id, elapseMs, procedure);
    return window != nullptr && result == 0 ? 1 : result; // a window timer of id 0 still reports success
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    if (detail::ThreadQueue::Current()->KillTimer(window, id)) return TRUE;
    SetLastError(ERROR_TIMER_NOT_FOUND);
    return FALSE;
}

int MessageLoopDescriptor() {
    return detail::ThreadQueue::Current()->descriptor();
}

int MessageLoopTimeoutMs() {
    return detail::ThreadQueue::Current()->TimerTimeoutMs();
}

bool DispatchReadyMessages(int* exitCode) {
    // Bounded, so a handler that keeps posting cannot starve the toolkit; the descriptor stays
    // readable and the toolkit calls again.
    constexpr int kMaxMessagesPerCall = 256;
    MSG message{};
    for (int handled = 0; handled < kMaxMessagesPerCall && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
         ++handled) {
        if (message.message == WM_QUIT) {
            if (exitCode != nullptr) *exitCode = static_cast<int>(message.wParam);
            return true;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return false;
}

} // namespace win
