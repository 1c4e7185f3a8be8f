// The Qt 6 backend: draws the model's controls with Qt widgets, runs the platform's message
// queue inside Qt's event loop, and shows the dialogs as modal message boxes.
#pragma once

#include "gui/Dialogs.h"
#include "gui/Forms.h"

#include <memory>

class QApplication;

namespace gui::qt {

// While it lives, Qt is the backend of gui::Application(): its run loop, its dialog provider and
// the display of exceptions. `argc` and `argv` must outlive it, as Qt keeps them.
class TBackend {
public:
    TBackend(int& argc, char** argv);
    ~TBackend();
    TBackend(const TBackend&) = delete;
    TBackend& operator=(const TBackend&) = delete;

private:
    std::unique_ptr<QApplication> application_;
    std::unique_ptr<TDialogProvider> dialogs_;
    TDialogProvider* previousDialogs_;
};

// Gives the form and each of its controls a widget at its place, shown when the form is visible.
void ShowForm(TCustomForm& form);

} // namespace gui::qt
