#include "port/PortErrors.h"

#include "gui/Component.h"
#include "platform/Kernel.h"

#include <cstdlib>
#include <unordered_map>
#include <vector>

namespace port {
namespace {

constexpr std::size_t kMaxText = 255;

using TRaiser = void (*)(std::int32_t code);

template <typename E> [[noreturn]] void Raise(std::int32_t code) {
    throw E(code);
}

// The system's message on one line: control characters become spaces, and runs of spaces one.
std::string SystemText(std::int32_t number) {
    char buffer[kMaxText + 1] = {};
    const win::DWORD length =
        win::FormatMessageA(win::FORMAT_MESSAGE_FROM_SYSTEM | win::FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                            static_cast<win::DWORD>(number), 0, buffer, sizeof buffer, nullptr);
    std::string text;
    for (win::DWORD i = 0; i < length && i < kMaxText; ++i) {
        const char c = static_cast<unsigned char>(buffer[i]) < 32 ? ' ' : buffer[i];
        if (c == ' ' && !text.empty() && text.back() == ' ') continue;
        text += c;
    }
    return text;
}

// Codes counting down from `first`, one class each; nullptr leaves a code unmapped.
void AddRun(std::unordered_map<std::int32_t, TRaiser>& map, std::int32_t first,
            std::vector<TRaiser> classes) {
    for (const TRaiser raiser : classes) {
        if (raiser != nullptr) map.emplace(first, raiser);
        --first;
    }
}

// The telephony codes, in the order of their classes.
std::vector<std::int32_t> TapiCodes() {
    std::vector<std::int32_t> codes;
    for (std::int32_t code = -13801; code >= -13886; --code)
        if (code != -13804 && code != -13849) codes.push_back(code);
    for (std::int32_t code : {-13928, -13929, -13930, -13931, -13932, -13933, -13935, -13936, -13942})
        codes.push_back(code);
    return codes;
}

const std::unordered_map<std::int32_t, TRaiser>& ExceptionClasses() {
    static const std::unordered_map<std::int32_t, TRaiser> classes = [] {
        std::unordered_map<std::int32_t, TRaiser> map;
        AddRun(map, -1002,
               {&Raise<EBadArgument>, &Raise<EGotQuitMsg>, &Raise<EBufferTooBig>, &Raise<EPortNotAssigned>,
                &Raise<EInternal>, &Raise<EModemNotAssigned>, &Raise<EPhonebookNotAssigned>,
                &Raise<ECannotUseWithWinSock>});
        AddRun(map, -2001,
               {&Raise<EBadId>, &Raise<EBaudRate>, &Raise<EByteSize>, &Raise<EDefault>, &Raise<EHardware>,
                &Raise<EMemory>, &Raise<ECommNotOpen>, &Raise<EAlreadyOpen>, &Raise<ENoHandles>,
                &Raise<ENoTimers>, &Raise<ENoPortSelected>, &Raise<ENotOpenedByTapi>});
        AddRun(map, -3001,
               {&Raise<ENullApi>, nullptr, &Raise<ERegisterHandlerFailed>, &Raise<EPutBlockFail>,
                &Raise<EGetBlockFail>, &Raise<EOutputBufferTooSmall>, &Raise<EBufferIsEmpty>,
                &Raise<ETracingNotEnabled>, &Raise<ELoggingNotEnabled>, &Raise<EBaseAddressNotSet>});
        AddRun(map, -4001,
               {&Raise<EModemNotStarted>, &Raise<EModemBusy>, &Raise<EModemNotDialing>, &Raise<ENotDialing>,
                &Raise<EAlreadyDialing>, &Raise<EModemNotResponding>, &Raise<EModemRejectedCommand>,
                &Raise<EModemStatusMismatch>});
        AddRun(map, -5002, {&Raise<ETriggerTooLong>, &Raise<EBadTriggerHandle>});
        AddRun(map, -6006, {&Raise<EProtocol>, nullptr, &Raise<EProtocol>, &Raise<EProtocol>});
        AddRun(map, -7001,
               {&Raise<EKeyTooLong>, &Raise<EDataTooLarge>, &Raise<EInternal>, &Raise<EIniWrite>,
                &Raise<EIniRead>, &Raise<EInternal>, &Raise<ERecordExists>, &Raise<ERecordNotFound>, nullptr,
                &Raise<EDatabaseFull>, &Raise<EDatabaseEmpty>, &Raise<EInternal>, &Raise<EBadFieldList>,
                &Raise<EBadFieldForIndex>});
        AddRun(map, -8001,
               {&Raise<EFaxBadFormat>, &Raise<EBadGraphicsFormat>, &Raise<EConvertAbort>,
                &Raise<EUnpackAbort>, &Raise<ECantMakeBitmap>});
        AddRun(map, -8053, {&Raise<EInvalidPageNumber>});
        AddRun(map, -8060,
               {&Raise<EFaxBadMachine>, &Raise<EFaxBadModemResult>, &Raise<EFaxTrainError>,
                &Raise<EFaxInitError>, &Raise<EFaxBusy>, &Raise<EFaxVoiceCall>, &Raise<EFaxDataCall>,
                &Raise<EFaxNoDialTone>, &Raise<EFaxNoCarrier>, &Raise<EFaxSessionError>,
                &Raise<EFaxPageError>});
#define NVL_TAPI_RAISER(Name) &Raise<Name>,
        const TRaiser tapi[] = {NVL_TAPI_EXCEPTIONS(NVL_TAPI_RAISER)};
#undef NVL_TAPI_RAISER
        static_assert(sizeof tapi / sizeof tapi[0] == 93);
        const std::vector<std::int32_t> codes = TapiCodes();
        for (std::size_t i = 0; i < codes.size(); ++i)
            map.emplace(codes[i], tapi[i]);
        AddRun(map, -13980, {&Raise<ERasLoadFail>});
        return map;
    }();
    return classes;
}

} // namespace

EPortException::EPortException(std::int32_t code) : rtl::Exception(CodeToText(code)), ErrorCode(code) {}

EPortException::EPortException(const std::string& message) : rtl::Exception(message), ErrorCode(0) {}

TStringResource& ErrorStrings() {
    ManagerStrings();
    static TStringResource strings(nullptr, "PORT_ERROR_STRINGS_ENGLISH");
    return strings;
}

void OpenMessageTables() {
    ManagerStrings();
    ErrorStrings();
}

std::string CodeToText(std::int32_t code) {
    const std::int32_t number = std::abs(code);
    const std::string text = ErrorStrings().TextById(number).substr(0, kMaxText);
    return text.empty() ? SystemText(number) : text;
}

std::int32_t CheckResult(const gui::TComponent* component, std::int32_t code) {
    if (code >= 0 || (component != nullptr && component->IsLoading())) return code;
    if (code >= -162 && code <= -2) {
        if (code == -8) throw rtl::EOutOfMemory();
        throw rtl::EInOutError(CodeToText(code), -code);
    }
    const auto& classes = ExceptionClasses();
    if (const auto found = classes.find(code); found != classes.end()) found->second(code);
    throw EPortException(std::string("Port library exception"));
}

} // namespace port
