#include "platform/Window.h"

#include "platform/ThreadQueue.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace win {
namespace {

std::string Folded(LPCSTR name) {
    std::string folded(name);
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 0x20 : c); });
    return folded;
}

struct WindowClass {
    WNDCLASSA definition;
    std::string name;
    ATOM atom;
    int windows = 0;
};

struct WindowData {
    std::shared_ptr<WindowClass> windowClass;
    std::shared_ptr<detail::ThreadQueue> queue;
    WNDPROC procedure;
    std::vector<unsigned char> extra;
    LONG_PTR userData = 0;
    LONG_PTR id = 0;
    HINSTANCE instance;
    HWND parent;
    DWORD style;
    DWORD exStyle;
    std::string text;
};

class Registry {
public:
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<WindowClass>> classes;
    std::unordered_map<HWND, std::shared_ptr<WindowData>> windows;
    ATOM nextAtom = 0xC000;
    std::uintptr_t nextHandle = 0x00010000;

    HWND NewHandle() {
        do {
            nextHandle += 2;
            if (nextHandle > 0x7FFFFFFE) nextHandle = 0x00010002;
        } while (windows.count(reinterpret_cast<HWND>(nextHandle)) != 0);
        return reinterpret_cast<HWND>(nextHandle);
    }
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

// With the registry locked; null, and ERROR_CLASS_DOES_NOT_EXIST, when no such class is registered.
std::shared_ptr<WindowClass> FindClassLocked(Registry& registry, LPCSTR className) {
    const auto found = className ? registry.classes.find(Folded(className)) : registry.classes.end();
    if (found != registry.classes.end()) return found->second;
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return nullptr;
}

std::shared_ptr<WindowData> Find(HWND window) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    const auto found = registry.windows.find(window);
    return found == registry.windows.end() ? nullptr : found->second;
}

std::shared_ptr<WindowData> FindOrFail(HWND window) {
    auto data = Find(window);
    if (!data) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return data;
}

} // namespace

namespace detail {

std::shared_ptr<ThreadQueue> QueueOfWindow(HWND window) {
    const auto data = Find(window);
    return data ? data->queue : nullptr;
}

} // namespace detail

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr ||
        windowClass->lpfnWndProc == nullptr || windowClass->cbWndExtra < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    const std::string key = Folded(windowClass->lpszClassName);
    if (registry.classes.count(key) != 0) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto entry = std::make_shared<WindowClass>();
    entry->definition = *windowClass;
    entry->name = windowClass->lpszClassName;
    entry->definition.lpszClassName = entry->name.c_str();
    entry->definition.lpszMenuName = nullptr;
    entry->atom = registry.nextAtom++;
    registry.classes.emplace(key, entry);
    return entry->atom;
}

