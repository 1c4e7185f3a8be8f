// A hidden window that records every message its procedure receives.
#pragma once

#include "platform/MessageLoop.h"

#include <functional>
#include <vector>

namespace test {

using win::LPARAM;
using win::UINT;
using win::WPARAM;

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Received&) const = default;
};

class RecordingWindow {
public:
    RecordingWindow();
    ~RecordingWindow();
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;

    win::HWND handle() const { return handle_; }
    // Messages at or above WM_USER, and WM_TIMER, in the order they arrived.
    const std::vector<Received>& received() const { return received_; }
    void clear() { received_.clear(); }
    // Runs inside the procedure for every recorded message.
    std::function<void(const Received&)> onMessage;

private:
    static win::LRESULT Procedure(win::HWND window, win::UINT message, win::WPARAM wParam,
                                  win::LPARAM lParam);

    win::HWND handle_ = nullptr;
    std::vector<Received> received_;
};

// Retrieves and dispatches messages until none is waiting; returns how many were handled.
int DrainMessages();

} // namespace test

using win::LPARAM;
using win::UINT;
using win::WPARAM;
