// What ftpfetch shows while it works: on a terminal one bar per file, redrawn at most ten times a
// second; otherwise one line per file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace cli {

// "812 B", "4.0 KiB", "256.0 MiB".
std::string FormatBytes(double bytes);
// "0:07", "1:02:03".
std::string FormatDuration(double seconds);
// A text from the server as it may be shown: control bytes as \xNN, so that none of them moves the
// cursor, clears the screen or talks to the terminal.
std::string Printable(std::string_view text);

class TFetchProgress {
public:
    // Seconds on a clock that never goes back.
    using TClock = std::function<double()>;
    static constexpr double kRedrawInterval = 0.1;

    TFetchProgress(std::FILE* out, bool terminal, TClock clock = SteadySeconds);

    void FileStarted(const std::string& name);
    // The size the server announced for the file being fetched.
    void SizeAnnounced(std::int64_t size) { size_ = size; }
    void Progress(std::int64_t bytes);
    void FileDone(std::int64_t bytes);
    void FileFailed(const std::string& reason);
    int Redraws() const { return redraws_; }

    static double SteadySeconds();

private:
    void DrawBar(std::int64_t bytes, double now, bool final);
    std::string Summary(std::int64_t bytes, double seconds) const;

    std::FILE* out_;
    bool terminal_;
    TClock clock_;
    std::string name_;
    std::optional<std::int64_t> size_;
    double started_ = 0;
    std::optional<double> lastDrawn_;
    int redraws_ = 0;
};

} // namespace cli
