#include "port/DispatchLog.h"

#include "port/Dispatcher.h"

#include "platform/Kernel.h"
#include "port/PortErrors.h"
#include "rtl/FileUtils.h"
#include "rtl/TextFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace port {
namespace {

constexpr int kBadArgument = -1002;
constexpr std::size_t kFileBuffer = 512;
constexpr int kLastColumn = 78;
constexpr int kLogDataColumn = 45;
constexpr std::uint32_t kTypeNames = 15001;
constexpr std::uint32_t kSubTypeNames = 15100;
constexpr std::uint32_t kHeadingNames = 15501;
constexpr std::uint32_t kModemBitNames = 15601;
constexpr std::uint32_t kTelnetOptionNames = 15700;
constexpr std::uint32_t kLastTelnetOption = 42;

// A text file for a trace or log that remembers the first I/O error of its writes.
class TRecordFile {
public:
    explicit TRecordFile(const std::string& fileName) : file_(fileName) { file_.SetBufferSize(kFileBuffer); }
    // Appends when asked and the file exists, else creates or truncates it; 0 or the I/O error.
    int Open(const std::string& fileName, bool append) {
        return append && rtl::FileExists(fileName) ? file_.Append() : file_.Rewrite();
    }
    void Write(std::string_view text) { Keep(file_.Write(text)); }
    void EndLine() { Keep(file_.WriteLn()); }
    // The negated first I/O error, or 0.
    int Close() {
        Keep(file_.Close());
        return -error_;
    }

private:
    void Keep(int code) {
        if (error_ == 0) error_ = code;
    }
    rtl::TTextFile file_;
    int error_ = 0;
};

// One byte as the files write it, and its width.
std::string ByteItem(std::uint8_t byte, TByteFormat format) {
    char text[8];
    const std::uint8_t lowest = format.InHex ? 0x21 : 0x20;
    if (format.AllHex || ((byte < lowest || byte > 0x7E) && format.InHex))
        std::snprintf(text, sizeof text, "[%02X]", byte);
    else if (byte < lowest || byte > 0x7E)
        std::snprintf(text, sizeof text, "[%u]", byte);
    else
        return std::string(1, static_cast<char>(byte));
    return text;
}

// Writes an item after moving the column; a line never reaches past column 78.
void WriteItem(TRecordFile& file, const std::string& item, int& column, int continuationIndent, int restart) {
    column += static_cast<int>(item.size());
    if (column > kLastColumn) {
        file.EndLine();
        file.Write(std::string(static_cast<std::size_t>(continuationIndent), ' '));
        column = static_cast<int>(item.size()) + restart;
    }
    file.Write(item);
}

std::string SectionHeading(char kind) {
    if (kind == 'R') return "Receive: ";
    if (kind == 'T') return "Transmit: ";
    return std::string("Special-") + kind + ": ";
}

std::string TimeText(std::uint32_t time) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%07u", time);
    std::string text = digits;
    text.insert(4, ".");
    return text;
}

std::string SystemDescription() {
    win::OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!win::GetVersionExA(&info)) return "Unknown";
    const char* platform = info.dwPlatformId == win::VER_PLATFORM_WIN32s          ? "Win32s on Windows "
                           : info.dwPlatformId == win::VER_PLATFORM_WIN32_WINDOWS ? "Win32 on Windows "
                           : info.dwPlatformId == win::VER_PLATFORM_WIN32_NT      ? "Windows NT "
                                                                                  : nullptr;
    if (platform == nullptr) return "Unknown";
    const std::string text = platform + std::to_string(info.dwMajorVersion) + "." +
                             std::to_string(info.dwMinorVersion) + " " + info.szCSDVersion;
    return text.substr(0, 80);
}

std::string StatusKindName(std::uint8_t kind) {
    static const char* const kNames[] = {"(Not active)",         "(Modem status)",       "(Line status)",
                                         "(Output buffer free)", "(Output buffer used)", "(Output sent)"};
    return kind < std::size(kNames) ? kNames[kind] : std::string();
}

std::string ModemStatusText(std::uint32_t value) {
    std::string names;
    for (std::uint32_t bit = 0; bit < 8; ++bit)
        if (value & (1u << bit)) names += CodeToText(static_cast<std::int32_t>(kModemBitNames + bit));
    names = names.substr(0, 80);
    const std::size_t first = names.find_first_not_of(' ');
    const std::size_t last = names.find_last_not_of(' ');
    return "(" + (first == std::string::npos ? std::string() : names.substr(first, last - first + 1)) + ")";
}

} // namespace

int TTrace::Begin(std::uint32_t capacity) {
    if (!entries_.empty()) {
        Reset();
    } else {
        if (capacity > MaxTraceCapacity) return kBadArgument;
        entries_.assign(capacity, TEntry{0, 0});
        index_ = 0;
        wrapped_ = false;
    }
    on_ = true;
    return 0;
}

