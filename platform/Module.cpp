#include "platform/Module.h"

#include "platform/ModuleInternal.h"
#include "platform/Path.h"
#include "platform/WinsockInternal.h"

#include <algorithm>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <list>
#include <mutex>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace win {
namespace {

struct Module {
    enum class Kind { Program, Builtin, SharedObject } kind;
    std::string name; // upper-case base name without extension
    std::string path;
    void* library = nullptr;
    const std::vector<std::pair<std::string, FARPROC>>* exports = nullptr;
    int references = 0;
};

std::string BaseName(std::string_view name) {
    const std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string_view::npos) name = name.substr(0, dot);
    std::string upper(name);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 0x20 : c); });
    return upper;
}

std::string ReadProgramPath() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

class Modules {
public:
    std::recursive_mutex mutex;
    Module program{Module::Kind::Program, "", ReadProgramPath()};
    std::list<Module> loaded; // stable addresses: the handles point at the elements
    std::set<std::string> absent;

    Module* Find(HMODULE handle) {
        if (handle == nullptr) return &program;
        auto* wanted = reinterpret_cast<Module*>(handle);
        if (wanted == &program) return &program;
        const auto found =
            std::find_if(loaded.begin(), loaded.end(), [&](const Module& m) { return &m == wanted; });
        return found == loaded.end() ? nullptr : &*found;
    }
};

Modules& TheModules() {
    static Modules modules;
    return modules;
}

const std::vector<std::pair<std::string, FARPROC>>* BuiltinExports(const std::string& baseName) {
    if (baseName == "WSOCK32") return &detail::WinsockExports();
    return nullptr;
}

bool IsFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string LocateSharedObject(const std::string& fileName) {
    std::string name = NativePath(fileName);
    const std::size_t slash = name.find_last_of('/');
    if (name.find('.', slash == std::string::npos ? 0 : slash) == std::string::npos) name += ".dll";
    if (name.find('/') != std::string::npos) return IsFile(name) ? name : std::string();
    for (const std::string& folder : {detail::ProgramFolder(), std::string(".")}) {
        const std::string candidate = folder + "/" + name;
        if (IsFile(candidate)) return candidate;
    }
    return {};
}

} // namespace

namespace detail {

std::string ProgramFolder() {
    const std::string& path = TheModules().program.path;
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

const ResourceDirectory* ResourcesOf(HMODULE handle) {
    Modules& modules = TheModules();
    std::lock_guard lock(modules.mutex);
    Module* module = modules.Find(handle);
    if (module == nullptr) return nullptr;
    void* symbol = nullptr;
    if (module->kind == Module::Kind::Program) {
        void* self = dlopen(nullptr, RTLD_NOW);
        symbol = self ? dlsym(self, kResourceDirectorySymbol) : nullptr;
    } else if (module->kind == Module::Kind::SharedObject) {
        symbol = dlsym(module->library, kResourceDirectorySymbol);
    }
    const auto* directory = static_cast<const ResourceDirectory*>(symbol);
    return directory != nullptr && directory->magic == kResourceDirectoryMagic ? directory : nullptr;
}

} // namespace detail

HMODULE LoadLibraryA(LPCSTR fileName) {
    if (fileName == nullptr || *fileName == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Modules& modules = TheModules();
    std::lock_guard lock(modules.mutex);
    const std::string baseName = BaseName(fileName);
    if (modules.absent.count(baseName) != 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const bool hasFolder = std::strpbrk(fileName, "/\\") != nullptr;
    const auto* exports = hasFolder ? nullptr : BuiltinExports(baseName);
    const std::string path = exports ? std::string() : LocateSharedObject(fileName);
    for (Module& module : modules.loaded) {
        if ((exports && module.kind == Module::Kind::Builtin && module.name == baseName) ||
            (!exports && module.kind == Module::Kind::SharedObject && module.path == path && !path.empty())) {
            ++module.references;
            return reinterpret_cast<HMODULE>(&module);
        }
    }
    if (exports) {
        modules.loaded.push_back(
            Module{Module::Kind::Builtin, baseName, baseName + ".DLL", nullptr, exports, 1});
        return reinterpret_cast<HMODULE>(&modules.loaded.back());
    }
    if (path.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        SetLastError(ERROR_BAD_FORMAT);
        return nullptr;
    }
    char resolved[4096];
    const std::string fullPath = realpath(path.c_str(), resolved) ? std::string(resolved) : path;
    modules.loaded.push_back(Module{Module::Kind::SharedObject, baseName, fullPath, library, nullptr, 1});
    return reinterpret_cast<HMODULE>(&modules.loaded.back());
}

BOOL FreeLibrary(HMODULE handle) {
    Modules& modules = TheModules();
    std::lock_guard lock(modules.mutex);
    Module* module = handle ? modules.Find(handle) : nullptr;
    if (module == nullptr || module->kind == Module::Kind::Program) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--module->references > 0) return TRUE;
    if (module->library != nullptr) dlclose(module->library);
    modules.loaded.remove_if([&](const Module& m) { return &m == module; });
    return TRUE;
}

FARPROC GetProcAddress(HMODULE handle, LPCSTR procedureName) {
    Modules& modules = TheModules();
    std::lock_guard lock(modules.mutex);
    Module* module = modules.Find(handle);
    if (module == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (procedureName == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    if (module->kind == Module::Kind::Builtin) {
        const auto found = std::find_if(module->exports->begin(), module->exports->end(),
                                        [&](const auto& entry) { return entry.first == procedureName; });
        if (found != module->exports->end()) return found->second;
    } else {
        void* library = module->kind == Module::Kind::Program ? dlopen(nullptr, RTLD_NOW) : module->library;
        if (void* symbol = library ? dlsym(library, procedureName) : nullptr)
            return reinterpret_cast<FARPROC>(symbol);
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    Modules& modules = TheModules();
    std::lock_guard lock(modules.mutex);
    if (moduleName == nullptr) return reinterpret_cast<HMODULE>(&modules.program);
    const std::string baseName = BaseName(moduleName);
    for (Module& module : modules.loaded)
        if (module.name == baseName) return reinterpret_cast<HMODULE>(&module);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

DWORD GetModuleFileNameA(HMODULE handle, LPSTR fileName, DWORD size) {
    Modules& modules = TheModules();
    std::lock_guard lock(modules.mutex);
    const Module* module = modules.Find(handle);
    if (module == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (fileName == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const std::string& path = module->path;
    if (path.size() >= size) {
        std::memcpy(fileName, path.data(), size - 1);
        fileName[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(fileName, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

void SetModuleAbsent(LPCSTR moduleName, bool absent) {
    Modules& modules = TheModules();
    std::lock_guard lock(modules.mutex);
    if (absent)
        modules.absent.insert(BaseName(moduleName));
    else
        modules.absent.erase(BaseName(moduleName));
}

} // namespace win
