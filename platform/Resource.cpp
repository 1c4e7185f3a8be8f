#include "platform/Resource.h"

#include "platform/CodePage.h"
#include "platform/ModuleInternal.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace win {
namespace {

// A resource name or type: a number, or a text compared ignoring letter case.
struct Key {
    const char* text = nullptr;
    std::uint32_t number = 0;

    explicit Key(LPCSTR name) {
        if (IS_INTRESOURCE(name)) {
            number = static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(name));
        } else if (name[0] == '#') {
            number = static_cast<std::uint32_t>(std::strtoul(name + 1, nullptr, 10));
        } else {
            text = name;
        }
    }
    bool Matches(const char* entryText, std::uint32_t entryNumber) const {
        if (text != nullptr) return entryText != nullptr && strcasecmp(entryText, text) == 0;
        return entryText == nullptr && entryNumber == number;
    }
};

const ResourceEntry* Find(HMODULE module, LPCSTR name, LPCSTR type) {
    const ResourceDirectory* directory = detail::ResourcesOf(module);
    if (directory == nullptr) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    const Key nameKey(name);
    const Key typeKey(type);
    bool typeSeen = false;
    for (std::uint32_t i = 0; i < directory->count; ++i) {
        const ResourceEntry& entry = directory->entries[i];
        if (!typeKey.Matches(nullptr, entry.type)) continue;
        typeSeen = true;
        if (nameKey.Matches(entry.name, entry.id)) return &entry;
    }
    SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

} // namespace

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    if (name == nullptr || type == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(Find(module, name, type)));
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
    if (resource == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return const_cast<unsigned char*>(reinterpret_cast<const ResourceEntry*>(resource)->data);
}

void* LockResource(HGLOBAL data) {
    return data;
}

DWORD SizeofResource(HMODULE, HRSRC resource) {
    return resource ? reinterpret_cast<const ResourceEntry*>(resource)->size : 0;
}

BOOL FreeResource(HGLOBAL) {
    return FALSE;
}

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax) {
    if (buffer == nullptr || bufferMax <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    buffer[0] = '\0';
    // String tables are blocks of 16 length-prefixed UTF-16 strings; block n holds ids 16(n-1) to 16n-1.
    const ResourceEntry* block =
        Find(instance, MAKEINTRESOURCEA(static_cast<WORD>((id >> 4) + 1)), RT_STRING);
    if (block == nullptr) return 0;
    std::size_t offset = 0;
    for (UINT index = 0;; ++index) {
        if (offset + 2 > block->size) return 0;
        const std::size_t length = block->data[offset] | (block->data[offset + 1] << 8);
        offset += 2;
        if (offset + 2 * length > block->size) return 0;
        if (index == (id & 15)) {
            if (length == 0) return 0;
            std::u16string text(length, u'\0');
            for (std::size_t i = 0; i < length; ++i)
                text[i] = static_cast<char16_t>(block->data[offset + 2 * i] |
                                                (block->data[offset + 2 * i + 1] << 8));
            const std::string ansi = WideToAnsi(text);
            const std::size_t copied = AnsiPrefixLength(ansi, static_cast<std::size_t>(bufferMax - 1));
            std::memcpy(buffer, ansi.data(), copied);
            buffer[copied] = '\0';
            return static_cast<int>(copied);
        }
        offset += 2 * length;
    }
}

} // namespace win
