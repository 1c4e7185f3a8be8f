#include "rtl/Exceptions.h"
#include "rtl/FileStream.h"
#include "rtl/FileUtils.h"
#include "rtl/TextFile.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "support/TempFolder.h"
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class RuntimeFiles : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return temp_.Path(name); }
    static std::string Content(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    test::TempFolder temp_{"rtl-files"};
    const fs::path& folder_ = temp_.path();
};

} // namespace

TEST_F(RuntimeFiles, TextFilesWriteAppendAndReadLines) {
    rtl::TTextFile file(Path("history.his"));
    EXPECT_EQ(file.Append(), 2) << "appending to a missing file is file-not-found";
    ASSERT_EQ(file.Rewrite(), 0);
    EXPECT_EQ(file.WriteLn("first"), 0);
    EXPECT_EQ(file.Close(), 0);
    ASSERT_EQ(file.Append(), 0);
    file.Write("second");
    file.WriteLn();
    file.Write("tail");
    ASSERT_EQ(file.Close(), 0);
    EXPECT_EQ(Content(Path("history.his")), "first\r\nsecond\r\ntail");

    ASSERT_EQ(file.Reset(), 0);
    std::string line;
    std::vector<std::string> lines;
    while (!file.Eof()) {
        ASSERT_EQ(file.ReadLn(line), 0);
        lines.push_back(line);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"first", "second", "tail"}));
    EXPECT_EQ(file.WriteLn("x"), rtl::ioNotOpenForOutput);
    file.Close();
    EXPECT_EQ(file.WriteLn("x"), rtl::ioNotOpen);
    EXPECT_EQ(file.ReadLn(line), rtl::ioNotOpen);
}

TEST_F(RuntimeFiles, TextFileErrorsCarryTheRuntimesCodes) {
    rtl::TTextFile missingFolder(Path("no/such/PORT.TRC"));
    EXPECT_EQ(missingFolder.Rewrite(), 3);
    rtl::TTextFile unnamed;
    EXPECT_EQ(unnamed.Rewrite(), rtl::ioNotAssigned);
    try {
        rtl::CheckIo(2);
        FAIL();
    } catch (const rtl::EInOutError& e) {
        EXPECT_EQ(e.ErrorCode, 2);
        EXPECT_STREQ(e.what(), "File not found");
    }
    EXPECT_NO_THROW(rtl::CheckIo(0));
    if (fs::exists("/dev/full")) {
        rtl::TTextFile full("/dev/full");
        full.SetBufferSize(512);
        ASSERT_EQ(full.Append(), 0);
        EXPECT_EQ(full.Write(std::string(100, 'x')), 0) << "still in the buffer";
        EXPECT_EQ(full.Close(), rtl::ioDiskFull);
    }
}

TEST_F(RuntimeFiles, FileStreamsReadWriteAndReportOpenErrors) {
    {
        rtl::TFileStream stream(Path("data.bin"), rtl::fmCreate);
        stream.WriteBuffer("0123456789", 10);
        EXPECT_EQ(stream.Size(), 10);
    }
    {
        rtl::TFileStream stream(Path("data.bin"), rtl::fmOpenReadWrite);
        stream.SetPosition(4);
        stream.SetSize(4);
        EXPECT_EQ(stream.Size(), 4);
        char buffer[8] = {};
        stream.SetPosition(0);
        EXPECT_EQ(stream.Read(buffer, sizeof buffer), 4);
        EXPECT_THROW(stream.ReadBuffer(buffer, 1), rtl::EReadError);
    }
    try {
        rtl::TFileStream stream(Path("absent.bin"), rtl::fmOpenRead);
        FAIL();
    } catch (const rtl::EFOpenError& e) {
        EXPECT_EQ(e.ErrorCode, 2);
        EXPECT_NE(std::string(e.what()).find("absent.bin"), std::string::npos);
    }
    EXPECT_THROW(rtl::TFileStream(Path("no/dir/x"), rtl::fmCreate), rtl::EFCreateError);
}

TEST_F(RuntimeFiles, StreamsCopyIntoEachOther) {
    rtl::TMemoryStream memory;
    memory.WriteBuffer("abcdef", 6);
    memory.SetPosition(2);
    char two[2];
    memory.ReadBuffer(two, 2);
    EXPECT_EQ(std::string(two, 2), "cd");
    {
        rtl::TFileStream file(Path("copy.bin"), rtl::fmCreate);
        EXPECT_EQ(file.CopyFrom(memory, 0), 6) << "0 copies the whole source";
    }
    EXPECT_EQ(Content(Path("copy.bin")), "abcdef");
    memory.SetSize(3);
    EXPECT_EQ(memory.Size(), 3);
    EXPECT_EQ(memory.Position(), 3);
}

TEST_F(RuntimeFiles, FoldersAndPathParts) {
    const std::string deep = Path("a/b/c");
    EXPECT_FALSE(rtl::DirectoryExists(deep));
    EXPECT_TRUE(rtl::ForceDirectories(deep + "/"));
    EXPECT_TRUE(rtl::DirectoryExists(deep));
    EXPECT_TRUE(rtl::ForceDirectories(deep)) << "an existing folder is fine";
    EXPECT_FALSE(rtl::ForceDirectories("/proc/no-such/folder"));

    EXPECT_EQ(rtl::ExtractFilePath("D:\\Apps\\brantwell.exe"), "D:\\Apps\\");
    EXPECT_EQ(rtl::ExtractFilePath("/opt/nvl/brantwell"), "/opt/nvl/");
    EXPECT_EQ(rtl::ExtractFileName("C:\\Brantwell\\SetupNVL.exe"), "SetupNVL.exe");
    EXPECT_EQ(rtl::ExtractFileExt("archive.tar.gz"), ".gz");
    EXPECT_EQ(rtl::ExtractFileExt("dir.d/noext"), "");
    EXPECT_EQ(rtl::IncludeTrailingPathDelimiter("/tmp"), "/tmp/");
}

TEST_F(RuntimeFiles, FileAgeIsTheLocalLastWriteTime) {
    const std::string name = Path("SetupNVL.exe");
    std::ofstream(name) << "x";
    rtl::TDateTime age = 0;
    ASSERT_TRUE(rtl::FileAge(name, age));
    EXPECT_NEAR(age, rtl::Now(), 1.0 / 24 / 60) << "written within the last minute";
    EXPECT_FALSE(rtl::FileAge(Path("absent"), age));
    EXPECT_FALSE(rtl::FileAge(folder_.string(), age)) << "a folder has no file age";
}

TEST(Params, ComeFromTheCommandLine) {
    EXPECT_NE(rtl::ParamStr(0).find("rtl_tests"), std::string::npos);
    EXPECT_EQ(rtl::ParamStr(rtl::ParamCount() + 1), "");
}
