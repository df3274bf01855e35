#include "TransferReport.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iomanip>
#include <sstream>

#include "BlockPlan.h"
#include "Crc16.h"
#include "FileInfoLine.h"

namespace ymodem {

namespace {

// Names come from the line as raw bytes; a control byte would break the one-line report.
std::string Printable(std::string_view name) {
    std::string text(name);
    std::replace_if(
        text.begin(), text.end(),
        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '?');
    return text;
}

}  // namespace

std::string SummaryLine(const ReceivedImage& image) {
    const auto size = static_cast<std::int32_t>(image.Data.size());
    const auto crc = CalcCrc16(image.Data);
    const double seconds = std::chrono::duration<double>(image.Finished - image.Started).count();
    const long long rate = seconds > 0 ? std::llround(size / seconds) : 0;
    std::ostringstream line;
    line << "received: " << Printable(image.Name) << " size=" << size << ' '
         << FileInfoLine(size, PlanBlocks(size, kMaxLargeImageSize).PackCount, crc) << " time=" << std::fixed
         << std::setprecision(3) << seconds << "s rate=" << rate << "B/s";
    return line.str();
}

std::string VerifyLine(std::span<const std::uint8_t> received,
                       std::span<const std::uint8_t> expected) {
    if (std::equal(received.begin(), received.end(), expected.begin(), expected.end())) {
        return "verify: OK";
    }
    const auto at =
        std::mismatch(received.begin(), received.end(), expected.begin(), expected.end()).first;
    return "verify: MISMATCH size=" + std::to_string(received.size()) +
           " expected=" + std::to_string(expected.size()) + " first difference at byte " +
           std::to_string(at - received.begin());
}

std::string SessionLine(SessionEnd end, int erases) {
    const std::string erased = ", erases=" + std::to_string(erases);
    switch (end) {
        case SessionEnd::AllTransfers:
            return {};
        case SessionEnd::EmptyHead:
            return "session: ended by the sender (empty block 0)" + erased;
        case SessionEnd::SenderCancel:
            return "aborted: by the sender (CAN CAN)" + erased;
        case SessionEnd::StreamBroken:
            return "aborted: the stream broke, sent CAN CAN" + erased;
        case SessionEnd::Silence:
            return "aborted: nothing from the sender for " +
                   std::to_string(kIapSessionSilence.count()) + " s, sent CAN CAN" + erased;
    }
    return {};
}

std::string SafeFileName(std::string_view name) {
    const std::size_t cut = name.rfind('/');
    std::string file(cut == name.npos ? name : name.substr(cut + 1));
    if (file.empty() || file == "." || file == "..") return "received.bin";
    return file;
}

}  // namespace ymodem
