#include "platform/FileName.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// Big5: "功" is A5 5C and "許" is B3 5C, both with a backslash as trail byte; "能" AF E0, "可" A5 69.
const std::string kAbility = "\xA5\x5C\xAF\xE0.txt";
const std::string kPermit = "\xB3\x5C\xA5\x69.dat";
const std::string kFolder = "C:\\Brantwell\\";

} // namespace

// In the default code page 950, "\xA5\x5C" is one character whose trail byte is a backslash.
TEST(PosixFileNames, KeepEveryNameInItsFolder) {
    for (const std::string plain : {"Setup.exe", "a b.txt", "..hidden", "x..", "\xA5\x5C.txt",
                                    "\xA5\x5C\xA5\x5C", "nul.txt", "Setup.exe.", "a<b>?*|\""})
        EXPECT_TRUE(win::IsPosixFileName(plain)) << plain;
    EXPECT_TRUE(win::IsPosixFileName(kAbility));
    EXPECT_TRUE(win::IsPosixFileName(kPermit));
    for (const char* other : {"", ".", "..", "../x", "..\\..\\x", "sub/x", "sub\\x", "C:x", "x\ty", "x\x7F",
                              "\xA5/x", "\xA5:x", "\xA5\n", "x\\", "\x41\x5C", "\xA5\xA5\x5C"})
        EXPECT_FALSE(win::IsPosixFileName(other)) << other;
    EXPECT_FALSE(win::IsPosixFileName(std::string("a\0b", 3)));
}

TEST(WindowsFileNames, KeepHonestNamesAndBig5CharactersWithABackslashTrail) {
    for (const std::string plain :
         {"Setup.exe", "a b.txt", "..hidden", " leading.txt", "CONSOLE.txt", "COM10", "LPT0.dat", "nullable",
          "x.nul", "auxiliary.aux", "\xA5\x5C\xA5\x5C"})
        EXPECT_TRUE(win::IsWindowsFileName(kFolder, plain)) << plain;
    EXPECT_TRUE(win::IsWindowsFileName(kFolder, kAbility));
    EXPECT_TRUE(win::IsWindowsFileName(kFolder, kPermit));
}

TEST(WindowsFileNames, RefuseDevicesAliasesReservedCharactersAndWhatIsNoBig5) {
    for (const char* device :
         {"CON", "PRN", "AUX", "NUL", "COM1", "COM9", "LPT1", "LPT9", "CONIN$", "CONOUT$", "nul.txt",
          "LPT1.dat", "Com1", "aux.tar.gz", "CON.txt", "conout$.log", "prn .txt", "NUL  .txt"})
        EXPECT_FALSE(win::IsWindowsFileName(kFolder, device)) << device;
    for (const char* alias : {"Setup.exe.", "Setup.exe ", "Setup.exe. .", ".", ".."})
        EXPECT_FALSE(win::IsWindowsFileName(kFolder, alias)) << alias;
    for (const char* reserved :
         {"a<b", "a>b", "a:b", "a\"b", "a/b", "a\\b", "a|b", "a?b", "a*b", "a\tb", "a\x1F", "a\x7F", ""})
        EXPECT_FALSE(win::IsWindowsFileName(kFolder, reserved)) << reserved;
    EXPECT_FALSE(win::IsWindowsFileName(kFolder, std::string("a\0b", 3)));
    for (const char* notBig5 : {"a\xA5", "\xA5\x20.txt", "\xA5\x0A"})
        EXPECT_FALSE(win::IsWindowsFileName(kFolder, notBig5)) << notBig5;
    EXPECT_FALSE(win::IsWindowsFileName("C:\\\xA5", "x.txt")) << "nor is a folder that is no Big5";
}

// MAX_PATH is 260 UTF-16 units with the terminating NUL; a Big5 character is one unit, not two.
TEST(WindowsFileNames, FitThePathLimitWithTheirFolder) {
    const std::string folder = "C:\\Brantwell"; // 12 units, and the separator makes 13
    EXPECT_TRUE(win::IsWindowsFileName(folder, std::string(246, 'a')));
    EXPECT_FALSE(win::IsWindowsFileName(folder, std::string(247, 'a')));
    EXPECT_TRUE(win::IsWindowsFileName(folder + "\\", std::string(246, 'a'))) << "one separator either way";
    EXPECT_FALSE(win::IsWindowsFileName(folder + "\\", std::string(247, 'a')));
    std::string chinese;
    for (int i = 0; i < 246; ++i)
        chinese += "\xA5\x5C";
    EXPECT_TRUE(win::IsWindowsFileName(folder, chinese)) << "492 bytes, 246 characters";
    EXPECT_FALSE(win::IsWindowsFileName(folder, chinese + "\xA5\x5C"));
    // "C:\功" ends in the byte 5C, but in a character: the separator still counts.
    EXPECT_TRUE(win::IsWindowsFileName("C:\\\xA5\x5C", std::string(254, 'a')));
    EXPECT_FALSE(win::IsWindowsFileName("C:\\\xA5\x5C", std::string(255, 'a')));
    EXPECT_TRUE(win::IsWindowsFileName("C:", std::string(255, 'a')));
    EXPECT_FALSE(win::IsWindowsFileName("C:", std::string(256, 'a'))) << "no folder entry is longer";
}

TEST(FileNameKeys, FoldLetterCaseAsTheWindowsFileSystemDoes) {
    EXPECT_EQ(win::WindowsFileNameKey("Readme.txt"), win::WindowsFileNameKey("README.TXT"));
    EXPECT_EQ(win::WindowsFileNameKey("Readme.txt"), "README.TXT");
    // Full-width "ａ" A2 E9 and "Ａ" A2 CF; Greek "α" A3 5C and "Α" A3 44.
    EXPECT_EQ(win::WindowsFileNameKey("\xA2\xE9.txt"), "\xA2\xCF.TXT");
    EXPECT_EQ(win::WindowsFileNameKey("\xA3\x5C"), "\xA3\x44");
    EXPECT_EQ(win::WindowsFileNameKey(kAbility), "\xA5\x5C\xAF\xE0.TXT") << "Chinese stays as it is";
    EXPECT_EQ(win::WindowsFileNameKey(kPermit), "\xB3\x5C\xA5\x69.DAT");
    EXPECT_NE(win::WindowsFileNameKey(kAbility), win::WindowsFileNameKey("\xB3\x5C\xAF\xE0.txt"));
    EXPECT_EQ(win::WindowsFileNameKey("a\xA5"), "a\xA5") << "bytes that are no Big5 are their own key";

#ifdef _WIN32
    EXPECT_EQ(win::FileNameKey("Readme.txt"), "README.TXT") << "the system here is Windows";
    EXPECT_FALSE(win::IsStorableFileName(kFolder, "nul.txt"));
#else
    EXPECT_EQ(win::FileNameKey("Readme.txt"), "Readme.txt") << "POSIX keeps letter case";
    EXPECT_NE(win::FileNameKey("Readme.txt"), win::FileNameKey("README.TXT"));
    EXPECT_TRUE(win::IsStorableFileName(kFolder, "nul.txt")) << "the system here is POSIX";
#endif
    EXPECT_FALSE(win::IsStorableFileName(kFolder, "a/b"));
}
