// The native Windows backend: draws the model's controls with the system's own controls, runs the
// system's message loop, and shows the dialogs as the system's message boxes.
#pragma once

#include "gui/Dialogs.h"
#include "gui/Forms.h"

#include <memory>

namespace gui::win32 {

// While it lives, the system is the backend of gui::Application(): its run loop, its dialog
// provider and the display of exceptions.
class TBackend {
public:
    TBackend(int& argc, char** argv);
    ~TBackend();
    TBackend(const TBackend&) = delete;
    TBackend& operator=(const TBackend&) = delete;

private:
    std::unique_ptr<TDialogProvider> dialogs_;
    TDialogProvider* previousDialogs_;
};

// Gives the form and each of its controls a native window at its place, shown when the form is
// visible.
void ShowForm(TCustomForm& form);

// The native window of a control shown by ShowForm, for tests; nullptr for one without.
void* NativeWindow(const TControl& control);

} // namespace gui::win32
