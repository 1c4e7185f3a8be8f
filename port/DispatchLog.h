// The dispatcher's two recorders: the trace of bytes sent and read, and the dispatch log of
// dispatcher events. Both fill a fixed buffer in which the newest data overwrites the oldest, and
// both write a text file on demand, after which they are off and their buffer is gone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace port {

// The dispatch log's entry types and the subtypes recorded in this system; names are the
// messages 15001 + type and 15100 + subtype.
enum TLogType : std::uint8_t {
    ltNone = 0,
    ltDispatch = 1,
    ltTrigger = 2,
    ltError = 3,
    ltTriggerAlloc = 5,
    ltTriggerDispose = 6,
    ltHandlerAlloc = 7,
    ltHandlerDispose = 8,
    ltTriggerDataChange = 9,
    ltTelnet = 10,
    ltPacket = 18,
    ltUser = 19,
};

enum TLogSubType : std::uint8_t {
    lsNone = 0,
    lsReadCom = 1,
    lsWriteCom = 2,
    lsModemStatus = 4,
    lsAvail = 5,
    lsTimer = 6,
    lsData = 7,
    lsStatus = 8,
    lsTimerTrigger = 14,
    lsStatusTrigger = 15,
    lsAvailTrigger = 16,
    lsWindow = 17,
    lsMethod = 19,
    lsTelnetSentWill = 20, // to 23: WILL, WON'T, DO, DON'T sent
    lsTelnetRecvWill = 24, // to 27: the same received
    lsTelnetCommand = 28,
    lsTelnetSentTerm = 29,
    lsPacketEnable = 242,
    lsPacketDisable = 243,
    lsPacketString = 244,
    lsPacketSize = 245,
    lsPacketTimeout = 246,
    lsPacketStartString = 247,
    lsPacketEndString = 248,
    lsPacketIdle = 249,
    lsPacketWaiting = 250,
    lsPacketCollecting = 251,
};

inline constexpr std::uint32_t MaxTraceCapacity = 4000000;

// How the bytes of a file are written: InHex writes unprintable bytes (and blanks) in hexadecimal,
// AllHex every byte.
struct TByteFormat {
    bool InHex = false;
    bool AllHex = false;
};

class TTrace {
public:
    // Empties an existing buffer, or makes one of `capacity` entries; -1002 above 4,000,000.
    int Begin(std::uint32_t capacity);
    void Record(char kind, std::uint8_t byte);
    void Reset();
    void Suspend() { on_ = false; }
    void Resume() { on_ = !entries_.empty(); }
    void Discard();
    bool On() const { return on_; }
    // Writes the entries oldest first and discards the trace; 0 or a negated I/O error. An
    // empty trace writes no file.
    int Save(const std::string& fileName, bool append, TByteFormat format);

private:
    struct TEntry {
        char Kind;
        std::uint8_t Byte;
    };
    bool on_ = false;
    std::vector<TEntry> entries_;
    std::uint32_t index_ = 0;
    bool wrapped_ = false;
};

struct TLogHeader {
    std::uint8_t Type;
    std::uint8_t SubType;
    std::uint32_t Time;
    std::uint32_t Value;
    std::uint32_t ExtraLength;
};

class TDispatchLog {
public:
    static constexpr std::uint32_t kHeaderSize = 16;

    // Empties an existing buffer, or makes a ring of `capacity` bytes and a scratch area for the
    // largest extra data an entry can carry.
    void Begin(std::uint32_t capacity);
    // An entry whose header and extra data do not fit the ring together is not recorded.
    void Record(TLogHeader header, const void* extra);
    void Reset();
    void Suspend() { on_ = false; }
    void Resume() { on_ = !ring_.empty(); }
    void Discard();
    bool On() const { return on_; }
    bool HasBuffer() const { return !ring_.empty(); }
    bool Empty() const { return free_ == ring_.size(); }
    // Reads the oldest entry into `header` and its extra data into `extra`; false when empty.
    bool TakeOldest(TLogHeader& header, std::vector<std::uint8_t>& extra);
    // Writes the file and discards the log; 0 or a negated I/O error. A failed open keeps the
    // buffer, with logging off.
    int Save(const std::string& fileName, bool append, TByteFormat format);

private:
    void Store(const void* bytes, std::uint32_t count);
    void Load(void* bytes, std::uint32_t count);

    bool on_ = false;
    std::vector<std::uint8_t> ring_;
    std::uint32_t head_ = 0;
    std::uint32_t tail_ = 0;
    std::uint32_t free_ = 0;
};

} // namespace port
