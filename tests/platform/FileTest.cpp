#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Process.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "support/TempFolder.h"
#include <fcntl.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class Files : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return temp_.Path(name); }

    test::TempFolder temp_{"platform-files"};
    const fs::path& folder_ = temp_.path();
};

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

TEST(Path, DriveCMapsToItsFolderAndBackslashesBecomeSlashes) {
    ::setenv("NVL_DRIVE_C", "/tmp/drive-c/", 1);
    EXPECT_EQ(win::NativePath("C:\\Brantwell"), "/tmp/drive-c/Brantwell");
    EXPECT_EQ(win::NativePath("c:\\Brantwell\\SetupNVL.exe"), "/tmp/drive-c/Brantwell/SetupNVL.exe");
    EXPECT_EQ(win::NativePath("C:\\"), "/tmp/drive-c/");
    EXPECT_EQ(win::NativePath("sub\\file.txt"), "sub/file.txt");
    EXPECT_EQ(win::NativePath("/already/native"), "/already/native");
    ::unsetenv("NVL_DRIVE_C");
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(win::NativePath("C:\\Brantwell"), "/home/someone/Brantwell");
}

// "\xA5\x5C" is one Big5 character whose trail byte is a backslash.
TEST(Path, TrailBytesOfDoubleByteCharactersAreNoSeparators) {
    ::setenv("NVL_DRIVE_C", "/tmp/drive-c", 1);
    EXPECT_EQ(win::NativePath("C:\\Brantwell\\\xA5\x5C.txt"), "/tmp/drive-c/Brantwell/\xA5\x5C.txt");
    EXPECT_EQ(win::NativePath("\xA5\x5C\\\xA5\x5C"), "\xA5\x5C/\xA5\x5C");
    EXPECT_EQ(win::NativePath("a\xA5"), "a\xA5") << "a lead byte at the end stands alone";
    EXPECT_EQ(win::NativePath("\x41\x5C\xA5\x5C"), "A/\xA5\x5C") << "after a single-byte character it separates";
    ::unsetenv("NVL_DRIVE_C");
}