bool EnsureClassRegistered(const WNDCLASSA& windowClass) {
    return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    const auto windowClass = FindClassLocked(registry, className);
    if (!windowClass) return FALSE;
    if (windowClass->windows > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    registry.classes.erase(Folded(className));
    return TRUE;
}

BOOL GetClassInfoA(HINSTANCE, LPCSTR className, WNDCLASSA* windowClass) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    const auto found = FindClassLocked(registry, className);
    if (!found) return FALSE;
    *windowClass = found->definition;
    return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, void* param) {
    Registry& registry = TheRegistry();
    HWND handle;
    {
        std::lock_guard lock(registry.mutex);
        const auto found = className ? registry.classes.find(Folded(className)) : registry.classes.end();
        if (found == registry.classes.end()) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        if (parent != nullptr && parent != HWND_MESSAGE && registry.windows.count(parent) == 0) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        auto data = std::make_shared<WindowData>();
        data->windowClass = found->second;
        data->queue = detail::ThreadQueue::Current();
        data->procedure = found->second->definition.lpfnWndProc;
        data->extra.assign(static_cast<std::size_t>(found->second->definition.cbWndExtra), 0);
        data->instance = instance;
        data->parent = parent == HWND_MESSAGE ? nullptr : parent;
        data->style = style;
        data->exStyle = exStyle;
        data->text = windowName ? windowName : "";
        if (style & WS_CHILD) data->id = reinterpret_cast<LONG_PTR>(menu);
        ++found->second->windows;
        handle = registry.NewHandle();
        registry.windows.emplace(handle, std::move(data));
    }
    CREATESTRUCTA create{param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
                         windowName, className, exStyle};
    if (SendMessageA(handle, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) == 0 ||
        SendMessageA(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(handle);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return handle;
}

BOOL DestroyWindow(HWND window) {
    if (!FindOrFail(window)) return FALSE;
    SendMessageA(window, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    {
        Registry& registry = TheRegistry();
        std::lock_guard lock(registry.mutex);
        for (const auto& [handle, data] : registry.windows)
            if (data->parent == window) children.push_back(handle);
    }
    for (HWND child : children)
        DestroyWindow(child);
    SendMessageA(window, WM_NCDESTROY, 0, 0);
    const auto data = Find(window);
    if (!data) return TRUE; // destroyed again from inside its own WM_DESTROY
    data->queue->KillWindowTimers(window);
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    --data->windowClass->windows;
    registry.windows.erase(window);
    return TRUE;
}

BOOL IsWindow(HWND window) {
    return Find(window) ? TRUE : FALSE;
}

HWND GetParent(HWND window) {
    const auto data = FindOrFail(window);
    return data ? data->parent : nullptr;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_SETTEXT:
        return SetWindowTextA(window, reinterpret_cast<LPCSTR>(lParam));
    case WM_GETTEXT:
        return GetWindowTextA(window, reinterpret_cast<LPSTR>(lParam), static_cast<int>(wParam));
    case WM_GETTEXTLENGTH: {
        const auto data = Find(window);
        return data ? static_cast<LRESULT>(data->text.size()) : 0;
    }
    default:
        return 0;
    }
}

LRESULT CallWindowProcA(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return procedure ? procedure(window, message, wParam, lParam) : 0;
}

LONG_PTR GetWindowLongPtrA(HWND window, int index) {
    const auto data = FindOrFail(window);
    if (!data) return 0;
    switch (index) {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(data->procedure);
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(data->instance);
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(data->parent);
    case GWLP_ID:
        return data->id;
    case GWL_STYLE:
        return static_cast<LONG_PTR>(data->style);
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(data->exStyle);
    case GWLP_USERDATA:
        return data->userData;
    default:
        break;
    }
    if (index < 0 || static_cast<std::size_t>(index) + sizeof(LONG_PTR) > data->extra.size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    LONG_PTR value;
    std::memcpy(&value, data->extra.data() + index, sizeof value);
    return value;
}

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
    const auto data = FindOrFail(window);
    if (!data) return 0;
    const LONG_PTR previous = GetWindowLongPtrA(window, index);
    switch (index) {
    case GWLP_WNDPROC:
        if (value == 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        data->procedure = reinterpret_cast<WNDPROC>(value);
        return previous;
    case GWLP_HINSTANCE:
        data->instance = reinterpret_cast<HINSTANCE>(value);
        return previous;
    case GWLP_HWNDPARENT:
        data->parent = reinterpret_cast<HWND>(value);
        return previous;
    case GWLP_ID:
        data->id = value;
        return previous;
    case GWL_STYLE:
        data->style = static_cast<DWORD>(value);
        return previous;
    case GWL_EXSTYLE:
        data->exStyle = static_cast<DWORD>(value);
        return previous;
    case GWLP_USERDATA:
        data->userData = value;
        return previous;
    default:
        break;
    }
    if (index < 0 || static_cast<std::size_t>(index) + sizeof(LONG_PTR) > data->extra.size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::memcpy(data->extra.data() + index, &value, sizeof value);
    return previous;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    const auto data = FindOrFail(window);
    if (!data) return FALSE;
    data->text = text ? text : "";
    return TRUE;
}

int GetWindowTextA(HWND window, LPSTR text, int maxCount) {
    const auto data = FindOrFail(window);
    if (!data || text == nullptr || maxCount <= 0) return 0;
    const std::size_t length = std::min(data->text.size(), static_cast<std::size_t>(maxCount - 1));
    std::memcpy(text, data->text.data(), length);
    text[length] = '\0';
    return static_cast<int>(length);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto data = Find(window);
    if (!data) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return data->procedure(window, message, wParam, lParam);
}

LRESULT SendMessageTimeoutA(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT, UINT,
                            DWORD_PTR* result) {
    if (!FindOrFail(window)) return 0;
    const LRESULT answer = SendMessageA(window, message, wParam, lParam);
    if (result != nullptr) *result = static_cast<DWORD_PTR>(answer);
    return 1;
}

} // namespace win
