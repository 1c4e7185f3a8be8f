#include "ftp/DataPacket.h"

#include "gui/Application.h"
#include "port/DispatchLog.h"
#include "port/PortErrors.h"

#include <algorithm>

namespace ftp {
namespace {

constexpr std::size_t kBufferStep = 8192;

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Handler exceptions end at the application and go no further.
template <typename Call> void Guarded(Call call) {
    try {
        call();
    } catch (...) {
        gui::Application().HandleException(std::current_exception());
    }
}

} // namespace

// Keeps the manager alive while one of its calls is under way.
class TInUse {
public:
    explicit TInUse(TDataPacketManager& manager) : manager_(manager) { ++manager_.inUse_; }
    ~TInUse() {
        if (--manager_.inUse_ == 0 && manager_.freePending_) PacketManagers().Free(manager_);
    }
    TInUse(const TInUse&) = delete;
    TInUse& operator=(const TInUse&) = delete;

private:
    TDataPacketManager& manager_;
};

const gui::TClassInfo& TDataPacket::StaticClass() {
    static const gui::TClassInfo info =
        gui::TClassBuilder<TDataPacket>("TDataPacket", &TBaseComponent::StaticClass())
            .Boolean("Enabled", &TDataPacket::Enabled, &TDataPacket::SetEnabled)
            .Boolean("AutoEnable", &TDataPacket::AutoEnable, &TDataPacket::SetAutoEnable)
            .Enumeration("StartCond", {"scString", "scAnyData"}, &TDataPacket::StartCond,
                         &TDataPacket::SetStartCond)
            .Integer("EndCond", &TDataPacket::EndCond, &TDataPacket::SetEndCond)
            .String("StartString", &TDataPacket::StartString, &TDataPacket::SetStartString)
            .String("EndString", &TDataPacket::EndString, &TDataPacket::SetEndString)
            .Boolean("IgnoreCase", &TDataPacket::IgnoreCase, &TDataPacket::SetIgnoreCase)
            .Object("ComPort", &TDataPacket::ComPort, &TDataPacket::SetComPort)
            .Integer("PacketSize", &TDataPacket::PacketSize, &TDataPacket::SetPacketSize)
            .Boolean("IncludeStrings", &TDataPacket::IncludeStrings, &TDataPacket::SetIncludeStrings)
            .Integer("TimeOut", &TDataPacket::TimeOut, &TDataPacket::SetTimeOut)
            .Event("OnPacket", &TDataPacket::OnPacket)
            .Event("OnStringPacket", &TDataPacket::OnStringPacket)
            .Event("OnTimeout", &TDataPacket::OnTimeout)
            .Creatable()
            .Build();
    return info;
}

TDataPacket::TDataPacket(gui::TComponent* owner) : TBaseComponent(owner) {
    enabled_ = IsDesigning();
}

TDataPacket::~TDataPacket() {
    Attach(nullptr, false);
}

void TDataPacket::SetComPort(port::TCustomComPort* port) {
    if (port == comPort_) return;
    Attach(port, false);
}

// Leaves the old port's manager and joins the new port's; a port that is being freed is not
// touched any more.
void TDataPacket::Attach(port::TCustomComPort* port, bool portGoing) {
    if (manager_ != nullptr) {
        TDataPacketManager* old = manager_;
        old->portGone_ = old->portGone_ || portGoing;
        old->Remove(*this);
        manager_ = nullptr;
    }
    if (comPort_ != nullptr && !portGoing) comPort_->RemoveFreeNotification(this);
    comPort_ = port;
    if (comPort_ == nullptr) return;
    comPort_->FreeNotification(this);
    manager_ = &PacketManagers().Obtain(*comPort_);
    manager_->Add(*this);
}

void TDataPacket::Notification(gui::TComponent* component, gui::TOperation operation) {
    TBaseComponent::Notification(component, operation);
    if (operation == gui::TOperation::opRemove && component == comPort_) {
        // A port leaving its owner is still whole and can be told; one whose destruction has
        // reached the component base no longer is a port and must not be touched.
        Attach(nullptr, dynamic_cast<port::TCustomComPort*>(component) == nullptr);
    } else if (operation == gui::TOperation::opInsert && comPort_ == nullptr && component != this &&
               component->Is<port::TCustomComPort>() && component->Owner() == Owner()) {
        SetComPort(static_cast<port::TCustomComPort*>(component));
    }
}

void TDataPacket::SetEnabled(bool enabled) {
    if (!enabled) {
        enabled_ = false;
        Disarm();
        return;
    }
    enabled_ = true;
    try {
        ArmChecked();
    } catch (...) {
        enabled_ = false;
        throw;
    }
}

void TDataPacket::SetEndCond(std::int64_t condition) {
    const bool wasEnabled = enabled_;
    SetEnabled(false);
    endCond_ = static_cast<TPacketEndSet>(condition & (ecString | ecPacketSize));
    SetEnabled(wasEnabled);
}

void TDataPacket::SetEndString(const std::string& text) {
    const bool wasEnabled = enabled_;
    SetEnabled(false);
    endString_ = text;
    SetEnabled(wasEnabled);
}

// An arming that raises also gives up the mode and lock it had taken.
void TDataPacket::ArmChecked() {
    try {
        Arm();
    } catch (...) {
        SetMode(TMode::pmIdle);
        throw;
    }
}

void TDataPacket::ArmOrDisable() {
    try {
        ArmChecked();
    } catch (...) {
        enabled_ = false;
        gui::Application().HandleException(std::current_exception());
    }
}

void TDataPacket::Arm() {
    if (IsDesigning()) return;
    if (IsLoading()) {
        enablePending_ = true;
        return;
    }
    if (manager_ != nullptr && manager_->Active()) {
        if (manager_->inEvent_) {
            enablePending_ = true;
            return;
        }
        Log(port::lsPacketEnable);
        if (startCond_ == TPacketStartCond::scString) {
            Log(port::lsPacketStartString, startString_);
            // A string that the match notation leaves empty (a lone "\") is empty.
            start_ = MakePattern(startString_);
            if (start_.Match.empty()) throw port::EInvalidProperty(-5501);
            if ((endCond_ & ecPacketSize) && static_cast<std::int32_t>(startString_.size()) > packetSize_)
                throw port::EInvalidProperty(-5502);
            SetMode(TMode::pmWaitStart);
        } else {
            if (endCond_ == 0) throw port::EInvalidProperty(-5503);
            if (manager_->lockedPacket_ == nullptr)
                SetMode(TMode::pmCollecting);
            else
                startPending_ = true;
        }
        if (endCond_ & ecString) {
            end_ = MakePattern(endString_);
            if (end_.Match.empty()) throw port::EInvalidProperty(-5504);
            Log(port::lsPacketEndString, endString_);
        }
        if ((endCond_ & ecPacketSize) && packetSize_ == 0) throw port::EInvalidProperty(-5505);
    }
    startMatchIdx_ = 1;
    startPos_ = -1;
}

void TDataPacket::Disarm() {
    if (mode_ == TMode::pmIdle && !enablePending_ && !startPending_) return;
    enablePending_ = false;
    startPending_ = false;
    if (manager_ == nullptr) return;
    SetMode(TMode::pmIdle);
    Log(port::lsPacketDisable);
}

void TDataPacket::SetMode(TMode mode) {
    if (mode == mode_) return;
    const TMode old = mode_;
    mode_ = mode;
    if (mode == TMode::pmCollecting && manager_ != nullptr) {
        manager_->lockedPacket_ = this;
        if (timeOut_ != 0) manager_->Dispatcher()->ArmTimerTrigger(manager_->timerHandle_, timeOut_, true);
        holdsLock_ = true;
        // The collecting packet sees the data alone: the others start again.
        for (TDataPacket* other : std::vector<TDataPacket*>(manager_->packets_)) {
            if (other == this || !other->enabled_) continue;
            other->Disarm();
            other->ArmOrDisable();
        }
    } else if (old == TMode::pmCollecting) {
        ReleaseLock();
    }
    Log(mode == TMode::pmIdle        ? port::lsPacketIdle
        : mode == TMode::pmWaitStart ? port::lsPacketWaiting
                                     : port::lsPacketCollecting);
}

void TDataPacket::ReleaseLock() {
    if (!holdsLock_ || manager_ == nullptr) return;
    if (port::TBaseDispatcher* dispatcher = manager_->Dispatcher())
        port::CheckResult(comPort_, dispatcher->ArmTimerTrigger(manager_->timerHandle_, 0, false));
    manager_->lockedPacket_ = nullptr;
    holdsLock_ = false;
    manager_->Scan(0);
}

TDataPacket::TPattern TDataPacket::MakePattern(const std::string& text) const {
    TPattern pattern;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = ignoreCase_ ? UpperAscii(text[i]) : text[i];
        if (c == '\\') {
            if (i + 1 == text.size()) break;
            c = ignoreCase_ ? UpperAscii(text[++i]) : text[++i];
            pattern.Match += c;
            pattern.Mask += '0';
        } else {
            pattern.Match += c;
            pattern.Mask += c == '?' ? '1' : '0';
        }
    }
    return pattern;
}

