// The platform's file, module and process calls on the system's own, run in a system code page
// that is not 950: program paths are Big5 and must reach the system as their own characters.
#include "platform/File.h"
#include "platform/Kernel.h"
#include "platform/Module.h"
#include "platform/Process.h"

#include "SystemView.h"

#include <fstream>
#include <gtest/gtest.h>
#include <process.h>
#include <string>

namespace {

// Big5 "功能" (A5 5C, AF E0) and "許可.dat" (B3 5C, A5 69): both first characters end in 0x5C.
const std::string kAbility = "\xA5\x5C\xAF\xE0";
const std::string kPermit = "\xB3\x5C\xA5\x69.dat";
const std::wstring kWideAbility = L"\u529F\u80FD";
const std::wstring kWidePermit = L"\u8A31\u53EF.dat";

class BigFivePaths : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(systemview::CodePage(), 950u) << "the system's code page must differ from the program's";
        ASSERT_TRUE(win::CreateDirectoryA(base_.c_str(), nullptr));
    }
    void TearDown() override { systemview::RemoveTree(wideBase_); }

    const std::string base_ = "C:\\nvl-big5-" + std::to_string(_getpid());
    const std::wstring wideBase_ = L"C:\\nvl-big5-" + std::to_wstring(_getpid());
    const std::string folder_ = base_ + "\\" + kAbility;
    const std::wstring wideFolder_ = wideBase_ + L"\\" + kWideAbility;
};

bool CreateNew(const std::string& path, const std::string& data) {
    const win::HANDLE file =
        win::CreateFileA(path.c_str(), win::GENERIC_WRITE, 0, nullptr, win::CREATE_NEW, 0, nullptr);
    if (file == win::INVALID_HANDLE_VALUE) return false;
    win::DWORD written = 0;
    const bool done =
        win::WriteFile(file, data.data(), static_cast<win::DWORD>(data.size()), &written, nullptr);
    win::CloseHandle(file);
    return done;
}

} // namespace

TEST_F(BigFivePaths, NamesReachTheSystemAsTheirCharactersAndComeBackAsTheirBytes) {
    ASSERT_TRUE(win::CreateDirectoryA(folder_.c_str(), nullptr));
    EXPECT_TRUE(systemview::IsFolder(wideFolder_));
    const std::string permit = folder_ + "\\" + kPermit;
    ASSERT_TRUE(CreateNew(permit, "data"));
    EXPECT_TRUE(systemview::IsFile(wideFolder_ + L"\\" + kWidePermit));
    win::WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(win::GetFileAttributesExA(permit.c_str(), win::GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 4u);
    EXPECT_EQ(win::GetFileAttributesA(permit.c_str()) & win::FILE_ATTRIBUTE_DIRECTORY, 0u);

    win::WIN32_FIND_DATAA found{};
    const win::HANDLE find = win::FindFirstFileA((folder_ + "\\*.dat").c_str(), &found);
    ASSERT_NE(find, win::INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::string(found.cFileName), kPermit);
    EXPECT_EQ(found.nFileSizeLow, 4u);
    EXPECT_FALSE(win::FindNextFileA(find, &found));
    EXPECT_EQ(win::GetLastError(), win::ERROR_NO_MORE_FILES);
    win::FindClose(find);

    const std::string ability = folder_ + "\\" + kAbility + ".txt";
    ASSERT_TRUE(win::MoveFileA(permit.c_str(), ability.c_str()));
    ASSERT_TRUE(CreateNew(permit, "older"));
    EXPECT_FALSE(win::MoveFileExA(ability.c_str(), permit.c_str(), 0));
    EXPECT_TRUE(win::MoveFileExA(ability.c_str(), permit.c_str(), win::MOVEFILE_REPLACE_EXISTING));
    ASSERT_TRUE(win::GetFileAttributesExA(permit.c_str(), win::GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 4u) << "the moved file replaced the older one";
    EXPECT_FALSE(systemview::IsFile(wideFolder_ + L"\\" + kWideAbility + L".txt"));

    char previous[win::MAX_PATH];
    win::GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(win::SetCurrentDirectoryA(folder_.c_str()));
    char current[win::MAX_PATH];
    EXPECT_EQ(win::GetCurrentDirectoryA(sizeof current, current), folder_.size());
    EXPECT_EQ(std::string(current), folder_);
    EXPECT_EQ(win::GetCurrentDirectoryA(4, current), folder_.size() + 1) << "the size it needs";
    win::SetCurrentDirectoryA(previous);

    EXPECT_TRUE(win::DeleteFileA(permit.c_str()));
    EXPECT_TRUE(win::RemoveDirectoryA(folder_.c_str()));
    EXPECT_FALSE(systemview::IsFolder(wideFolder_));
}

TEST_F(BigFivePaths, APathThatIsNoBig5IsAnInvalidName) {
    const std::string broken = base_ + "\\x\xA5";
    EXPECT_FALSE(CreateNew(broken, "x"));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_NAME);
    EXPECT_FALSE(win::CreateDirectoryA(broken.c_str(), nullptr));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_NAME);
    EXPECT_EQ(win::GetFileAttributesA(broken.c_str()), win::INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_NAME);
    EXPECT_FALSE(win::MoveFileExA(base_.c_str(), broken.c_str(), win::MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_NAME);
}

TEST(Program, ItsOwnPathIsCutAsTheSystemCutsItWhenTheBufferIsShort) {
    char path[win::MAX_PATH];
    const win::DWORD length = win::GetModuleFileNameA(nullptr, path, sizeof path);
    ASSERT_GT(length, 0u);
    EXPECT_NE(std::string(path, length).find("wine_platform_tests.exe"), std::string::npos);
    char shortBuffer[4];
    EXPECT_EQ(win::GetModuleFileNameA(nullptr, shortBuffer, sizeof shortBuffer), sizeof shortBuffer);
    EXPECT_EQ(win::GetLastError(), win::ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(shortBuffer), std::string(path, 3));
}

// The installer is started by the quoted full path of its folder, blanks and all.
TEST(Program, WinExecStartsAQuotedFullPath) {
    std::string source = MARKER_SETUP; // a path of the Linux side, drive Z: here
    for (char& c : source)
        if (c == '/') c = '\\';
    const std::string folder = "C:\\nvl setup " + std::to_string(_getpid());
    const std::string installer = folder + "\\SetupNVL.exe";
    const std::string marker = folder + "\\installer-ran.txt";
    ASSERT_TRUE(win::CreateDirectoryA(folder.c_str(), nullptr));
    {
        std::ifstream in("Z:" + source, std::ios::binary);
        std::ofstream out(installer, std::ios::binary);
        ASSERT_TRUE(out << in.rdbuf());
    }
    EXPECT_GT(win::WinExec(("\"" + installer + "\"").c_str(), win::SW_SHOW), 31u);
    for (int i = 0; i < 200 && win::GetFileAttributesA(marker.c_str()) == win::INVALID_FILE_ATTRIBUTES; ++i)
        win::Sleep(50);
    EXPECT_NE(win::GetFileAttributesA(marker.c_str()), win::INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(win::WinExec(("\"" + folder + "\\Absent.exe\"").c_str(), win::SW_SHOW),
              win::ERROR_FILE_NOT_FOUND);
    for (int i = 0; i < 100 && !win::DeleteFileA(marker.c_str()); ++i)
        win::Sleep(50); // the installer may hold it a moment longer
    win::DeleteFileA(installer.c_str());
    win::RemoveDirectoryA(folder.c_str());
}