void TTrace::Record(char kind, std::uint8_t byte) {
    if (entries_.empty()) return;
    entries_[index_] = {kind, byte};
    if (++index_ == entries_.size()) {
        index_ = 0;
        wrapped_ = true;
    }
}

void TTrace::Reset() {
    index_ = 0;
    wrapped_ = false;
}

void TTrace::Discard() {
    on_ = false;
    entries_.clear();
    entries_.shrink_to_fit();
    Reset();
}

int TTrace::Save(const std::string& fileName, bool append, TByteFormat format) {
    if (entries_.empty()) return 0;
    on_ = false;
    if (!wrapped_ && index_ == 0) {
        Discard();
        return 0;
    }
    TRecordFile file(fileName);
    if (const int code = file.Open(fileName, append); code != 0) {
        Discard();
        return -code;
    }
    const std::size_t count = wrapped_ ? entries_.size() : index_;
    const std::size_t first = wrapped_ ? index_ : 0;
    char previous = 0;
    int column = 0;
    for (std::size_t n = 0; n < count; ++n) {
        const TEntry& entry = entries_[(first + n) % entries_.size()];
        if (entry.Kind != previous) {
            if (n != 0) {
                file.Write("\r\n");
                file.EndLine();
                column = 0;
            }
            file.Write(SectionHeading(entry.Kind));
            file.EndLine();
            previous = entry.Kind;
        }
        WriteItem(file, ByteItem(entry.Byte, format), column, 0, 0);
    }
    const int result = file.Close();
    Discard();
    return result;
}

void TDispatchLog::Begin(std::uint32_t capacity) {
    if (!ring_.empty()) {
        Reset();
    } else {
        ring_.assign(capacity, 0);
        Reset();
    }
    on_ = true;
}

void TDispatchLog::Reset() {
    head_ = tail_ = 0;
    free_ = static_cast<std::uint32_t>(ring_.size());
}

void TDispatchLog::Discard() {
    on_ = false;
    ring_.clear();
    ring_.shrink_to_fit();
    Reset();
}

void TDispatchLog::Store(const void* bytes, std::uint32_t count) {
    const auto* in = static_cast<const std::uint8_t*>(bytes);
    const auto capacity = static_cast<std::uint32_t>(ring_.size());
    const std::uint32_t first = std::min(count, capacity - head_);
    std::memcpy(ring_.data() + head_, in, first);
    std::memcpy(ring_.data(), in + first, count - first);
    head_ = (head_ + count) % capacity;
    free_ -= count;
}

void TDispatchLog::Load(void* bytes, std::uint32_t count) {
    auto* out = static_cast<std::uint8_t*>(bytes);
    const auto capacity = static_cast<std::uint32_t>(ring_.size());
    if (tail_ == capacity) tail_ = 0;
    const std::uint32_t first = std::min(count, capacity - tail_);
    std::memcpy(out, ring_.data() + tail_, first);
    std::memcpy(out + first, ring_.data(), count - first);
    tail_ = (tail_ + count) % capacity;
    free_ += count;
}

// The header and its extra data go in together, so that every header is followed by its bytes.
void TDispatchLog::Record(TLogHeader header, const void* extra) {
    const std::uint64_t needed = std::uint64_t{kHeaderSize} + header.ExtraLength;
    if (ring_.empty() || needed >= ring_.size()) return;
    TLogHeader dropped;
    std::vector<std::uint8_t> ignored;
    while (needed > free_ && !Empty())
        TakeOldest(dropped, ignored);
    std::uint8_t bytes[kHeaderSize] = {header.Type, header.SubType};
    std::memcpy(bytes + 2, &header.Time, 4);
    std::memcpy(bytes + 6, &header.Value, 4);
    std::memcpy(bytes + 10, &header.ExtraLength, 4);
    Store(bytes, kHeaderSize);
    if (header.ExtraLength != 0) Store(extra, header.ExtraLength);
}

bool TDispatchLog::TakeOldest(TLogHeader& header, std::vector<std::uint8_t>& extra) {
    if (ring_.empty() || Empty()) return false;
    std::uint8_t bytes[kHeaderSize];
    Load(bytes, kHeaderSize);
    header.Type = bytes[0];
    header.SubType = bytes[1];
    std::memcpy(&header.Time, bytes + 2, 4);
    std::memcpy(&header.Value, bytes + 6, 4);
    std::memcpy(&header.ExtraLength, bytes + 10, 4);
    extra.resize(header.ExtraLength);
    if (header.ExtraLength != 0) Load(extra.data(), header.ExtraLength);
    return true;
}