bool TDataPacket::Compares(std::uint8_t byte, const TPattern& pattern, std::size_t position) const {
    if (pattern.Mask[position] == '1') return true;
    const char c = ignoreCase_ ? UpperAscii(static_cast<char>(byte)) : static_cast<char>(byte);
    return c == pattern.Match[position];
}

// The bytes collected so far (after the start string) end with the whole end string.
bool TDataPacket::EndsWithEndString(std::int32_t position) const {
    const std::int32_t collectedFrom =
        startPos_ +
        (startCond_ == TPacketStartCond::scString ? static_cast<std::int32_t>(start_.Match.size()) : 0);
    const auto length = static_cast<std::int32_t>(end_.Match.size());
    if (position - collectedFrom + 1 < length) return false;
    for (std::int32_t k = 0; k < length; ++k)
        if (!Compares(manager_->buffer_[static_cast<std::size_t>(position - length + 1 + k)], end_,
                      static_cast<std::size_t>(k)))
            return false;
    return true;
}

void TDataPacket::Check(std::int32_t from) {
    if (!enabled_ || manager_ == nullptr) return;
    for (std::int32_t i = from; i < manager_->BufferCount(); ++i) {
        if (mode_ == TMode::pmIdle) {
            if (!startPending_) return;
            startPending_ = false;
            SetMode(TMode::pmCollecting);
        }
        const std::uint8_t c = manager_->buffer_[static_cast<std::size_t>(i)];
        if (mode_ == TMode::pmCollecting) {
            if (startPos_ == -1) startPos_ = i;
            if ((endCond_ & ecPacketSize) && i - startPos_ + 1 >= packetSize_) {
                packetLength_ = i - startPos_ + 1;
                Deliver(TEnd::BySize);
                return;
            }
            if ((endCond_ & ecString) && EndsWithEndString(i)) {
                packetLength_ = i - startPos_ + 1;
                Deliver(TEnd::ByString);
                return;
            }
        } else if (mode_ == TMode::pmWaitStart) {
            if (Compares(c, start_, startMatchIdx_ - 1)) {
                if (startPos_ == -1) startPos_ = i;
                if (startMatchIdx_ == start_.Match.size()) {
                    if (endCond_ == 0) {
                        // The start string alone is the packet; the re-armed packet looks again
                        // from the start of what is left.
                        packetLength_ = i - startPos_ + 1;
                        Deliver(TEnd::BySize);
                        if (manager_ == nullptr || manager_->buffer_.empty()) return;
                        i = -1;
                        continue;
                    }
                    SetMode(TMode::pmCollecting);
                } else {
                    ++startMatchIdx_;
                }
            } else if (startPos_ != -1) {
                i = startPos_;
                startMatchIdx_ = 1;
                startPos_ = -1;
            }
        }
        if (manager_ == nullptr || manager_->buffer_.empty()) return;
    }
}

