#include "platform/Resource.h"
#include "platform/Module.h"

#include <gtest/gtest.h>
#include <string>

#ifndef TEST_STRING_LIBRARY
#error "TEST_STRING_LIBRARY must name the test string library"
#endif

TEST(Resource, EmbeddedDataIsFoundByNameIgnoringCase) {
    const win::HRSRC found = win::FindResourceA(nullptr, "sample_DATA", win::RT_RCDATA);
    ASSERT_NE(found, nullptr);
    const auto* bytes = static_cast<const char*>(win::LockResource(win::LoadResource(nullptr, found)));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::string(bytes, win::SizeofResource(nullptr, found)), "STR0 sample payload\n");
    EXPECT_EQ(win::FindResourceA(nullptr, "#77", win::RT_RCDATA),
              win::FindResourceA(nullptr, win::MAKEINTRESOURCEA(77), win::RT_RCDATA));
    EXPECT_NE(win::FindResourceA(nullptr, win::MAKEINTRESOURCEA(77), win::RT_RCDATA), nullptr);
}

TEST(Resource, MissingResourcesReportWhy) {
    EXPECT_EQ(win::FindResourceA(nullptr, "NO_SUCH_TABLE", win::RT_RCDATA), nullptr);
    EXPECT_EQ(win::GetLastError(), win::ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(win::FindResourceA(nullptr, "SAMPLE_DATA", win::MAKEINTRESOURCEA(99)), nullptr);
    EXPECT_EQ(win::GetLastError(), win::ERROR_RESOURCE_TYPE_NOT_FOUND);
}

TEST(Resource, StringTablesAreReadInTheAnsiCodePage) {
    char text[64];
    EXPECT_EQ(win::LoadStringA(nullptr, 1, text, sizeof text), 12);
    EXPECT_STREQ(text, "First string");
    win::LoadStringA(nullptr, 17, text, sizeof text);
    EXPECT_STREQ(text, "Seventeenth, in the second block");
    EXPECT_EQ(win::LoadStringA(nullptr, 18, text, sizeof text), 6);
    EXPECT_STREQ(text, "\xA6\x68\xBB\x79\xA8\xA5") << "多語言 in Big5";
    win::LoadStringA(nullptr, 40, text, sizeof text);
    EXPECT_STREQ(text, "Two\nlines");
    EXPECT_EQ(win::LoadStringA(nullptr, 2, text, sizeof text), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(win::LoadStringA(nullptr, 1, text, 6), 5) << "cut to the buffer";
    EXPECT_STREQ(text, "First");
    EXPECT_EQ(win::LoadStringA(nullptr, 18, text, 4), 2) << "a double-byte character is not cut in half";
    EXPECT_STREQ(text, "\xA6\x68");
}

TEST(Resource, AStringLibraryIsLoadedFromItsFile) {
    const win::HMODULE library = win::LoadLibraryA(TEST_STRING_LIBRARY);
    ASSERT_NE(library, nullptr);
    char text[64];
    EXPECT_EQ(win::LoadStringA(library, 100, text, sizeof text), 16);
    EXPECT_STREQ(text, "From the library");
    EXPECT_EQ(win::LoadStringA(library, 1, text, sizeof text), 0)
        << "the program's strings are not the library's";
    char path[4096];
    EXPECT_GT(win::GetModuleFileNameA(library, path, sizeof path), 0u);
    EXPECT_NE(std::string(path).find("teststrings"), std::string::npos);
    EXPECT_TRUE(win::FreeLibrary(library));
    EXPECT_EQ(win::LoadLibraryA("no-such-library.dll"), nullptr);
    EXPECT_EQ(win::GetLastError(), win::ERROR_MOD_NOT_FOUND);
}

TEST(Resource, TheProgramKnowsItsOwnFile) {
    char path[4096];
    const win::DWORD length = win::GetModuleFileNameA(nullptr, path, sizeof path);
    ASSERT_GT(length, 0u);
    EXPECT_NE(std::string(path).find("platform_tests"), std::string::npos);
    char small[4];
    EXPECT_EQ(win::GetModuleFileNameA(nullptr, small, sizeof small), 4u);
    EXPECT_EQ(win::GetLastError(), win::ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(small[3], '\0');
}