TEST_F(Files, CreateWriteSeekReadAndTruncate) {
    const std::string name = Path("data.bin");
    win::HANDLE file = win::CreateFileA(name.c_str(), win::GENERIC_READ | win::GENERIC_WRITE, 0, nullptr,
                                        win::CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, win::INVALID_HANDLE_VALUE);
    EXPECT_EQ(win::GetLastError(), win::ERROR_SUCCESS);
    win::DWORD done = 0;
    ASSERT_TRUE(win::WriteFile(file, "hello world", 11, &done, nullptr));
    EXPECT_EQ(done, 11u);
    EXPECT_EQ(win::SetFilePointer(file, 5, nullptr, win::FILE_BEGIN), 5u);
    ASSERT_TRUE(win::SetEndOfFile(file));
    EXPECT_EQ(win::GetFileSize(file, nullptr), 5u);
    EXPECT_EQ(win::SetFilePointer(file, 0, nullptr, win::FILE_BEGIN), 0u);
    char buffer[16] = {};
    ASSERT_TRUE(win::ReadFile(file, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), "hello");
    ASSERT_TRUE(win::ReadFile(file, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(done, 0u) << "end of file reads nothing";
    EXPECT_TRUE(win::CloseHandle(file));

    file = win::CreateFileA(name.c_str(), win::GENERIC_WRITE, 0, nullptr, win::OPEN_ALWAYS, 0, nullptr);
    EXPECT_EQ(win::GetLastError(), win::ERROR_ALREADY_EXISTS);
    win::CloseHandle(file);
    EXPECT_EQ(win::CreateFileA(name.c_str(), win::GENERIC_WRITE, 0, nullptr, win::CREATE_NEW, 0, nullptr),
              win::INVALID_HANDLE_VALUE);
    EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_EXISTS);
}

TEST_F(Files, MissingFilesAndPathsAreTold) {
    EXPECT_EQ(win::CreateFileA(Path("absent.txt").c_str(), win::GENERIC_READ, 0, nullptr, win::OPEN_EXISTING,
                               0, nullptr),
              win::INVALID_HANDLE_VALUE);
    EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(win::CreateFileA(Path("no/dir/x.txt").c_str(), win::GENERIC_READ, 0, nullptr,
                               win::OPEN_EXISTING, 0, nullptr),
              win::INVALID_HANDLE_VALUE);
    EXPECT_EQ(win::GetLastError(), win::ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(win::DeleteFileA(Path("absent.txt").c_str()));
    EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(win::GetFileAttributesA(Path("absent.txt").c_str()), win::INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(win::CreateDirectoryA(Path("a/b").c_str(), nullptr));
    EXPECT_EQ(win::GetLastError(), win::ERROR_PATH_NOT_FOUND);
}

TEST_F(Files, ReplacingMovesTakeTheNameOverWhateverStoodThereWithoutFollowingIt) {
    const std::string staged = Path("staged.tmp");
    auto moveOnto = [&](const std::string& name) {
        WriteText(staged, "new");
        return win::MoveFileExA(staged.c_str(), Path(name).c_str(), win::MOVEFILE_REPLACE_EXISTING);
    };
    WriteText(Path("file.txt"), "old");
    ASSERT_TRUE(moveOnto("file.txt"));
    EXPECT_EQ(test::Contents(Path("file.txt")), "new");
    EXPECT_FALSE(fs::exists(staged));

    WriteText(Path("elsewhere.txt"), "kept");
    fs::create_symlink(Path("elsewhere.txt"), Path("link.txt"));
    fs::create_symlink(Path("nowhere.txt"), Path("dangling.txt"));
    ASSERT_EQ(::mkfifo(Path("pipe.txt").c_str(), 0600), 0);
    for (const char* name : {"link.txt", "dangling.txt", "pipe.txt"}) {
        ASSERT_TRUE(moveOnto(name)) << name;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Path(name)))) << name;
        EXPECT_EQ(test::Contents(Path(name)), "new") << name;
    }
    EXPECT_EQ(test::Contents(Path("elsewhere.txt")), "kept") << "the link's target is untouched";
    EXPECT_FALSE(fs::exists(Path("nowhere.txt")));

    fs::create_directory(Path("folder"));
    EXPECT_FALSE(moveOnto("folder"));
    EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
    EXPECT_TRUE(fs::is_directory(Path("folder")));
    EXPECT_EQ(test::Contents(staged), "new") << "the refused file stays where it was";
    fs::create_directory(Path("other"));
    EXPECT_FALSE(
        win::MoveFileExA(Path("other").c_str(), Path("folder").c_str(), win::MOVEFILE_REPLACE_EXISTING))
        << "nor does a folder replace a folder";
    EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
    fs::remove(staged);
    EXPECT_FALSE(moveOnto("absent/x.txt"));
    EXPECT_EQ(win::GetLastError(), win::ERROR_PATH_NOT_FOUND);
    fs::remove(staged);
    EXPECT_FALSE(win::MoveFileExA(staged.c_str(), Path("file.txt").c_str(), win::MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);

    // Without the flag nothing is replaced, not even a link that leads nowhere.
    fs::create_symlink(Path("nowhere.txt"), Path("dangling2.txt"));
    for (const char* name : {"file.txt", "dangling2.txt"}) {
        WriteText(staged, "newer");
        EXPECT_FALSE(win::MoveFileExA(staged.c_str(), Path(name).c_str(), 0)) << name;
        EXPECT_EQ(win::GetLastError(), win::ERROR_ALREADY_EXISTS) << name;
        EXPECT_FALSE(win::MoveFileA(staged.c_str(), Path(name).c_str())) << name;
    }
    EXPECT_TRUE(fs::is_symlink(Path("dangling2.txt")));
    EXPECT_TRUE(win::MoveFileExA(staged.c_str(), Path("fresh.txt").c_str(), 0));
    EXPECT_EQ(test::Contents(Path("fresh.txt")), "newer");
}

TEST_F(Files, CreateNewOpensNoLinkAndNoPipeStandingUnderTheName) {
    fs::create_symlink(Path("target.txt"), Path("link.txt"));
    ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
    // A reader on the pipe, so that opening it for writing would not block but succeed.
    const int reader = ::open(Path("pipe").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    for (const char* name : {"link.txt", "pipe"}) {
        const win::HANDLE file =
            win::CreateFileA(Path(name).c_str(), win::GENERIC_WRITE, 0, nullptr, win::CREATE_NEW, 0, nullptr);
        EXPECT_EQ(file, win::INVALID_HANDLE_VALUE) << name;
        EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_EXISTS) << name;
        if (file != win::INVALID_HANDLE_VALUE) win::CloseHandle(file);
    }
    ::close(reader);
    EXPECT_FALSE(fs::exists(Path("target.txt"))) << "nothing was created where the link leads";
}

TEST_F(Files, FoldersAttributesAndCurrentDirectory) {
    ASSERT_TRUE(win::CreateDirectoryA(Path("sub").c_str(), nullptr));
    EXPECT_FALSE(win::CreateDirectoryA(Path("sub").c_str(), nullptr));
    EXPECT_EQ(win::GetLastError(), win::ERROR_ALREADY_EXISTS);
    EXPECT_EQ(win::GetFileAttributesA(Path("sub").c_str()) & win::FILE_ATTRIBUTE_DIRECTORY,
              win::FILE_ATTRIBUTE_DIRECTORY);
    WriteText(Path("sub/file.txt"), "x");
    EXPECT_FALSE(win::RemoveDirectoryA(Path("sub").c_str()));
    EXPECT_EQ(win::GetLastError(), win::ERROR_DIR_NOT_EMPTY);

    char previous[4096];
    win::GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(win::SetCurrentDirectoryA(Path("sub").c_str()));
    win::WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(win::GetFileAttributesExA("file.txt", win::GetFileExInfoStandard, &data))
        << "relative to the new folder";
    EXPECT_EQ(data.nFileSizeLow, 1u);
    EXPECT_TRUE(win::DeleteFileA("file.txt"));
    win::SetCurrentDirectoryA(previous);
    EXPECT_TRUE(win::RemoveDirectoryA(Path("sub").c_str()));
}

TEST_F(Files, FindMatchesWildcardsIgnoringCase) {
    for (const char* name : {"SetupNVL.exe", "readme.TXT", "notes.txt", "data"})
        WriteText(Path(name), "x");
    auto find = [&](const std::string& pattern) {
        std::set<std::string> names;
        win::WIN32_FIND_DATAA data{};
        const win::HANDLE handle = win::FindFirstFileA(Path(pattern).c_str(), &data);
        if (handle == win::INVALID_HANDLE_VALUE) return names;
        do
            names.insert(data.cFileName);
        while (win::FindNextFileA(handle, &data));
        EXPECT_EQ(win::GetLastError(), win::ERROR_NO_MORE_FILES);
        EXPECT_TRUE(win::FindClose(handle));
        return names;
    };
    EXPECT_EQ(find("*.txt"), (std::set<std::string>{"notes.txt", "readme.TXT"}));
    EXPECT_EQ(find("setup???.EXE"), (std::set<std::string>{"SetupNVL.exe"}));
    EXPECT_EQ(find("*.*"),
              (std::set<std::string>{".", "..", "SetupNVL.exe", "data", "notes.txt", "readme.TXT"}));
    EXPECT_TRUE(find("*.zip").empty());
    EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
}

TEST_F(Files, FileTimesConvertBothWays) {
    const win::SYSTEMTIME written{2016, 6, 1, 13, 12, 30, 15, 250};
    win::FILETIME fileTime{};
    ASSERT_TRUE(win::SystemTimeToFileTime(&written, &fileTime));
    win::SYSTEMTIME back{};
    ASSERT_TRUE(win::FileTimeToSystemTime(&fileTime, &back));
    EXPECT_EQ(back.wYear, 2016);
    EXPECT_EQ(back.wDay, 13);
    EXPECT_EQ(back.wMilliseconds, 250);
    EXPECT_EQ(back.wDayOfWeek, 1) << "13 June 2016 was a Monday";
    const win::SYSTEMTIME invalid{2016, 4, 0, 31, 0, 0, 0, 0};
    EXPECT_FALSE(win::SystemTimeToFileTime(&invalid, &fileTime));

    ::setenv("TZ", "Asia/Taipei", 1);
    ::tzset();
    win::FILETIME local{}, utc{};
    ASSERT_TRUE(win::SystemTimeToFileTime(&written, &fileTime));
    win::FileTimeToLocalFileTime(&fileTime, &local);
    win::FileTimeToSystemTime(&local, &back);
    EXPECT_EQ(back.wHour, 20) << "UTC+8";
    win::LocalFileTimeToFileTime(&local, &utc);
    EXPECT_EQ(utc.dwLowDateTime, fileTime.dwLowDateTime);
    ::unsetenv("TZ");
    ::tzset();

    const std::string name = Path("stamped.txt");
    WriteText(name, "x");
    const win::HANDLE file =
        win::CreateFileA(name.c_str(), win::GENERIC_WRITE, 0, nullptr, win::OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(win::SystemTimeToFileTime(&written, &fileTime));
    ASSERT_TRUE(win::SetFileTime(file, nullptr, nullptr, &fileTime));
    win::CloseHandle(file);
    win::WIN32_FILE_ATTRIBUTE_DATA data{};
    win::GetFileAttributesExA(name.c_str(), win::GetFileExInfoStandard, &data);
    EXPECT_EQ(data.ftLastWriteTime.dwLowDateTime, fileTime.dwLowDateTime);
    EXPECT_EQ(data.ftLastWriteTime.dwHighDateTime, fileTime.dwHighDateTime);
}

TEST_F(Files, WinExecFindsAndStartsAProgramWithoutWaiting) {
    const std::string marker = Path("started.txt");
    // A downloaded installer: a script without execute permission and without ".exe" in its name.
    WriteText(Path("SetupNVL.exe"), "#!/bin/sh\nsleep 0.2\necho started > \"" + marker + "\"\n");
    char previous[4096];
    win::GetCurrentDirectoryA(sizeof previous, previous);
    win::SetCurrentDirectoryA(folder_.c_str());
    const win::UINT result = win::WinExec("SetupNVL", win::SW_SHOW);
    win::SetCurrentDirectoryA(previous);
    EXPECT_GT(result, 31u);
    EXPECT_FALSE(fs::exists(marker)) << "WinExec does not wait for the program";
    for (int i = 0; i < 100 && !fs::exists(marker); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(fs::exists(marker));

    EXPECT_EQ(win::WinExec("NoSuchInstaller", win::SW_SHOW), win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(win::WinExec(Path("missing-folder/app").c_str(), win::SW_SHOW), win::ERROR_PATH_NOT_FOUND);
    WriteText(Path("windows.exe"), "MZ\x90");
    if (::system("command -v wine >/dev/null 2>&1") != 0) {
        EXPECT_EQ(win::WinExec(Path("windows.exe").c_str(), win::SW_SHOW), win::ERROR_BAD_FORMAT);
    }
}

// The installer is started by the full path of the file that was checked: neither the current
// folder nor PATH may offer another file of the same name.
TEST_F(Files, WinExecStartsAQuotedFullPathAndSearchesNowhere) {
    auto installer = [&](const std::string& path, const std::string& marker) {
        WriteText(path, "#!/bin/sh\necho ran >> \"" + Path(marker) + "\"\n");
    };
    fs::create_directory(Path("with blanks"));
    fs::create_directory(Path("on path"));
    installer(Path("with blanks/SetupNVL.exe"), "checked.txt");
    for (const char* decoy : {"SetupNVL.exe", "Absent.exe", "on path/SetupNVL.exe", "on path/Absent.exe"})
        installer(Path(decoy), "decoy.txt");
    const std::string path = std::getenv("PATH");
    ::setenv("PATH", (Path("on path") + ":" + path).c_str(), 1);
    ::setenv("NVL_DRIVE_C", folder_.c_str(), 1);
    char previous[4096];
    win::GetCurrentDirectoryA(sizeof previous, previous);
    win::SetCurrentDirectoryA(folder_.c_str());
    const std::string native = "\"" + Path("with blanks/SetupNVL.exe") + "\"";
    EXPECT_GT(win::WinExec(native.c_str(), win::SW_SHOW), 31u);
    EXPECT_GT(win::WinExec("\"C:\\with blanks\\SetupNVL.exe\"", win::SW_SHOW), 31u);
    const std::string absent = "\"" + Path("with blanks/Absent.exe") + "\"";
    EXPECT_EQ(win::WinExec(absent.c_str(), win::SW_SHOW), win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(win::WinExec("\"C:\\with blanks\\Absent.exe\"", win::SW_SHOW), win::ERROR_FILE_NOT_FOUND);
    win::SetCurrentDirectoryA(previous);
    ::setenv("PATH", path.c_str(), 1);
    ::unsetenv("NVL_DRIVE_C");
    for (int i = 0; i < 100 && test::Contents(Path("checked.txt")) != "ran\nran\n"; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(test::Contents(Path("checked.txt")), "ran\nran\n");
    EXPECT_FALSE(fs::exists(Path("decoy.txt")));
}

TEST(Process, CommandLineArgumentsCanBeReplaced) {
    const auto original = win::CommandLineArguments();
    ASSERT_FALSE(original.empty());
    EXPECT_NE(original[0].find("platform_tests"), std::string::npos);
    win::SetCommandLineArguments({"brantwell", "NVL", "two words"});
    EXPECT_STREQ(win::GetCommandLineA(), "brantwell NVL \"two words\"");
    win::SetCommandLineArguments(original);
}