void TDataPacket::Deliver(TEnd end) {
    TDataPacketManager& manager = *manager_;
    manager.BeginEvent();
    enabled_ = false;
    SetMode(TMode::pmIdle);
    const std::int32_t start = startPos_;
    const std::int32_t fullLength = packetLength_;
    std::int32_t offset = start;
    std::int32_t length = fullLength;
    if (startCond_ == TPacketStartCond::scString && !includeStrings_) {
        offset += static_cast<std::int32_t>(start_.Match.size());
        length -= static_cast<std::int32_t>(start_.Match.size());
    }
    if (!includeStrings_ && end == TEnd::ByString) length -= static_cast<std::int32_t>(end_.Match.size());
    length = std::max(length, 0);
    // The handlers get a copy: one may close the port, which releases the manager's buffer.
    const std::string bytes(reinterpret_cast<const char*>(manager.buffer_.data()) + offset,
                            static_cast<std::size_t>(length));
    Log(port::lsPacketString, logTag_);
    Log(end == TEnd::BySize ? port::lsPacketSize : port::lsPacketString, bytes);
    if (OnPacket) Guarded([&] { OnPacket(this, bytes.data(), length); });
    if (OnStringPacket) Guarded([&] { OnStringPacket(this, bytes); });
    manager.Consume(start + fullLength);
    if (autoEnable_) enabled_ = true;
    enablePending_ = enabled_;
    manager.EndEvent();
}

