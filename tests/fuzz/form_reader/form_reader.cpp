// The form-description reader on arbitrary text: it builds the components or raises EReadError,
// never anything else.
#include "fuzz/FuzzForm.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::RegisterClasses();
    fuzz::TFuzzForm form(nullptr);
    try {
        gui::ReadComponent(form, std::string(reinterpret_cast<const char*>(data), size));
    } catch (const gui::EReadError&) {
        // A malformed description is refused.
    }
    return 0;
}
