#include "platform/Kernel.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>

TEST(Kernel, ClocksAdvanceTogether) {
    win::LARGE_INTEGER frequency{}, before{}, after{};
    ASSERT_TRUE(win::QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency.QuadPart, 10000000);
    win::QueryPerformanceCounter(&before);
    const win::DWORD start = win::timeGetTime();
    win::Sleep(30);
    win::QueryPerformanceCounter(&after);
    const win::DWORD elapsed = win::timeGetTime() - start;
    EXPECT_GE(elapsed, 30u);
    const long long counted = (after.QuadPart - before.QuadPart) / (frequency.QuadPart / 1000);
    EXPECT_NEAR(static_cast<double>(counted), static_cast<double>(elapsed), 20.0);
}

TEST(Kernel, CriticalSectionsAreReentrantAndExclusive) {
    win::CRITICAL_SECTION section;
    win::InitializeCriticalSection(&section);
    win::EnterCriticalSection(&section);
    win::EnterCriticalSection(&section);
    EXPECT_EQ(section.RecursionCount, 2);
    bool otherGotIt = true;
    std::thread([&] { otherGotIt = win::TryEnterCriticalSection(&section) != 0; }).join();
    EXPECT_FALSE(otherGotIt);
    win::LeaveCriticalSection(&section);
    win::LeaveCriticalSection(&section);
    std::thread([&] {
        otherGotIt = win::TryEnterCriticalSection(&section) != 0;
        if (otherGotIt) win::LeaveCriticalSection(&section);
    }).join();
    EXPECT_TRUE(otherGotIt);
    win::DeleteCriticalSection(&section);
}

TEST(Kernel, VersionReportsTheHostAsNt) {
    win::OSVERSIONINFOA info{};
    EXPECT_FALSE(win::GetVersionExA(&info)) << "the size field must be set";
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(win::GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, win::VER_PLATFORM_WIN32_NT);
    EXPECT_GT(info.dwMajorVersion, 0u);
    EXPECT_NE(std::string(info.szCSDVersion), "");
}

TEST(Kernel, FormatMessageGivesSystemTextsWithLineEnds) {
    char text[256];
    const win::DWORD length =
        win::FormatMessageA(win::FORMAT_MESSAGE_FROM_SYSTEM | win::FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                            10061, 0, text, sizeof text, nullptr);
    ASSERT_GT(length, 2u);
    EXPECT_EQ(std::string(text).substr(length - 2), "\r\n");
    EXPECT_EQ(
        win::FormatMessageA(win::FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 10010, 0, text, sizeof text, nullptr),
        0u);
    EXPECT_EQ(win::GetLastError(), win::ERROR_MR_MID_NOT_FOUND);
    EXPECT_EQ(win::FormatMessageA(win::FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 2, 0, text, 4, nullptr), 0u)
        << "a buffer too small is refused";

    char* allocated = nullptr;
    ASSERT_GT(win::FormatMessageA(win::FORMAT_MESSAGE_FROM_SYSTEM | win::FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                  nullptr, 2, 0, reinterpret_cast<char*>(&allocated), 0, nullptr),
              0u);
    EXPECT_EQ(std::string(allocated), "The system cannot find the file specified.\r\n");
    win::LocalFree(allocated);
}

TEST(Kernel, LocalTimeIsPlausible) {
    win::SYSTEMTIME now{};
    win::GetLocalTime(&now);
    EXPECT_GE(now.wYear, 2024);
    EXPECT_GE(now.wMonth, 1);
    EXPECT_LE(now.wMonth, 12);
}
