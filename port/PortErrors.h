// The port library's error codes: their texts, and the exceptions that negative results raise.
#pragma once

#include "port/StringResource.h"
#include "rtl/Exceptions.h"

#include <cstdint>
#include <string>

namespace gui {
class TComponent;
}

namespace port {

// A message table that is missing, malformed or lacks a text.
class EStringResourceError : public rtl::Exception {
    using rtl::Exception::Exception;
};

class EPortException : public rtl::Exception {
public:
    // The code's text (of its absolute value); ErrorCode keeps the code as given.
    explicit EPortException(std::int32_t code);
    // A message of its own; ErrorCode 0.
    explicit EPortException(const std::string& message);

    std::int32_t ErrorCode;
};

#define NVL_PORT_EXCEPTION(Name, Base)                                                                       \
    class Name : public Base {                                                                               \
    public:                                                                                                  \
        using Base::Base;                                                                                    \
    };

#define NVL_PORT_FAMILIES(X)                                                                                 \
    X(EGeneral, EPortException)                                                                              \
    X(EOpenComm, EPortException)                                                                             \
    X(ESerialIO, EPortException)                                                                             \
    X(EModem, EPortException)                                                                                \
    X(ETrigger, EPortException)                                                                              \
    X(EPacket, EPortException)                                                                               \
    X(EProtocol, EPortException)                                                                             \
    X(EINI, EPortException)                                                                                  \
    X(EFax, EPortException)                                                                                  \
    X(ETapi, EPortException)                                                                                 \
    X(ERas, EPortException)

#define NVL_PORT_SUBCLASSES(X)                                                                               \
    X(EBadArgument, EGeneral)                                                                                \
    X(EGotQuitMsg, EGeneral)                                                                                 \
    X(EBufferTooBig, EGeneral)                                                                               \
    X(EPortNotAssigned, EGeneral)                                                                            \
    X(EInternal, EGeneral)                                                                                   \
    X(EModemNotAssigned, EGeneral)                                                                           \
    X(EPhonebookNotAssigned, EGeneral)                                                                       \
    X(ECannotUseWithWinSock, EGeneral)                                                                       \
    X(EBadId, EOpenComm)                                                                                     \
    X(EBaudRate, EOpenComm)                                                                                  \
    X(EByteSize, EOpenComm)                                                                                  \
    X(EDefault, EOpenComm)                                                                                   \
    X(EHardware, EOpenComm)                                                                                  \
    X(EMemory, EOpenComm)                                                                                    \
    X(ECommNotOpen, EOpenComm)                                                                               \
    X(EAlreadyOpen, EOpenComm)                                                                               \
    X(ENoHandles, EOpenComm)                                                                                 \
    X(ENoTimers, EOpenComm)                                                                                  \
    X(ENoPortSelected, EOpenComm)                                                                            \
    X(ENotOpenedByTapi, EOpenComm)                                                                           \
    X(ENullApi, ESerialIO)                                                                                   \
    X(ERegisterHandlerFailed, ESerialIO)                                                                     \
    X(EPutBlockFail, ESerialIO)                                                                              \
    X(EGetBlockFail, ESerialIO)                                                                              \
    X(EOutputBufferTooSmall, ESerialIO)                                                                      \
    X(EBufferIsEmpty, ESerialIO)                                                                             \
    X(ETracingNotEnabled, ESerialIO)                                                                         \
    X(ELoggingNotEnabled, ESerialIO)                                                                         \
    X(EBaseAddressNotSet, ESerialIO)                                                                         \
    X(EModemNotStarted, EModem)                                                                              \
    X(EModemBusy, EModem)                                                                                    \
    X(EModemNotDialing, EModem)                                                                              \
    X(EModemNotResponding, EModem)                                                                           \
    X(EModemRejectedCommand, EModem)                                                                         \
    X(EModemStatusMismatch, EModem)                                                                          \
    X(EAlreadyDialing, EModem)                                                                               \
    X(ENotDialing, EModem)                                                                                   \
    X(ETriggerTooLong, ETrigger)                                                                             \
    X(EBadTriggerHandle, ETrigger)                                                                           \
    X(EInvalidProperty, EPacket)                                                                             \
    X(EKeyTooLong, EINI)                                                                                     \
    X(EDataTooLarge, EINI)                                                                                   \
    X(EIniWrite, EINI)                                                                                       \
    X(EIniRead, EINI)                                                                                        \
    X(ERecordExists, EINI)                                                                                   \
    X(ERecordNotFound, EINI)                                                                                 \
    X(EDatabaseFull, EINI)                                                                                   \
    X(EDatabaseEmpty, EINI)                                                                                  \
    X(EBadFieldList, EINI)                                                                                   \
    X(EBadFieldForIndex, EINI)                                                                               \
    X(EFaxBadFormat, EFax)                                                                                   \
    X(EBadGraphicsFormat, EFax)                                                                              \
    X(EConvertAbort, EFax)                                                                                   \
    X(EUnpackAbort, EFax)                                                                                    \
    X(ECantMakeBitmap, EFax)                                                                                 \
    X(EInvalidPageNumber, EFax)                                                                              \
    X(EFaxBadMachine, EFax)                                                                                  \
    X(EFaxBadModemResult, EFax)                                                                              \
    X(EFaxTrainError, EFax)                                                                                  \
    X(EFaxInitError, EFax)                                                                                   \
    X(EFaxBusy, EFax)                                                                                        \
    X(EFaxVoiceCall, EFax)                                                                                   \
    X(EFaxDataCall, EFax)                                                                                    \
    X(EFaxNoDialTone, EFax)                                                                                  \
    X(EFaxNoCarrier, EFax)                                                                                   \
    X(EFaxSessionError, EFax)                                                                                \
    X(EFaxPageError, EFax)                                                                                   \
    X(ERasLoadFail, ERas)

// One class per telephony error, in the order of their codes.
#define NVL_TAPI_EXCEPTIONS(X)                                                                               \
    X(ETapiAllocated)                                                                                        \
    X(ETapiBadDeviceID)                                                                                      \
    X(ETapiBearerModeUnavail)                                                                                \
    X(ETapiCallUnavail)                                                                                      \
    X(ETapiCompletionOverrun)                                                                                \
    X(ETapiConferenceFull)                                                                                   \
    X(ETapiDialBilling)                                                                                      \
    X(ETapiDialDialtone)                                                                                     \
    X(ETapiDialPrompt)                                                                                       \
    X(ETapiDialQuiet)                                                                                        \
    X(ETapiIncompatibleApiVersion)                                                                           \
    X(ETapiIncompatibleExtVersion)                                                                           \
    X(ETapiIniFileCorrupt)                                                                                   \
    X(ETapiInUse)                                                                                            \
    X(ETapiInvalAddress)                                                                                     \
    X(ETapiInvalAddressID)                                                                                   \
    X(ETapiInvalAddressMode)                                                                                 \
    X(ETapiInvalAddressState)                                                                                \
    X(ETapiInvalAppHandle)                                                                                   \
    X(ETapiInvalAppName)                                                                                     \
    X(ETapiInvalBearerMode)                                                                                  \
    X(ETapiInvalCallComplMode)                                                                               \
    X(ETapiInvalCallHandle)                                                                                  \
    X(ETapiInvalCallParams)                                                                                  \
    X(ETapiInvalCallPrivilege)                                                                               \
    X(ETapiInvalCallSelect)                                                                                  \
    X(ETapiInvalCallState)                                                                                   \
    X(ETapiInvalCallStatelist)                                                                               \
    X(ETapiInvalCard)                                                                                        \
    X(ETapiInvalCompletionID)                                                                                \
    X(ETapiInvalConfCallHandle)                                                                              \
    X(ETapiInvalConsultCallHandle)                                                                           \
    X(ETapiInvalCountryCode)                                                                                 \
    X(ETapiInvalDeviceClass)                                                                                 \
    X(ETapiInvalDeviceHandle)                                                                                \
    X(ETapiInvalDialParams)                                                                                  \
    X(ETapiInvalDigitList)                                                                                   \
    X(ETapiInvalDigitMode)                                                                                   \
    X(ETapiInvalDigits)                                                                                      \
    X(ETapiInvalExtVersion)                                                                                  \
    X(ETapiInvalGroupID)                                                                                     \
    X(ETapiInvalLineHandle)                                                                                  \
    X(ETapiInvalLineState)                                                                                   \
    X(ETapiInvalLocation)                                                                                    \
    X(ETapiInvalMediaList)                                                                                   \
    X(ETapiInvalMediaMode)                                                                                   \
    X(ETapiInvalMessageID)                                                                                   \
    X(ETapiInvalParam)                                                                                       \
    X(ETapiInvalParkID)                                                                                      \
    X(ETapiInvalParkMode)                                                                                    \
    X(ETapiInvalPointer)                                                                                     \
    X(ETapiInvalPrivSelect)                                                                                  \
    X(ETapiInvalRate)                                                                                        \
    X(ETapiInvalRequestMode)                                                                                 \
    X(ETapiInvalTerminalID)                                                                                  \
    X(ETapiInvalTerminalMode)                                                                                \
    X(ETapiInvalTimeout)                                                                                     \
    X(ETapiInvalTone)                                                                                        \
    X(ETapiInvalToneList)                                                                                    \
    X(ETapiInvalToneMode)                                                                                    \
    X(ETapiInvalTransferMode)                                                                                \
    X(ETapiLineMapperFailed)                                                                                 \
    X(ETapiNoConference)                                                                                     \
    X(ETapiNoDevice)                                                                                         \
    X(ETapiNoDriver)                                                                                         \
    X(ETapiNoMem)                                                                                            \
    X(ETapiNoRequest)                                                                                        \
    X(ETapiNotOwner)                                                                                         \
    X(ETapiNotRegistered)                                                                                    \
    X(ETapiOperationFailed)                                                                                  \
    X(ETapiOperationUnavail)                                                                                 \
    X(ETapiRateUnavail)                                                                                      \
    X(ETapiResourceUnavail)                                                                                  \
    X(ETapiRequestOverrun)                                                                                   \
    X(ETapiStructureTooSmall)                                                                                \
    X(ETapiTargetNotFound)                                                                                   \
    X(ETapiTargetSelf)                                                                                       \
    X(ETapiUninitialized)                                                                                    \
    X(ETapiUserUserInfoTooBig)                                                                               \
    X(ETapiReinit)                                                                                           \
    X(ETapiAddressBlocked)                                                                                   \
    X(ETapiBillingRejected)                                                                                  \
    X(ETapiInvalFeature)                                                                                     \
    X(ETapiNoMultipleInstance)                                                                               \
    X(ETapiBusy)                                                                                             \
    X(ETapiNotSet)                                                                                           \
    X(ETapiNoSelect)                                                                                         \
    X(ETapiLoadFail)                                                                                         \
    X(ETapiGetAddrFail)                                                                                      \
    X(ETapi16Disabled)                                                                                       \
    X(ETapiVoiceNotSupported)                                                                                \
    X(ETapiWaveFail)                                                                                         \
    X(ETapiTranslateFail)

#define NVL_TAPI_EXCEPTION(Name) NVL_PORT_EXCEPTION(Name, ETapi)

NVL_PORT_FAMILIES(NVL_PORT_EXCEPTION)
NVL_PORT_SUBCLASSES(NVL_PORT_EXCEPTION)
NVL_TAPI_EXCEPTIONS(NVL_TAPI_EXCEPTION)

#undef NVL_TAPI_EXCEPTION
#undef NVL_PORT_SUBCLASSES
#undef NVL_PORT_FAMILIES
#undef NVL_PORT_EXCEPTION

// The port library's messages, "PORT_ERROR_STRINGS_ENGLISH" of the program.
TStringResource& ErrorStrings();
// Opens both message tables, as the program does when it starts; raises EStringResourceError when
// one is missing or malformed.
void OpenMessageTables();

// The text of the code's absolute value, at most 255 characters: the table's, else the system's
// message for that number on one line, else empty.
std::string CodeToText(std::int32_t code);

// Returns the code when it is 0 or more or while the component is being loaded; raises the
// exception mapped to a negative code otherwise.
std::int32_t CheckResult(const gui::TComponent* component, std::int32_t code);

} // namespace port
