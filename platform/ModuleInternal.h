// Internal: the resources of a module.
#pragma once

#include "platform/ResourceDirectory.h"
#include "platform/WinTypes.h"

#include <string>

namespace win::detail {

// nullptr when the module has no resources or does not exist; NULL is the program's module.
const ResourceDirectory* ResourcesOf(HMODULE module);

// The folder of the running program, without trailing separator.
std::string ProgramFolder();

} // namespace win::detail
