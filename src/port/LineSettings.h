#pragma once

#include <optional>

#include <string>
#include <string_view>

namespace ymodem {

// The line settings of a serial port as the text "BAUD,P,D,S", e.g. "115200,N,8,1":
// baud rate, parity letter (N, E, O, M or S), data bits (5 to 8) and stop bits
// (1, 1.5 or 2).
class LineSettings {
public:
    enum class Parity { kNone, kEven, kOdd, kMark, kSpace };
    enum class StopBits { kOne, kOneAndHalf, kTwo };

    // 9600,N,8,1
    LineSettings() = default;

    // Nothing when the text (UTF-8) is not a settings text. Blanks around the fields and
    // the letter case of the parity are forgiven.
    static std::optional<LineSettings> Parse(std::string_view text);

    // The canonical form: parity in upper case, no blanks.
    std::string Text() const;

    int BaudRate() const { return baudRate_; }
    Parity ParityMode() const { return parity_; }
    int DataBits() const { return dataBits_; }
    StopBits Stop() const { return stopBits_; }

    bool operator==(const LineSettings&) const = default;

private:
    int baudRate_ = 9600;
    Parity parity_ = Parity::kNone;
    int dataBits_ = 8;
    StopBits stopBits_ = StopBits::kOne;
};

}  // namespace ymodem