int TDispatchLog::Save(const std::string& fileName, bool append, TByteFormat format) {
    if (ring_.empty() || Empty()) {
        Discard();
        return 0;
    }
    on_ = false;
    TRecordFile file(fileName);
    if (const int code = file.Open(fileName, append); code != 0) {
        file.Close();
        return -code;
    }
    file.Write("PORTLIB v3.04");
    file.EndLine();
    file.Write("Compiler : GCC " __VERSION__);
    file.EndLine();
    file.Write("Operating System : " + SystemDescription());
    file.EndLine();
    for (std::uint32_t heading : {kHeadingNames, kHeadingNames + 1}) {
        file.Write(CodeToText(static_cast<std::int32_t>(heading)));
        file.EndLine();
    }
    TLogHeader header;
    std::vector<std::uint8_t> extra;
    while (TakeOldest(header, extra)) {
        char lead[128];
        std::snprintf(lead, sizeof lead, "%8s  %-8s  %-12s  %08X  ", TimeText(header.Time).c_str(),
                      CodeToText(static_cast<std::int32_t>(kTypeNames + header.Type)).c_str(),
                      CodeToText(static_cast<std::int32_t>(kSubTypeNames + header.SubType)).c_str(),
                      header.Value);
        file.Write(lead);
        if (extra.empty()) {
            if (header.Type == ltTelnet)
                file.Write("[" +
                           (header.Value <= kLastTelnetOption
                                ? CodeToText(static_cast<std::int32_t>(kTelnetOptionNames + header.Value))
                                : std::string()) +
                           "]");
            file.EndLine();
            continue;
        }
        if (header.SubType == lsStatusTrigger &&
            (header.Type == ltTriggerAlloc || header.Type == ltTriggerDispose)) {
            file.Write(StatusKindName(extra[0]));
        } else {
            // A user entry's bytes are text of its own when everything else is hexadecimal.
            const bool asText = header.Type == ltUser && format.AllHex;
            int column = kLogDataColumn;
            for (const std::uint8_t byte : extra)
                WriteItem(file, asText ? std::string(1, static_cast<char>(byte)) : ByteItem(byte, format),
                          column, kLogDataColumn - 1, kLogDataColumn);
        }
        if (header.SubType == lsModemStatus) file.Write(ModemStatusText(header.Value & 0xFF));
        file.EndLine();
    }
    const int result = file.Close();
    Discard();
    return result;
}

// The dispatcher's recorders, under its state lock.

using TStateLock = std::lock_guard<win::TCriticalSection>;

int TBaseDispatcher::BeginTrace(std::uint32_t capacity) {
    const TStateLock lock(stateLock_);
    return trace_.Begin(capacity);
}

void TBaseDispatcher::TraceByte(char kind, std::uint8_t byte) {
    const TStateLock lock(stateLock_);
    trace_.Record(kind, byte);
}

int TBaseDispatcher::ResetTrace() {
    const TStateLock lock(stateLock_);
    trace_.Reset();
    return 0;
}

void TBaseDispatcher::SuspendTrace() {
    const TStateLock lock(stateLock_);
    trace_.Suspend();
}

void TBaseDispatcher::ResumeTrace() {
    const TStateLock lock(stateLock_);
    trace_.Resume();
}

void TBaseDispatcher::DiscardTrace() {
    const TStateLock lock(stateLock_);
    trace_.Discard();
}

int TBaseDispatcher::SaveTrace(const std::string& fileName, bool append, bool inHex, bool allHex) {
    const TStateLock lock(stateLock_);
    return trace_.Save(fileName, append, {inHex, allHex});
}

void TBaseDispatcher::BeginLog(std::uint32_t capacity) {
    const TStateLock lock(stateLock_);
    log_.Begin(capacity);
}

void TBaseDispatcher::LogEntry(std::uint8_t type, std::uint8_t subType, std::uint32_t value,
                               const void* extra, std::uint32_t extraLength) {
    const TStateLock lock(stateLock_);
    if (!log_.On()) return;
    log_.Record({type, subType, ClockMs() - timeBase_, value, extra == nullptr ? 0 : extraLength}, extra);
}

void TBaseDispatcher::ResetLog() {
    const TStateLock lock(stateLock_);
    log_.Reset();
}

void TBaseDispatcher::SuspendLog() {
    const TStateLock lock(stateLock_);
    log_.Suspend();
}

void TBaseDispatcher::ResumeLog() {
    const TStateLock lock(stateLock_);
    log_.Resume();
}

void TBaseDispatcher::DiscardLog() {
    const TStateLock lock(stateLock_);
    log_.Discard();
}

int TBaseDispatcher::SaveLog(const std::string& fileName, bool append, bool inHex, bool allHex) {
    const TStateLock lock(stateLock_);
    return log_.Save(fileName, append, {inHex, allHex});
}

bool TBaseDispatcher::TracingOn() {
    const TStateLock lock(stateLock_);
    return trace_.On();
}

bool TBaseDispatcher::LoggingOn() {
    const TStateLock lock(stateLock_);
    return log_.On();
}

} // namespace port
