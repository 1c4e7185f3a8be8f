// A socket port's connection: its sockets, a receive ring and a send ring between the socket and
// the dispatcher, and the Telnet conventions on the wire.
#pragma once

#include "gui/Component.h"
#include "platform/Winsock.h"

#include <cstdint>
#include <vector>

namespace port {

class TDeviceSocket;
class TWinsockDispatcher;

inline constexpr std::uint8_t CarrierDetect = 0x80;
inline constexpr std::uint32_t SendRingReserve = 4096;

class TWsConnection : public gui::TComponent {
    GUI_CLASS_INFO
public:
    // Makes the main socket (raises when it cannot), a receive ring of `inSize` bytes and a send
    // ring of `outSize` + 4096.
    TWsConnection(TDeviceSocket& owner, std::uint32_t inSize, std::uint32_t outSize);

    // Bytes offered to WriteFrom since the send ring was last found empty.
    std::uint32_t OutCount = 0;
    // -1 until a connection exists; the main socket in client mode, the accepted one in listen mode.
    win::SOCKET CommSocket = win::INVALID_SOCKET;
    TWinsockDispatcher* Dispatcher = nullptr;
    bool IsClient = false;
    bool TelnetActive = false;
    bool BinaryOption = false;
    win::SOCKET MainSocket() const { return mainSocket_; }

    bool PeerConnected() const { return peerConnected_; }
    // Also the carrier-detect bit of the dispatcher's modem status.
    void SetPeerConnected(bool connected);

    // Refills the receive ring, then hands at most `size` bytes to `destination` (Telnet
    // sequences removed and answered); a size of 0 only refills.
    std::uint32_t ReadInto(std::uint8_t* destination, std::uint32_t size);
    // Takes the bytes into the send ring (escaped for Telnet) and sends what the socket takes;
    // returns the number of source bytes taken.
    std::uint32_t WriteFrom(const std::uint8_t* source, std::uint32_t length);
    // Raw bytes waiting in the receive ring, before Telnet processing.
    std::uint32_t InputCount();
    std::uint32_t OutputCount();
    void ResetInput();
    void ResetOutput();
    int CloseSockets();

private:
    // What the Telnet filter did with the sequence at the head of the receive ring.
    enum class TFiltered { Delivered, Consumed, Incomplete };

    TDeviceSocket& Device() const;
    void Refill(std::uint32_t size);
    std::uint32_t ReceiveAt(std::uint32_t start, std::uint32_t count);
    std::uint32_t Waiting() const;
    std::uint8_t At(std::uint32_t offset) const;
    void Consume(std::uint32_t count);
    bool IsSpecial(std::uint8_t byte) const;
    TFiltered FilterSequence(std::uint8_t& delivered);
    void Negotiate(std::uint8_t command, std::uint8_t option);
    void SendTerminalType();
    void SendPending();
    std::uint32_t SendFrom(std::uint32_t start, std::uint32_t count);
    bool PutOut(const std::uint8_t* bytes, std::uint32_t count);
    std::uint32_t OutFree() const;
    void Log(std::uint8_t subType, std::uint32_t value, const void* extra = nullptr,
             std::uint32_t length = 0);

    win::SOCKET mainSocket_;
    bool peerConnected_ = false;
    std::vector<std::uint8_t> in_;
    std::uint32_t inHead_ = 0;
    std::uint32_t inTail_ = 0;
    bool inFull_ = false;
    std::vector<std::uint8_t> out_;
    std::uint32_t outHead_ = 0;
    std::uint32_t outTail_ = 0;
    bool outFull_ = false;
};

} // namespace port
