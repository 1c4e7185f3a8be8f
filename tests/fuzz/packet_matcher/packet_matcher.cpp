// The data-packet matcher fed arbitrary chunks: two packets on one port with settings from the
// input, then data in chunks of arbitrary sizes, with handlers that may disable, re-enable or
// close. Invalid settings are refused with EInvalidProperty; nothing else may go wrong.
#include "fuzz/FuzzInput.h"

#include "ftp/DataPacket.h"
#include "gui/Application.h"
#include "platform/MessageLoop.h"
#include "port/PortErrors.h"
#include "support/ScriptedDevice.h"

#include <memory>

namespace {

class Handlers : public gui::TObject {
public:
    explicit Handlers(fuzz::FuzzInput& input) : input_(input) {}
    void Packet(gui::TObject* sender, const char* data, std::int32_t size) {
        if (size < 0 || (size > 0 && data == nullptr)) __builtin_trap();
        auto* packet = static_cast<ftp::TDataPacket*>(sender);
        switch (input_.Byte() % 8) {
        case 0:
            packet->SetEnabled(false);
            break;
        case 1:
            packet->SetEndString(input_.Short());
            break;
        case 2:
            if (port_ != nullptr) port_->SetActive(false);
            break;
        default:
            break;
        }
    }
    void Ignore(gui::TObject*, const std::exception&) {}
    test::ScriptedPort* port_ = nullptr;

private:
    fuzz::FuzzInput& input_;
};

void Configure(ftp::TDataPacket& packet, fuzz::FuzzInput& input) {
    const std::uint8_t flags = input.Byte();
    packet.SetStartCond(flags & 1 ? ftp::TPacketStartCond::scAnyData : ftp::TPacketStartCond::scString);
    packet.SetIgnoreCase((flags & 2) != 0);
    packet.SetIncludeStrings((flags & 4) != 0);
    packet.SetAutoEnable((flags & 8) != 0);
    packet.SetTimeOut(0);
    packet.SetPacketSize(input.Upto(64));
    packet.SetStartString(input.Short());
    packet.SetEndString(input.Short());
    packet.SetEndCond(flags >> 4 & 3);
    try {
        packet.SetEnabled(true);
    } catch (const port::EInvalidProperty&) {
        // Refused settings leave the packet disabled.
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = [] {
        port::OpenMessageTables();
        return true;
    }();
    (void)ready;
    fuzz::FuzzInput input(data, size);
    Handlers handlers(input);
    gui::Application().OnException = gui::TMethod<void(gui::TObject*, const std::exception&)>(&handlers, &Handlers::Ignore);
    test::ScriptedPort port(nullptr);
    handlers.port_ = &port;
    port.SetActive(true);
    ftp::TDataPacket first(nullptr);
    ftp::TDataPacket second(nullptr);
    for (ftp::TDataPacket* packet : {&first, &second}) {
        packet->SetComPort(&port);
        packet->OnPacket = ftp::TPacketNotifyEvent(&handlers, &Handlers::Packet);
        Configure(*packet, input);
    }
    for (int chunk = 0; chunk < 64 && !input.Empty() && port.PortState() == port::TPortState::psOpen; ++chunk) {
        port.Device().Arrive(input.Bytes(input.Upto(600)));
        port.Device().DispatchPass();
    }
    // A close asked for by a handler completes in the port's window.
    win::MSG message;
    while (win::PeekMessageA(&message, nullptr, 0, 0, win::PM_REMOVE))
        win::DispatchMessageA(&message);
    first.SetComPort(nullptr);
    second.SetComPort(nullptr);
    gui::Application().OnException = {};
    return 0;
}
