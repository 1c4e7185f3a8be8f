// A window class of the fuzzers' own, for form descriptions to be read into, with the standard
// component classes registered.
#pragma once

#include "gui/FormReader.h"
#include "gui/Forms.h"

namespace fuzz {

class TFuzzForm : public gui::TForm {
    GUI_CLASS_INFO
public:
    using TForm::TForm;
};

inline const gui::TClassInfo& TFuzzForm::StaticClass() {
    static const gui::TClassInfo info = gui::TClassBuilder<TFuzzForm>("TFuzzForm", &TForm::StaticClass()).Build();
    return info;
}

inline void RegisterClasses() {
    static const bool registered = [] {
        gui::RegisterStandardClasses();
        return true;
    }();
    (void)registered;
}

} // namespace fuzz
