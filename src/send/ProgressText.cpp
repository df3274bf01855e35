#include "ProgressText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ymodem {

namespace {

constexpr int kTransferBarWidth = 24;
constexpr int kSummaryBarWidth = 20;

template <typename... Values>
std::string Printed(const char* format, Values... values) {
    char text[64];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// Bytes in binary units, as pv and curl count them: 955 B, 14.0 KiB, 3.2 MiB.
std::string ByteCountText(double bytes) {
    if (bytes < 1024) return Printed("%.0f B", bytes);
    if (bytes < 1024 * 1024) return Printed("%.1f KiB", bytes / 1024);
    return Printed("%.1f MiB", bytes / (1024 * 1024));
}

std::string RateText(std::optional<double> rate) {
    return rate ? ByteCountText(*rate) + "/s" : std::string("--- B/s");
}

std::string TimeLeftText(std::optional<double> seconds) {
    if (!seconds) return "ETA --:--:--";
    const auto whole = static_cast<long long>(std::ceil(std::min(*seconds, 359999.0)));
    return Printed("ETA %lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
}

int Percent(const TransferBytes& bytes) {
    if (bytes.Total <= 0) return 0;
    return static_cast<int>(std::clamp<std::int64_t>(bytes.Confirmed * 100 / bytes.Total, 0, 100));
}

// ` 45% [=====>     ]`: the head marks where the transfer has got to.
std::string PercentAndBar(const TransferBytes& bytes, int width) {
    const int filled = Percent(bytes) * width / 100;
    std::string bar(static_cast<std::size_t>(width), ' ');
    std::fill_n(bar.begin(), filled, '=');
    if (filled < width) bar[static_cast<std::size_t>(filled)] = '>';
    return Printed("%3d%% [", Percent(bytes)) + bar + "]";
}

std::optional<double> SecondsLeft(const TransferProgress& progress) {
    if (!progress.Rate || *progress.Rate <= 0) return std::nullopt;
    const auto left = std::max<std::int64_t>(progress.Bytes.Total - progress.Bytes.Confirmed, 0);
    return static_cast<double>(left) / *progress.Rate;
}

}  // namespace

std::string TransferLineText(const TransferProgress& progress) {
    return PercentAndBar(progress.Bytes, kTransferBarWidth) + " " +
           ByteCountText(static_cast<double>(progress.Bytes.Confirmed)) + "/" +
           ByteCountText(static_cast<double>(progress.Bytes.Total)) + "  " +
           RateText(progress.Rate) + "  " + TimeLeftText(SecondsLeft(progress));
}

std::string SummaryLineText(std::span<const std::optional<TransferProgress>> round, int underWay) {
    TransferBytes together;
    std::optional<double> rate;
    std::optional<double> slowest;
    for (const auto& port : round) {
        if (!port) continue;
        together.Confirmed += port->Bytes.Confirmed;
        together.Total += port->Bytes.Total;
        if (port->Rate) rate = rate.value_or(0) + *port->Rate;
        if (const auto left = SecondsLeft(*port)) slowest = std::max(slowest.value_or(0), *left);
    }
    return Printed("%d of %zu ports flashing  ", underWay, round.size()) +
           PercentAndBar(together, kSummaryBarWidth) + " " + RateText(rate) + "  " +
           TimeLeftText(slowest);
}

}  // namespace ymodem
