// A device for the dispatcher core: bytes the test makes arrive, bytes sent, and the output
// that is still pending, under the test's control; and a port whose device it is.
#pragma once

#include "port/ComPort.h"
#include "port/Dispatcher.h"

#include <memory>

#include <algorithm>
#include <deque>
#include <vector>

namespace test {

class ScriptedDevice : public port::TBaseDispatcher {
public:
    explicit ScriptedDevice(gui::TComponent* owner = nullptr) : TBaseDispatcher(owner) {}
    ~ScriptedDevice() override { ShutDownForDestruction(); }

    void Arrive(const std::string& bytes) { waiting.insert(waiting.end(), bytes.begin(), bytes.end()); }

    int DeviceEscape(int) override { return 0; }
    int DeviceFlush(int which) override {
        if (which == 1) waiting.clear();
        flushes.push_back(which);
        return 0;
    }
    std::uint32_t DeviceGetStatus(std::uint32_t& input, std::uint32_t& output) override {
        input = static_cast<std::uint32_t>(waiting.size());
        output = pendingOutput;
        return errorFlags;
    }
    int DeviceReadFailed(int) override { return 0; }
    int DeviceGetLine(int&, int&, int&, int&) override { return 0; }
    int DeviceRead(std::uint8_t* destination, std::uint32_t count) override {
        const auto n = std::min<std::size_t>(count, waiting.size());
        std::copy_n(waiting.begin(), n, destination);
        waiting.erase(waiting.begin(), waiting.begin() + static_cast<std::ptrdiff_t>(n));
        return static_cast<int>(n);
    }
    int DeviceSetLine(int, int, int, int) override { return 0; }
    int DeviceWrite(const std::uint8_t* source, std::uint32_t count) override {
        if (writeResult <= 0) return writeResult;
        sent.insert(sent.end(), source, source + count);
        return static_cast<int>(count);
    }
    bool DeviceWaitEvent(std::uint32_t&) override { return true; }
    bool DeviceSetup(std::uint32_t, std::uint32_t) override { return setupSucceeds; }
    void StartDispatching() override { SetDispatchingStarted(true); }
    void StopDispatching() override { SetDispatchingStarted(false); }
    int DeviceOpen(const std::string&, std::uint32_t, std::uint32_t) override { return openResult; }
    int DeviceClose() override {
        ++closes;
        return 0;
    }
    int DevicePoll() override { return 0; }

    std::deque<std::uint8_t> waiting;
    std::vector<std::uint8_t> sent;
    std::vector<int> flushes;
    std::uint32_t pendingOutput = 0;
    std::uint32_t errorFlags = 0;
    int writeResult = 1;
    bool setupSucceeds = true;
    int openResult = 5;
    int closes = 0;
};

class ScriptedPort : public port::TCustomComPort {
public:
    using TCustomComPort::TCustomComPort;
    ScriptedDevice& Device() { return *static_cast<ScriptedDevice*>(Dispatcher()); }
    bool failOpen = false;

protected:
    std::unique_ptr<port::TBaseDispatcher> MakeDispatcher() override {
        return std::make_unique<ScriptedDevice>(this);
    }
    int OpenDevice() override { return failOpen ? -5 : Dispatcher()->OpenWithSizes(InputSize, OutputSize); }
};

} // namespace test
