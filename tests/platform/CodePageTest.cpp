#include "platform/CodePage.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// The window's Chinese texts in Big5, as its form description stores them.
const std::string kBig5Caption = "\xB3\x6E\xA5\xF3\xA6\x77\xB8\xCB\xA6\xCD\xB2\xCE"; // 軟件安裝糸統
const std::string kBig5Merit = "\xA5\x5C";                                           // 功: trail byte is '\'

} // namespace

TEST(CodePage, TheAnsiCodePageIsBig5ByDefault) {
    EXPECT_EQ(win::GetACP(), 950u);
}

TEST(CodePage, ChineseTextsSurviveBig5ToUtf16AndBack) {
    const std::u16string caption = win::AnsiToWide(kBig5Caption);
    EXPECT_EQ(caption, u"軟件安裝糸統");
    EXPECT_EQ(win::WideToAnsi(caption), kBig5Caption);

    const std::string mixed = "C:\\Brantwell " + kBig5Merit + "\\" + kBig5Merit + "\xAF\xE0"; // ...功\功能
    const std::u16string wide = win::AnsiToWide(mixed, 950);
    ASSERT_EQ(wide.size(), 17u);
    EXPECT_EQ(wide.substr(0, 13), u"C:\\Brantwell ");
    EXPECT_EQ(wide[13], u'功') << "0x5C after a lead byte is no backslash";
    EXPECT_EQ(wide[14], u'\\');
    EXPECT_EQ(wide[15], u'功');
    EXPECT_EQ(wide[16], u'能');
    EXPECT_EQ(win::WideToAnsi(wide, 950), mixed);
}

TEST(CodePage, SizesTerminatorsAndBufferLimitsFollowWindows) {
    EXPECT_EQ(win::MultiByteToWideChar(950, 0, kBig5Merit.c_str(), -1, nullptr, 0), 2)
        << "one character and NUL";
    win::WCHAR small[1];
    EXPECT_EQ(win::MultiByteToWideChar(950, 0, kBig5Caption.c_str(), -1, small, 1), 0);
    EXPECT_EQ(win::GetLastError(), win::ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(win::WideCharToMultiByte(950, 0, u"功", 1, nullptr, 0, nullptr, nullptr), 2);
    EXPECT_EQ(win::MultiByteToWideChar(950, 0, "x", 0, nullptr, 0), 0);
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_PARAMETER);
}

TEST(CodePage, UnmappableAndInvalidCharacters) {
    win::BOOL usedDefault = win::FALSE;
    char out[8] = {};
    const int length = win::WideCharToMultiByte(1252, 0, u"a功", 2, out, sizeof out, nullptr, &usedDefault);
    EXPECT_EQ(std::string(out, static_cast<std::size_t>(length)), "a?");
    EXPECT_TRUE(usedDefault);
    win::WCHAR wide[4];
    EXPECT_EQ(win::MultiByteToWideChar(65001, win::MB_ERR_INVALID_CHARS, "\xFF", 1, wide, 4), 0);
    EXPECT_EQ(win::GetLastError(), win::ERROR_NO_UNICODE_TRANSLATION);
    ASSERT_EQ(win::MultiByteToWideChar(65001, 0, "\xFF", 1, wide, 4), 1);
    EXPECT_EQ(wide[0], 0xFFFD);
}

TEST(CodePage, LeadBytesAndUpperCaseLeaveDoubleByteCharactersAlone) {
    EXPECT_TRUE(win::IsDBCSLeadByteEx(950, 0xA5));
    EXPECT_FALSE(win::IsDBCSLeadByteEx(950, 'a'));
    EXPECT_FALSE(win::IsDBCSLeadByteEx(1252, 0xA5));
    // 0xA4 0x61 is a Big5 character whose trail byte looks like 'a'.
    std::string text = "ab\xA4\x61z";
    win::CharUpperBuffA(text.data(), static_cast<win::DWORD>(text.size()));
    EXPECT_EQ(text, "AB\xA4\x61Z");
}
