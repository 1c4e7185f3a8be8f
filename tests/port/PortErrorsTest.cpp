#include "port/PortErrors.h"

#include "gui/Component.h"

#include <gtest/gtest.h>
#include <string>

using port::CheckResult;
using port::CodeToText;
using port::EPortException;

namespace {

// CheckResult raises an E with this code and message.
template <typename E>
void ExpectRaises(std::int32_t code, std::int32_t errorCode, const std::string& message) {
    try {
        CheckResult(nullptr, code);
        ADD_FAILURE() << code << " raised nothing";
    } catch (const E& e) {
        EXPECT_EQ(e.ErrorCode, errorCode) << code;
        EXPECT_EQ(e.Message(), message) << code;
    } catch (const std::exception& e) {
        ADD_FAILURE() << code << " raised the wrong class: " << e.what();
    }
}

} // namespace

TEST(PortErrors, CodeToTextLooksUpTheAbsoluteValue) {
    EXPECT_EQ(CodeToText(10061), "The attempt to connect was forcibly refused");
    EXPECT_EQ(CodeToText(-10061), "The attempt to connect was forcibly refused");
    EXPECT_EQ(CodeToText(0), "OK");
    EXPECT_EQ(CodeToText(-15742), "Character Set") << "the last entry";
#ifdef _WIN32
    // The system's own wording, which differs between Windows and Wine.
    EXPECT_EQ(CodeToText(-13).find_first_of("\r\n"), std::string::npos) << "the system's text on one line";
    EXPECT_FALSE(CodeToText(-13).empty());
#else
    EXPECT_EQ(CodeToText(-13), "The data is invalid. ") << "the system's text on one line";
#endif
    const std::string missing = CodeToText(10010);
    EXPECT_EQ(missing.find_first_of("\r\n\t"), std::string::npos);
    EXPECT_EQ(missing.find("  "), std::string::npos);
    EXPECT_EQ(CodeToText(15100), "") << "subtype 0 has the empty name";
    EXPECT_LE(CodeToText(15501).size(), 255u);
}

TEST(PortErrors, NegativeResultsRaiseTheirMappedClass) {
    ExpectRaises<port::EBadTriggerHandle>(-5003, -5003, "Bad trigger handle");
    ExpectRaises<port::ETrigger>(-5002, -5002, "Data trigger too long");
    ExpectRaises<port::ENotDialing>(-4004, -4004, "Not dialing");
    ExpectRaises<port::ECommNotOpen>(-2007, -2007, "ie_NOpen - device not open");
    ExpectRaises<port::EBaseAddressNotSet>(-3010, -3010, "Base address not set");
    ExpectRaises<port::EInternal>(-7003, -7003, CodeToText(7003));
    ExpectRaises<port::EProtocol>(-6009, -6009, CodeToText(6009));
    ExpectRaises<port::EInvalidPageNumber>(-8053, -8053, CodeToText(8053));
    ExpectRaises<port::EFaxPageError>(-8070, -8070, CodeToText(8070));
    ExpectRaises<port::ETapiAllocated>(-13801, -13801, CodeToText(13801));
    // 13804 and 13849 have no class: the classes after them move one code on.
    ExpectRaises<port::ETapiCallUnavail>(-13805, -13805, CodeToText(13805));
    ExpectRaises<port::ETapiInvalParam>(-13850, -13850, CodeToText(13850));
    ExpectRaises<port::ETapiNoMultipleInstance>(-13886, -13886, CodeToText(13886));
    ExpectRaises<port::ETapiBusy>(-13928, -13928, CodeToText(13928));
    ExpectRaises<port::ETapiVoiceNotSupported>(-13935, -13935, CodeToText(13935));
    ExpectRaises<port::ETapiTranslateFail>(-13942, -13942, CodeToText(13942));
    ExpectRaises<port::ERasLoadFail>(-13980, -13980, CodeToText(13980));
    ExpectRaises<EPortException>(-1002, -1002, "Bad argument passed to function");
}

TEST(PortErrors, UnmappedCodesRaiseThePlainPortException) {
    for (std::int32_t code : {-1, -1001, -3002, -5001, -5501, -5506, -6007, -7009, -9002, -10061, -13804,
                              -13934, -15001, -32768}) {
        try {
            CheckResult(nullptr, code);
            ADD_FAILURE() << code;
        } catch (const EPortException& e) {
            EXPECT_EQ(typeid(e), typeid(EPortException)) << code;
            EXPECT_EQ(e.ErrorCode, 0) << code;
            EXPECT_EQ(e.Message(), "Port library exception") << code;
        }
    }
}

TEST(PortErrors, RuntimeCodesRaiseTheRuntimesErrors) {
    try {
        CheckResult(nullptr, -2);
        ADD_FAILURE();
    } catch (const rtl::EInOutError& e) {
        EXPECT_EQ(e.ErrorCode, 2);
        EXPECT_EQ(e.Message(), "File not found");
    }
    EXPECT_THROW(CheckResult(nullptr, -8), rtl::EOutOfMemory);
    EXPECT_THROW(CheckResult(nullptr, -162), rtl::EInOutError);
    EXPECT_THROW(CheckResult(nullptr, -163), EPortException);
}

TEST(PortErrors, NothingIsRaisedForResultsOrWhileLoading) {
    EXPECT_EQ(CheckResult(nullptr, 0), 0);
    EXPECT_EQ(CheckResult(nullptr, 17), 17);
    gui::TComponent loading(nullptr);
    loading.BeginLoading();
    for (std::int32_t code : {-2, -8, -5003, -1})
        EXPECT_EQ(CheckResult(&loading, code), code);
}

TEST(PortErrors, TheExceptionConstructors) {
    const EPortException fromCode(-5003);
    EXPECT_EQ(fromCode.ErrorCode, -5003);
    EXPECT_EQ(fromCode.Message(), "Bad trigger handle");
    const EPortException withText("own text");
    EXPECT_EQ(withText.ErrorCode, 0);
    EXPECT_EQ(withText.Message(), "own text");
}
