// The FTP client's reply intake in every state. The client talks to a control connection whose
// other end is this program: the input alternates between bytes the server sends and operations
// that move the client into each state (directories, listings, downloads, aborts, logins).
#include "fuzz/FuzzInput.h"
#include "fuzz/PortLibrary.h"

#include "ftp/FtpClient.h"
#include "support/Loopback.h"

#include <unistd.h>

namespace {

// Handles what is waiting, round after round, until a round finds nothing.
void Settle() {
    for (int round = 0; round < 20; ++round) {
        win::MsgWaitForMultipleObjects(0, nullptr, false, 0, win::QS_ALLINPUT);
        win::MSG message;
        int handled = 0;
        while (win::PeekMessageA(&message, nullptr, 0, 0, win::PM_REMOVE) && handled < 1000) {
            win::DispatchMessageA(&message);
            ++handled;
        }
        if (handled == 0) return;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string local = "/tmp/ftp-replies-fuzz-" + std::to_string(::getpid());
    fuzz::ReadyPortLibrary();
    fuzz::FuzzInput input(data, size);
    win::u_short number = 0;
    const win::SOCKET listener = test::RawListener(number);
    test::SetNonBlocking(listener);
    {
        ftp::TFtpClient client(nullptr);
        client.SetServerAddress("127.0.0.1");
        client.SetWsPort(std::to_string(number));
        client.UserName = "user";
        client.Password = "secret";
        client.PassiveMode = (input.Byte() & 1) != 0;
        client.TransferTimeout = 0;
        win::SOCKET server = win::INVALID_SOCKET;
        if (client.Login()) {
            for (int attempt = 0; attempt < 100 && server == win::INVALID_SOCKET; ++attempt) {
                Settle();
                server = win::accept(listener, nullptr, nullptr);
            }
        }
        if (server != win::INVALID_SOCKET) {
            test::SetNonBlocking(server);
            Settle();
            for (int step = 0; step < 200 && !input.Empty(); ++step) {
                const std::uint8_t operation = input.Byte();
                switch (operation % 12) {
                case 0:
                    client.ChangeDir(input.Short());
                    break;
                case 1:
                    client.CurrentDir();
                    break;
                case 2:
                    client.ListDir(input.Short(), (operation & 0x10) != 0);
                    break;
                case 3:
                    client.Retrieve(input.Short(), local, static_cast<ftp::TFtpReceiveMode>(operation >> 6));
                    break;
                case 4:
                    client.Abort();
                    break;
                case 5:
                    client.Login();
                    break;
                default:
                    test::SendRaw(server, input.Short());
                    break;
                }
                Settle();
            }
            win::closesocket(server);
        }
    }
    win::closesocket(listener);
    Settle();
    return 0;
}
