#include "cli/FetchProgress.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace {

// What the progress wrote, on a clock the test moves.
class Progress : public ::testing::Test {
protected:
    void SetUp() override { out_ = ::open_memstream(&buffer_, &size_); }
    void TearDown() override {
        std::fclose(out_);
        std::free(buffer_);
    }
    std::string Written() {
        std::fflush(out_);
        return std::string(buffer_, size_);
    }
    cli::TFetchProgress Make(bool terminal) {
        return cli::TFetchProgress(out_, terminal, [this] { return now_; });
    }

    double now_ = 100;
    std::FILE* out_ = nullptr;
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace

TEST(FetchProgressText, BytesAndDurations) {
    EXPECT_EQ(cli::FormatBytes(0), "0 B");
    EXPECT_EQ(cli::FormatBytes(1023), "1023 B");
    EXPECT_EQ(cli::FormatBytes(4096), "4.0 KiB");
    EXPECT_EQ(cli::FormatBytes(256.0 * 1024 * 1024), "256.0 MiB");
    EXPECT_EQ(cli::FormatBytes(3.5 * 1024 * 1024 * 1024), "3.5 GiB");
    EXPECT_EQ(cli::FormatDuration(7.4), "0:07");
    EXPECT_EQ(cli::FormatDuration(62), "1:02");
    EXPECT_EQ(cli::FormatDuration(3723), "1:02:03");
    EXPECT_EQ(cli::FormatDuration(-1), "0:00");
}

TEST_F(Progress, ATerminalBarIsRedrawnAtMostTenTimesASecond) {
    cli::TFetchProgress progress = Make(true);
    progress.FileStarted("big.bin");
    progress.SizeAnnounced(1000 * 1000);
    // A block every millisecond for two seconds.
    for (int block = 1; block <= 2000; ++block) {
        now_ += 0.001;
        progress.Progress(block * 500);
    }
    EXPECT_GE(progress.Redraws(), 19);
    EXPECT_LE(progress.Redraws(), 21);
    const std::string bar = Written();
    EXPECT_NE(bar.find("big.bin"), std::string::npos);
    EXPECT_NE(bar.find("[##########..........]  50%"), std::string::npos) << bar;
    EXPECT_NE(bar.find("/ 976.6 KiB"), std::string::npos) << bar;
    EXPECT_NE(bar.find("488.3 KiB/s"), std::string::npos) << bar;
    EXPECT_NE(bar.find("0:01 left"), std::string::npos) << bar;
    EXPECT_EQ(bar.find('\n'), std::string::npos) << "one line, redrawn in place";

    now_ += 0.001;
    progress.FileDone(1000 * 1000);
    const std::string done = Written();
    EXPECT_NE(done.find("100%"), std::string::npos);
    EXPECT_EQ(done.back(), '\n');
}

TEST_F(Progress, WithoutATerminalEachFileIsOneLine) {
    cli::TFetchProgress progress = Make(false);
    progress.FileStarted("a.dat");
    for (int block = 1; block <= 100; ++block) {
        now_ += 0.01;
        progress.Progress(block * 1024);
    }
    progress.FileDone(100 * 1024);
    progress.FileStarted("b.dat");
    progress.FileFailed("550 No such file");
    EXPECT_EQ(Written(), "a.dat: 102400 bytes in 1.00 s (100.0 KiB/s)\nb.dat: failed: 550 No such file\n");
    EXPECT_EQ(progress.Redraws(), 0);
}
