// Message tables: resources in the "STR0" format, an id-sorted array of entries with UTF-16 texts,
// looked up by id and converted to the ANSI code page.
#pragma once

#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace port {

// The bytes of a table: "STR0", the entry count, then per entry its id, the offset of its text
// from the start and the text's length in UTF-16 code units, all 32-bit little-endian.
class TStr0Table {
public:
    static constexpr std::size_t kHeaderSize = 8;
    static constexpr std::size_t kEntrySize = 12;

    TStr0Table(const void* bytes, std::size_t size)
        : bytes_(static_cast<const unsigned char*>(bytes)), size_(size) {}

    bool HasMagic() const;
    // Magic, count and every entry's text inside the bytes.
    bool IsWellFormed() const;
    std::int32_t Count() const { return Read(4); }
    std::int32_t Id(std::int32_t index) const { return Read(kHeaderSize + kEntrySize * index); }
    std::u16string Text(std::int32_t index) const;
    // Binary search; -1 when no entry has the id.
    std::int32_t Find(std::int32_t id) const;

private:
    std::int32_t Read(std::size_t offset) const;

    const unsigned char* bytes_;
    std::size_t size_;
};

// One message table, an RCDATA resource of a module; its bytes are locked only during a lookup.
class TStringResource {
public:
    // Opens the resource; raises EStringResourceError when it is missing or malformed.
    TStringResource(win::HMODULE instance, const std::string& resourceName);
    ~TStringResource();
    TStringResource(const TStringResource&) = delete;
    TStringResource& operator=(const TStringResource&) = delete;

    // Looks the resource up in `instance`, then in the program's own module. An empty name leaves
    // the table closed.
    void Open(win::HMODULE instance, const std::string& resourceName);
    void Close();
    // The text in the ANSI code page; empty for a missing id unless RaiseOnMissing.
    std::string TextById(std::int32_t id);

    bool RaiseOnMissing = false;

private:
    void* Lock();
    // Runs `use` on the locked table and unlocks afterwards, also when it raises.
    template <typename Use> auto Locked(Use use);

    win::HMODULE module_ = nullptr;
    win::HRSRC resource_ = nullptr;
    win::HGLOBAL loaded_ = nullptr;
    std::size_t size_ = 0;
    const void* locked_ = nullptr;
};

// The reader's own messages, "STRRES_STRINGS" of the program.
TStringResource& ManagerStrings();

// The pattern with its first "%s" or "%d" replaced by `value`.
std::string FillIn(const std::string& pattern, const std::string& value);

} // namespace port
