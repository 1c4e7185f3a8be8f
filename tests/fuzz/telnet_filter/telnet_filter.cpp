// The Telnet receive filter of a socket connection, with arbitrary receive-ring sizes, arbitrary
// splits of what the peer sends and arbitrary read sizes. The filter answers negotiations on the
// same connection; what it delivers can never be more than what was sent.
#include "fuzz/FuzzInput.h"
#include "fuzz/PortLibrary.h"

#include "port/WsConnection.h"
#include "support/Loopback.h"

#include <vector>

namespace {

// A connected pair on loopback: the connection's end and the peer's.
struct Pair {
    win::SOCKET near = win::INVALID_SOCKET;
    win::SOCKET far = win::INVALID_SOCKET;
};

Pair Connect() {
    win::u_short number = 0;
    const win::SOCKET listener = test::RawListener(number);
    Pair pair;
    pair.far = win::socket(win::AF_INET, win::SOCK_STREAM, 0);
    const win::sockaddr_in address = test::LoopbackAddress(number);
    win::connect(pair.far, reinterpret_cast<const win::sockaddr*>(&address), sizeof address);
    pair.near = win::accept(listener, nullptr, nullptr);
    win::closesocket(listener);
    test::SetNonBlocking(pair.near);
    test::SetNonBlocking(pair.far);
    return pair;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ReadyPortLibrary();
    fuzz::FuzzInput input(data, size);
    const std::uint32_t ringSize = 1 + input.Upto(300);
    const Pair pair = Connect();
    auto* connection = new port::TWsConnection(port::DeviceSocket(), ringSize, 16 + input.Upto(200));
    connection->CommSocket = pair.near;
    connection->TelnetActive = (input.Byte() & 1) == 0;
    connection->BinaryOption = (input.Byte() & 1) != 0;
    std::size_t sent = 0;
    std::size_t delivered = 0;
    std::vector<std::uint8_t> buffer(600);
    while (!input.Empty()) {
        const std::string chunk = input.Short();
        test::SendRaw(pair.far, chunk);
        sent += chunk.size();
        for (int read = input.Byte() % 4; read >= 0; --read) {
            const std::uint32_t wanted = input.Upto(static_cast<std::uint32_t>(buffer.size()));
            const std::uint32_t got = connection->ReadInto(buffer.data(), wanted);
            if (got > wanted) __builtin_trap();
            delivered += got;
        }
        if (delivered > sent) __builtin_trap();
        char answers[512];
        while (win::recv(pair.far, answers, sizeof answers, 0) > 0) {
        }
    }
    connection->CloseSockets();
    delete connection;
    win::closesocket(pair.far);
    return 0;
}