void TDataPacket::TimedOut() {
    TDataPacketManager& manager = *manager_;
    manager.BeginEvent();
    Log(port::lsPacketTimeout);
    enabled_ = false;
    SetMode(TMode::pmIdle);
    if (OnTimeout) Guarded([&] { OnTimeout(this); });
    manager.EndEvent();
}

void TDataPacket::Log(std::uint8_t subType, const std::string& bytes) {
    if (manager_ == nullptr) return;
    port::TBaseDispatcher* dispatcher = manager_->Dispatcher();
    if (dispatcher == nullptr || !dispatcher->LoggingOn()) return;
    const std::string& text = bytes.empty() ? logTag_ : bytes;
    dispatcher->LogEntry(port::ltPacket, subType, 0, text.data(), static_cast<std::uint32_t>(text.size()));
}

void TDataPacket::Loaded() {
    TBaseComponent::Loaded();
    if (manager_ != nullptr && manager_->activateAfterLoad_ &&
        manager_->Port().PortState() == port::TPortState::psOpen) {
        manager_->activateAfterLoad_ = false;
        manager_->Activate();
    }
    if (enablePending_) {
        enablePending_ = false;
        if (enabled_) ArmOrDisable();
    }
    logTag_ = "Packet:" + Name();
}

TDataPacketManager::TDataPacketManager(port::TCustomComPort& port) : port_(port) {
    port_.AddPortListener(port::TPortListenerProc(this, &TDataPacketManager::PortChanged));
    if (port_.PortState() == port::TPortState::psOpen) {
        if (!port_.IsLoading() && !port_.IsDesigning())
            Activate();
        else
            activateAfterLoad_ = true;
    }
}

TDataPacketManager::~TDataPacketManager() {
    if (portGone_) return;
    if (active_) Deactivate();
    port_.RemovePortListener(port::TPortListenerProc(this, &TDataPacketManager::PortChanged));
}

port::TBaseDispatcher* TDataPacketManager::Dispatcher() const {
    return active_ && !portGone_ && port_.PortState() != port::TPortState::psClosed
               ? port_.CurrentDispatcher()
               : nullptr;
}

void TDataPacketManager::Add(TDataPacket& packet) {
    packets_.push_back(&packet);
}

void TDataPacketManager::Remove(TDataPacket& packet) {
    packet.Disarm();
    if (lockedPacket_ == &packet) lockedPacket_ = nullptr;
    std::erase(packets_, &packet);
    if (!packets_.empty()) return;
    if (inUse_ > 0)
        freePending_ = true;
    else
        PacketManagers().Free(*this);
}

void TDataPacketManager::Activate() {
    port::TBaseDispatcher* dispatcher = port_.CurrentDispatcher();
    if (dispatcher == nullptr) return;
    dispatcher->AddEventHandler(port::TEventHandlerProc(this, &TDataPacketManager::TriggerHandler));
    timerHandle_ = dispatcher->NewTimerTrigger();
    active_ = true;
}

void TDataPacketManager::Deactivate() {
    if (port::TBaseDispatcher* dispatcher = Dispatcher()) {
        dispatcher->DeleteTrigger(timerHandle_);
        dispatcher->RemoveEventHandler(port::TEventHandlerProc(this, &TDataPacketManager::TriggerHandler));
    }
    active_ = false;
    buffer_.clear();
    buffer_.shrink_to_fit();
}

void TDataPacketManager::PortChanged(gui::TObject*, bool opening) {
    const TInUse inUse(*this);
    if (opening) {
        Activate();
        for (TDataPacket* packet : std::vector<TDataPacket*>(packets_))
            if (packet->enabled_) packet->ArmOrDisable();
        return;
    }
    for (TDataPacket* packet : std::vector<TDataPacket*>(packets_))
        packet->Disarm();
    Deactivate();
}

