#include "cli/FetchProgress.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>

namespace cli {
namespace {

constexpr int kBarWidth = 20;
constexpr std::size_t kNameWidth = 24;

std::string Printed(const char* format, auto... values) {
    std::array<char, 128> text{};
    const int length = std::snprintf(text.data(), text.size(), format, values...);
    return std::string(text.data(), static_cast<std::size_t>(std::clamp(length, 0, int(text.size()) - 1)));
}

} // namespace

std::string FormatBytes(double bytes) {
    static constexpr std::array<const char*, 5> kUnits = {"B", "KiB", "MiB", "GiB", "TiB"};
    std::size_t unit = 0;
    while (bytes >= 1024 && unit + 1 < kUnits.size()) {
        bytes /= 1024;
        ++unit;
    }
    return unit == 0 ? Printed("%.0f B", bytes) : Printed("%.1f %s", bytes, kUnits[unit]);
}

std::string FormatDuration(double seconds) {
    const long long whole = std::llround(std::max(0.0, seconds));
    const long long hours = whole / 3600;
    if (hours > 0) return Printed("%lld:%02lld:%02lld", hours, whole / 60 % 60, whole % 60);
    return Printed("%lld:%02lld", whole / 60, whole % 60);
}

std::string Printable(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            shown += Printed("\\x%02x", byte);
        else
            shown += c;
    }
    return shown;
}

double TFetchProgress::SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

TFetchProgress::TFetchProgress(std::FILE* out, bool terminal, TClock clock)
    : out_(out), terminal_(terminal), clock_(std::move(clock)) {}

void TFetchProgress::FileStarted(const std::string& name) {
    name_ = Printable(name);
    size_.reset();
    started_ = clock_();
    lastDrawn_.reset();
}

void TFetchProgress::Progress(std::int64_t bytes) {
    if (!terminal_) return;
    const double now = clock_();
    if (lastDrawn_ && now - *lastDrawn_ < kRedrawInterval) return;
    DrawBar(bytes, now, false);
}

void TFetchProgress::DrawBar(std::int64_t bytes, double now, bool final) {
    lastDrawn_ = now;
    ++redraws_;
    const double seconds = now - started_;
    const double rate = seconds > 0 ? bytes / seconds : 0;
    std::string bar;
    std::string amount = FormatBytes(static_cast<double>(bytes));
    std::string left = "--:-- left";
    if (size_ && *size_ > 0) {
        const double done = std::min(1.0, static_cast<double>(bytes) / static_cast<double>(*size_));
        const int filled = static_cast<int>(done * kBarWidth);
        bar = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] " +
              Printed("%3d%%", static_cast<int>(done * 100)) + " ";
        amount += " / " + FormatBytes(static_cast<double>(*size_));
        if (rate > 0) left = FormatDuration(static_cast<double>(*size_ - bytes) / rate) + " left";
    }
    if (final) left = "in " + FormatDuration(seconds);
    const std::string name = name_.size() > kNameWidth ? name_.substr(0, kNameWidth - 1) + "~" : name_;
    std::fprintf(out_, "\r%-*s %s%s  %s/s  %s\x1b[K", static_cast<int>(kNameWidth), name.c_str(), bar.c_str(),
                 amount.c_str(), FormatBytes(rate).c_str(), left.c_str());
    std::fflush(out_);
}

std::string TFetchProgress::Summary(std::int64_t bytes, double seconds) const {
    const std::string rate = seconds > 0 ? FormatBytes(bytes / seconds) + "/s" : "-";
    return Printed("%lld bytes in %.2f s (%s)", static_cast<long long>(bytes), seconds, rate.c_str());
}

void TFetchProgress::FileDone(std::int64_t bytes) {
    const double now = clock_();
    if (terminal_) {
        if (size_) size_ = bytes;
        DrawBar(bytes, now, true);
        std::fputc('\n', out_);
    } else {
        std::fprintf(out_, "%s: %s\n", name_.c_str(), Summary(bytes, now - started_).c_str());
    }
    std::fflush(out_);
}

void TFetchProgress::FileFailed(const std::string& reason) {
    if (terminal_ && lastDrawn_) std::fputs("\r\x1b[K", out_);
    std::fprintf(out_, "%s: failed: %s\n", name_.c_str(), Printable(reason).c_str());
    std::fflush(out_);
}

} // namespace cli
