#include "port/StringResource.h"

#include "platform/CodePage.h"
#include "platform/Resource.h"
#include "port/PortErrors.h"

#include <cstring>
#include <optional>

namespace port {
namespace {

constexpr char kMagic[4] = {'S', 'T', 'R', '0'};

enum TReaderMessage { kStringNotFound = 1, kCannotLock, kResourceNotFound, kCannotOpen, kInvalid };

const TStringResource* openedManager = nullptr;

// The reader's message from its own table; the built-in copy serves while that table itself is
// being opened or could not be.
std::string ReaderMessage(TReaderMessage message) {
    static const char* const kBuiltIn[] = {"",
                                           "String not found: %d",
                                           "Cannot lock resource",
                                           "String resource not found: %s",
                                           "Unable to open string resource: %s",
                                           "Invalid string resource"};
    if (openedManager != nullptr) {
        const std::string text = ManagerStrings().TextById(message);
        if (!text.empty()) return text;
    }
    return kBuiltIn[message];
}

} // namespace

std::int32_t TStr0Table::Read(std::size_t offset) const {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | bytes_[offset + static_cast<std::size_t>(i)];
    return static_cast<std::int32_t>(value);
}

bool TStr0Table::HasMagic() const {
    return size_ >= sizeof kMagic && std::memcmp(bytes_, kMagic, sizeof kMagic) == 0;
}

bool TStr0Table::IsWellFormed() const {
    if (!HasMagic() || size_ < kHeaderSize) return false;
    const std::int32_t count = Count();
    if (count < 0 || static_cast<std::uint64_t>(count) > (size_ - kHeaderSize) / kEntrySize) return false;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::size_t entry = kHeaderSize + kEntrySize * static_cast<std::size_t>(i);
        const auto offset = static_cast<std::uint32_t>(Read(entry + 4));
        const auto length = static_cast<std::uint32_t>(Read(entry + 8));
        if (offset > size_ || length > (size_ - offset) / 2) return false;
        if (i > 0 && Id(i) <= Id(i - 1)) return false;
    }
    return true;
}

std::u16string TStr0Table::Text(std::int32_t index) const {
    const std::size_t entry = kHeaderSize + kEntrySize * static_cast<std::size_t>(index);
    const auto offset = static_cast<std::size_t>(static_cast<std::uint32_t>(Read(entry + 4)));
    const auto length = static_cast<std::size_t>(static_cast<std::uint32_t>(Read(entry + 8)));
    std::u16string text(length, u'\0');
    for (std::size_t i = 0; i < length; ++i)
        text[i] = static_cast<char16_t>(bytes_[offset + 2 * i] | bytes_[offset + 2 * i + 1] << 8);
    return text;
}

std::int32_t TStr0Table::Find(std::int32_t id) const {
    std::int32_t low = 0;
    std::int32_t high = Count() - 1;
    while (low <= high) {
        const std::int32_t middle = low + (high - low) / 2;
        const std::int32_t found = Id(middle);
        if (found == id) return middle;
        if (found < id)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return -1;
}

template <typename Use> auto TStringResource::Locked(Use use) {
    struct TUnlocker {
        TStringResource& table;
        ~TUnlocker() { table.locked_ = nullptr; }
    } unlocker{*this};
    return use(TStr0Table(Lock(), size_));
}

TStringResource::TStringResource(win::HMODULE instance, const std::string& resourceName) {
    Open(instance, resourceName);
}

TStringResource::~TStringResource() {
    Close();
}

void TStringResource::Open(win::HMODULE instance, const std::string& resourceName) {
    Close();
    if (resourceName.empty()) return;
    const std::string name = resourceName.substr(0, 255);
    win::HMODULE module = instance;
    win::HRSRC resource = win::FindResourceA(module, name.c_str(), win::RT_RCDATA);
    if (resource == nullptr && module != nullptr) {
        module = nullptr;
        resource = win::FindResourceA(module, name.c_str(), win::RT_RCDATA);
    }
    if (resource == nullptr) throw EStringResourceError(FillIn(ReaderMessage(kResourceNotFound), name));
    const win::HGLOBAL loaded = win::LoadResource(module, resource);
    if (loaded == nullptr) throw EStringResourceError(FillIn(ReaderMessage(kCannotOpen), name));
    module_ = module;
    resource_ = resource;
    loaded_ = loaded;
    size_ = win::SizeofResource(module, resource);
    if (!Locked([](const TStr0Table& table) { return table.IsWellFormed(); })) {
        Close();
        throw EStringResourceError(ReaderMessage(kInvalid));
    }
}

void TStringResource::Close() {
    locked_ = nullptr;
    if (loaded_ != nullptr) win::FreeResource(loaded_);
    loaded_ = nullptr;
    resource_ = nullptr;
    module_ = nullptr;
    size_ = 0;
}

void* TStringResource::Lock() {
    void* bytes = loaded_ == nullptr ? nullptr : win::LockResource(loaded_);
    if (bytes == nullptr) throw EStringResourceError(ReaderMessage(kCannotLock));
    locked_ = bytes;
    return bytes;
}

std::string TStringResource::TextById(std::int32_t id) {
    const std::optional<std::u16string> found = Locked([id](const TStr0Table& table) {
        const std::int32_t index = table.Find(id);
        return index < 0 ? std::nullopt : std::optional(table.Text(index));
    });
    if (!found) {
        if (RaiseOnMissing)
            throw EStringResourceError(FillIn(ReaderMessage(kStringNotFound), std::to_string(id)));
        return {};
    }
    const std::u16string& text = *found;
    if (text.empty()) return {};
    const auto* wide = reinterpret_cast<win::LPCWSTR>(text.data());
    const int length = static_cast<int>(text.size());
    const int size = win::WideCharToMultiByte(win::CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string converted(static_cast<std::size_t>(size), '\0');
    win::WideCharToMultiByte(win::CP_ACP, 0, wide, length, converted.data(), size, nullptr, nullptr);
    return converted;
}

TStringResource& ManagerStrings() {
    static TStringResource strings(nullptr, "STRRES_STRINGS");
    openedManager = &strings;
    return strings;
}

std::string FillIn(const std::string& pattern, const std::string& value) {
    for (std::size_t at = pattern.find('%'); at != std::string::npos; at = pattern.find('%', at + 1))
        if (at + 1 < pattern.size() && (pattern[at + 1] == 's' || pattern[at + 1] == 'd'))
            return pattern.substr(0, at) + value + pattern.substr(at + 2);
    return pattern;
}

} // namespace port
