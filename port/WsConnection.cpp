#include "port/WsConnection.h"

#include "port/SocketDispatcher.h"

#include <algorithm>
#include <cstring>

namespace port {
namespace {

constexpr std::uint8_t IAC = 255;
constexpr std::uint8_t DONT = 254;
constexpr std::uint8_t DO = 253;
constexpr std::uint8_t WONT = 252;
constexpr std::uint8_t WILL = 251;
constexpr std::uint8_t SB = 250;
constexpr std::uint8_t SE = 240;
constexpr std::uint8_t CR = 13;
constexpr std::uint8_t LF = 10;
constexpr std::uint8_t OptionBinary = 0;
constexpr std::uint8_t OptionEcho = 1;
constexpr std::uint8_t OptionSuppressGoAhead = 3;
constexpr std::uint8_t OptionTerminalType = 24;

// The dispatch-log subtypes of a command received (24..27) and sent (20..23).
std::uint8_t ReceivedSubType(std::uint8_t command) {
    return static_cast<std::uint8_t>(lsTelnetRecvWill + (command - WILL));
}
std::uint8_t SentSubType(std::uint8_t command) {
    return static_cast<std::uint8_t>(lsTelnetSentWill + (command - WILL));
}

// The answer to a request for an option, and what it does to binary mode (-1 nothing).
struct TAnswer {
    std::uint8_t command;
    int binary;
};

TAnswer AnswerTo(std::uint8_t request, std::uint8_t option) {
    switch (request) {
    case WILL:
        if (option == OptionBinary) return {DO, 1};
        return {option == OptionEcho || option == OptionSuppressGoAhead ? DO : DONT, -1};
    case WONT:
        return {DONT, option == OptionBinary ? 0 : -1};
    case DO:
        if (option == OptionBinary) return {WILL, 1};
        return {option == OptionTerminalType ? WILL : WONT, -1};
    default:
        return {WONT, option == OptionBinary ? 0 : -1}; // DONT
    }
}

} // namespace

const gui::TClassInfo& TWsConnection::StaticClass() {
    static const gui::TClassInfo info =
        gui::TClassBuilder<TWsConnection>("TWsConnection", &TComponent::StaticClass()).Build();
    return info;
}

TWsConnection::TWsConnection(TDeviceSocket& owner, std::uint32_t inSize, std::uint32_t outSize)
    : TComponent(&owner), mainSocket_(owner.NewStreamSocket()), in_(inSize), out_(outSize + SendRingReserve) {
}

TDeviceSocket& TWsConnection::Device() const {
    return static_cast<TDeviceSocket&>(*Owner());
}

void TWsConnection::SetPeerConnected(bool connected) {
    if (connected == peerConnected_) return;
    if (Dispatcher != nullptr) {
        const std::uint8_t status = Dispatcher->ModemStatus();
        Dispatcher->SetModemStatus(connected ? status | CarrierDetect : status & ~CarrierDetect);
    }
    peerConnected_ = connected;
}

std::uint32_t TWsConnection::Waiting() const {
    if (inFull_) return static_cast<std::uint32_t>(in_.size());
    return (inTail_ + static_cast<std::uint32_t>(in_.size()) - inHead_) %
           static_cast<std::uint32_t>(in_.size());
}

std::uint8_t TWsConnection::At(std::uint32_t offset) const {
    return in_[(inHead_ + offset) % in_.size()];
}

void TWsConnection::Consume(std::uint32_t count) {
    if (count == 0) return;
    inHead_ = (inHead_ + count) % static_cast<std::uint32_t>(in_.size());
    inFull_ = false;
}

std::uint32_t TWsConnection::ReceiveAt(std::uint32_t start, std::uint32_t count) {
    if (count == 0) return 0;
    const int received = Device().ReceiveInto(CommSocket, reinterpret_cast<char*>(in_.data() + start),
                                              static_cast<int>(count), 0);
    if (received <= 0) return 0;
    const auto bytes = static_cast<std::uint32_t>(received);
    inTail_ = (start + bytes) % static_cast<std::uint32_t>(in_.size());
    if (inTail_ == inHead_) inFull_ = true;
    return bytes;
}

void TWsConnection::Refill(std::uint32_t size) {
    if (inFull_ || in_.empty()) return;
    const auto end = static_cast<std::uint32_t>(in_.size());
    if (inHead_ <= inTail_) {
        const std::uint32_t room = end - inTail_;
        if (ReceiveAt(inTail_, room) == room && size != 0 && !inFull_) ReceiveAt(0, inHead_);
    } else {
        ReceiveAt(inTail_, inHead_ - inTail_);
    }
}

bool TWsConnection::IsSpecial(std::uint8_t byte) const {
    return byte == IAC || (byte == CR && !BinaryOption);
}

std::uint32_t TWsConnection::ReadInto(std::uint8_t* destination, std::uint32_t size) {
    Refill(size);
    std::uint32_t delivered = 0;
    while (delivered < size && Waiting() > 0) {
        const std::uint32_t contiguous = inFull_ || inHead_ >= inTail_
                                             ? static_cast<std::uint32_t>(in_.size()) - inHead_
                                             : inTail_ - inHead_;
        std::uint32_t run = std::min(contiguous, size - delivered);
        if (TelnetActive) {
            const std::uint8_t* start = in_.data() + inHead_;
            run = static_cast<std::uint32_t>(
                std::find_if(start, start + run, [this](std::uint8_t b) { return IsSpecial(b); }) - start);
        }
        if (run > 0) {
            std::memcpy(destination + delivered, in_.data() + inHead_, run);
            Consume(run);
            delivered += run;
            continue;
        }
        std::uint8_t byte = 0;
        const TFiltered filtered = FilterSequence(byte);
        if (filtered == TFiltered::Incomplete) break;
        if (filtered == TFiltered::Delivered) destination[delivered++] = byte;
    }
    return delivered;
}

// The special byte at the head and what follows it; a sequence that has not fully arrived stays
// in the ring until it has.
TWsConnection::TFiltered TWsConnection::FilterSequence(std::uint8_t& delivered) {
    const std::uint32_t waiting = Waiting();
    if (At(0) == CR) {
        if (waiting < 2) return TFiltered::Incomplete;
        delivered = CR;
        Consume(At(1) == 0 ? 2 : 1);
        return TFiltered::Delivered;
    }
    if (waiting < 2) return TFiltered::Incomplete;
    const std::uint8_t command = At(1);
    switch (command) {
    case IAC:
        delivered = IAC;
        Consume(2);
        return TFiltered::Delivered;
    case SB:
        for (std::uint32_t k = 2; k + 1 < waiting; ++k) {
            if (At(k) != IAC) continue;
            if (At(k + 1) != SE) {
                ++k; // an escaped 255 inside the subnegotiation
                continue;
            }
            if (At(2) == OptionTerminalType) SendTerminalType();
            Consume(k + 2);
            return TFiltered::Consumed;
        }
        // A subnegotiation that fills the whole ring can never end: drop it.
        if (inFull_) {
            Consume(waiting);
            return TFiltered::Consumed;
        }
        return TFiltered::Incomplete;
    case WILL:
    case WONT:
    case DO:
    case DONT:
        if (waiting < 3) return TFiltered::Incomplete;
        Negotiate(command, At(2));
        Consume(3);
        return TFiltered::Consumed;
    default:
        Log(lsTelnetCommand, command);
        Consume(2);
        return TFiltered::Consumed;
    }
}

void TWsConnection::Negotiate(std::uint8_t command, std::uint8_t option) {
    Log(ReceivedSubType(command), option);
    const TAnswer answer = AnswerTo(command, option);
    if (answer.binary >= 0) BinaryOption = answer.binary == 1;
    const char reply[3] = {static_cast<char>(IAC), static_cast<char>(answer.command),
                           static_cast<char>(option)};
    Device().SendBytes(CommSocket, reply, sizeof reply, 0);
    Log(SentSubType(answer.command), option);
}

void TWsConnection::SendTerminalType() {
    const std::string type = Device().TerminalType;
    std::string reply = {static_cast<char>(IAC), static_cast<char>(SB), static_cast<char>(OptionTerminalType),
                         0};
    reply += type;
    reply += {static_cast<char>(IAC), static_cast<char>(SE)};
    Device().SendBytes(CommSocket, reply.data(), static_cast<int>(reply.size()), 0);
    Log(lsTelnetSentTerm, 0, type.data(), static_cast<std::uint32_t>(type.size()));
}

std::uint32_t TWsConnection::OutFree() const {
    if (outFull_) return 0;
    const auto size = static_cast<std::uint32_t>(out_.size());
    return outHead_ == outTail_ ? size : (outHead_ + size - outTail_) % size;
}

// Stores the bytes as one piece, or nothing when they do not all fit.
bool TWsConnection::PutOut(const std::uint8_t* bytes, std::uint32_t count) {
    if (count > OutFree()) return false;
    const auto size = static_cast<std::uint32_t>(out_.size());
    const std::uint32_t first = std::min(count, size - outTail_);
    std::memcpy(out_.data() + outTail_, bytes, first);
    std::memcpy(out_.data(), bytes + first, count - first);
    outTail_ = (outTail_ + count) % size;
    if (outTail_ == outHead_) outFull_ = true;
    return true;
}

std::uint32_t TWsConnection::WriteFrom(const std::uint8_t* source, std::uint32_t length) {
    OutCount += length;
    std::uint32_t taken = 0;
    if (length > 0 && !outFull_) {
        const bool escape = TelnetActive && std::any_of(source, source + length, [this](std::uint8_t b) {
                                return b == IAC || (b == CR && !BinaryOption);
                            });
        if (!escape) {
            taken = std::min(length, OutFree());
            PutOut(source, taken);
        } else {
            for (; taken < length; ++taken) {
                const std::uint8_t byte = source[taken];
                const bool bareCr =
                    byte == CR && !BinaryOption && (taken + 1 == length || source[taken + 1] != LF);
                const std::uint8_t pair[2] = {byte, byte == IAC ? IAC : std::uint8_t{0}};
                if (!PutOut(pair, byte == IAC || bareCr ? 2 : 1)) break;
            }
        }
    }
    SendPending();
    return taken;
}

std::uint32_t TWsConnection::SendFrom(std::uint32_t start, std::uint32_t count) {
    if (count == 0) return 0;
    const int sent = Device().SendBytes(CommSocket, reinterpret_cast<const char*>(out_.data() + start),
                                        static_cast<int>(count), 0);
    if (sent == -1) return 0;
    outHead_ = (start + static_cast<std::uint32_t>(sent)) % static_cast<std::uint32_t>(out_.size());
    if (sent > 0) outFull_ = false;
    return static_cast<std::uint32_t>(sent);
}

void TWsConnection::SendPending() {
    if (outHead_ == outTail_ && !outFull_) return;
    if (outHead_ < outTail_) {
        SendFrom(outHead_, outTail_ - outHead_);
        return;
    }
    const std::uint32_t toEnd = static_cast<std::uint32_t>(out_.size()) - outHead_;
    if (SendFrom(outHead_, toEnd) == toEnd) SendFrom(0, outTail_);
}

std::uint32_t TWsConnection::InputCount() {
    if (inFull_) return static_cast<std::uint32_t>(in_.size());
    if (peerConnected_) ReadInto(nullptr, 0);
    return Waiting();
}

std::uint32_t TWsConnection::OutputCount() {
    if (peerConnected_) {
        if (outHead_ != outTail_ || outFull_)
            WriteFrom(nullptr, 0);
        else
            OutCount = 0;
    }
    return OutCount;
}

void TWsConnection::ResetInput() {
    inHead_ = inTail_ = 0;
    inFull_ = false;
}

void TWsConnection::ResetOutput() {
    outHead_ = outTail_ = 0;
    outFull_ = false;
}

int TWsConnection::CloseSockets() {
    if (!IsClient && CommSocket != win::INVALID_SOCKET && CommSocket != mainSocket_)
        Device().DisposeSocket(CommSocket);
    Device().DisposeSocket(mainSocket_);
    CommSocket = win::INVALID_SOCKET;
    return 0;
}

void TWsConnection::Log(std::uint8_t subType, std::uint32_t value, const void* extra, std::uint32_t length) {
    if (Dispatcher != nullptr) Dispatcher->LogEntry(ltTelnet, subType, value, extra, length);
}

} // namespace port
