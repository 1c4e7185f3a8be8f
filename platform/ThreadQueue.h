// Internal: the message queue of one thread and its epoll wait.
#pragma once

#include "platform/MessageLoop.h"

#include <cstdint>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

namespace win::detail {

// Milliseconds of the monotonic clock, without wrap.
std::uint64_t NowMs();

class ThreadQueue {
public:
    using DescriptorCallback = std::function<void(std::uint32_t epollEvents)>;

    ThreadQueue();
    ~ThreadQueue();
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    // The queue of the calling thread, created on first use.
    static const std::shared_ptr<ThreadQueue>& Current();

    // Thread-safe.
    void Post(const MSG& message);
    void Quit(int exitCode);
    // Drops the posted messages to `window` with this message and wParam.
    void Discard(HWND window, UINT message, WPARAM wParam);

    // Owner thread only from here on.
    bool Take(MSG& message, HWND filter, UINT filterMin, UINT filterMax, bool remove);
    bool HasInput();

    UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapseMs, TIMERPROC procedure);
    bool KillTimer(HWND window, UINT_PTR id);
    void KillWindowTimers(HWND window);
    // -1 when no timer runs.
    int TimerTimeoutMs() const;

    // Level-triggered watch of a descriptor; the callback runs inside Wait on the owner thread.
    void Watch(int fd, std::uint32_t epollEvents, DescriptorCallback callback);
    void Unwatch(int fd);

    // Waits up to `timeoutMs` (-1: no limit) for the queue's signal or a watched descriptor and runs
    // the callbacks of the descriptors that are ready.
    void Wait(int timeoutMs);
    // Wait(0), except while posted messages wait and the descriptors were polled less than
    // kBusyPollInterval ago: a busy queue would otherwise pay a system call for every message.
    void PollDescriptors();
    static constexpr std::chrono::microseconds kBusyPollInterval{1000};

    int descriptor() const { return epoll_; }

private:
    struct Timer {
        HWND window;
        UINT_PTR id;
        UINT interval;
        TIMERPROC procedure;
        std::uint64_t due;
    };

    void SyncSignalLocked();
    static bool Matches(HWND window, UINT message, HWND filter, UINT filterMin, UINT filterMax);

    int epoll_ = -1;
    int signal_ = -1;

    std::mutex mutex_; // guards posted_, quit_, signalled_
    std::deque<MSG> posted_;
    std::chrono::steady_clock::time_point lastPolled_{};
    std::optional<int> quit_;
    bool signalled_ = false;

    std::vector<Timer> timers_;
    // Generated thread-timer ids stay clear of the small ids programs name themselves, as on
    // Windows, so that naming one never replaces another's timer.
    static constexpr UINT_PTR kFirstGeneratedTimerId = 0x8000;
    UINT_PTR nextThreadTimerId_ = kFirstGeneratedTimerId;
    std::unordered_map<int, std::shared_ptr<DescriptorCallback>> watches_;
};

// The queue of the thread that owns `window`; null when the window does not exist.
std::shared_ptr<ThreadQueue> QueueOfWindow(HWND window);

} // namespace win::detail
