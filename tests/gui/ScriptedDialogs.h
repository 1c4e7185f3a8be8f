// A dialog provider that records every box and answers from a script.
#pragma once

#include "gui/Dialogs.h"
#include "support/Loopback.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace test {

class ScriptedDialogs : public gui::TDialogProvider {
public:
    ScriptedDialogs() : previous_(gui::SetDialogProvider(this)) {}
    ~ScriptedDialogs() override { gui::SetDialogProvider(previous_); }
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    // Answers for the next boxes; a box without a scripted answer gets its first button's.
    void Answer(gui::TModalResult result) { answers_.push_back(result); }
    // The answer to every box with this caption, before the scripted ones.
    void AnswerCaption(const std::string& caption, gui::TModalResult result) { byCaption_[caption] = result; }
    // Each box stays open this long, while messages go on being handled, as with a person.
    void StayOpenFor(int ms) { openMs_ = ms; }
    const std::vector<gui::TDialogRequest>& Shown() const { return shown_; }

    gui::TModalResult Show(const gui::TDialogRequest& request) override {
        shown_.push_back(request);
        if (openMs_ > 0) PumpFor(openMs_);
        if (const auto fixed = byCaption_.find(request.Caption); fixed != byCaption_.end()) return fixed->second;
        if (!answers_.empty()) {
            const gui::TModalResult answer = answers_.front();
            answers_.pop_front();
            return answer;
        }
        return request.Buttons.empty() ? gui::mrCancel : request.Buttons.front().Result;
    }

private:
    gui::TDialogProvider* previous_;
    std::deque<gui::TModalResult> answers_;
    std::map<std::string, gui::TModalResult> byCaption_;
    int openMs_ = 0;
    std::vector<gui::TDialogRequest> shown_;
};

} // namespace test