void TDataPacketManager::TriggerHandler(std::uint32_t msg, std::uint32_t wParam, std::int32_t) {
    const TInUse inUse(*this);
    port::TBaseDispatcher* dispatcher = Dispatcher();
    if (dispatcher == nullptr) return;
    if (msg == port::MsgTriggerAvail) {
        const std::size_t old = buffer_.size();
        // Growing geometrically keeps the copying linear in what arrives.
        if (old + wParam >= buffer_.capacity())
            buffer_.reserve(std::max({old + wParam + 1, 2 * buffer_.capacity(), kBufferStep}));
        buffer_.resize(old + wParam);
        const int read = dispatcher->ReadBuffered(buffer_.data() + old, wParam);
        buffer_.resize(old + static_cast<std::size_t>(std::max(read, 0)));
        Scan(static_cast<std::int32_t>(old));
    } else if (msg == port::MsgTriggerTimer && static_cast<std::int32_t>(wParam) == timerHandle_ &&
               lockedPacket_ != nullptr) {
        lockedPacket_->TimedOut();
    }
}

// A scan asked for during a delivery or during a scan is done by the scan that runs, one after
// the other: deliveries loop here instead of nesting, however many packets one arrival holds.
void TDataPacketManager::Scan(std::int32_t from) {
    deferredFrom_ = from;
    deferredScan_ = true;
    if (inEvent_ || scanning_) return;
    const TInUse inUse(*this);
    scanning_ = true;
    struct TEndScan {
        bool& scanning;
        ~TEndScan() { scanning = false; }
    } endScan{scanning_};
    while (deferredScan_ && !freePending_) {
        deferredScan_ = false;
        ScanOnce(deferredFrom_);
    }
}

void TDataPacketManager::ScanOnce(std::int32_t from) {
    if (buffer_.empty()) return;
    if (lockedPacket_ != nullptr) {
        lockedPacket_->Check(from);
        return;
    }
    for (TDataPacket* packet : std::vector<TDataPacket*>(packets_)) {
        if (lockedPacket_ != nullptr || buffer_.empty() || deferredScan_) return;
        packet->Check(from);
    }
    if (deferredScan_) return;
    const bool matchingStart = std::any_of(packets_.begin(), packets_.end(), [](const TDataPacket* p) {
        return p->enabled_ && p->mode_ != TDataPacket::TMode::pmIdle && p->startPos_ != -1;
    });
    if (lockedPacket_ == nullptr && !matchingStart) {
        buffer_.clear();
        buffer_.shrink_to_fit();
    }
}

// A delivery: every enabled packet is disarmed until it ends.
void TDataPacketManager::BeginEvent() {
    inEvent_ = true;
    for (TDataPacket* packet : std::vector<TDataPacket*>(packets_))
        if (packet->enabled_) packet->Disarm();
}

// Always inside a call that keeps the manager alive: a scan or a trigger.
void TDataPacketManager::EndEvent() {
    inEvent_ = false;
    for (TDataPacket* packet : std::vector<TDataPacket*>(packets_)) {
        if (!packet->enabled_) continue;
        packet->enablePending_ = false;
        packet->ArmOrDisable();
    }
    if (deferredScan_) Scan(deferredFrom_);
}

void TDataPacketManager::Consume(std::int32_t count) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + std::min<std::ptrdiff_t>(count, BufferCount()));
    if (buffer_.empty()) buffer_.shrink_to_fit();
}

TDataPacketManager* TDataPacketManagerList::ManagerOf(const port::TCustomComPort& port) const {
    for (const auto& manager : managers_)
        if (&manager->Port() == &port) return manager.get();
    return nullptr;
}

TDataPacketManager& TDataPacketManagerList::Obtain(port::TCustomComPort& port) {
    if (TDataPacketManager* manager = ManagerOf(port)) return *manager;
    managers_.push_back(std::make_unique<TDataPacketManager>(port));
    return *managers_.back();
}

void TDataPacketManagerList::Free(TDataPacketManager& manager) {
    std::erase_if(managers_, [&](const auto& m) { return m.get() == &manager; });
}

TDataPacketManagerList& PacketManagers() {
    static TDataPacketManagerList list;
    return list;
}

} // namespace ftp
