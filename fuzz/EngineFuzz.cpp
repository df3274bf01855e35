// Drives the transfer engine with a script decoded from the input and checks every frame it
// writes against a model kept here, built without the engine's own frame code.
//
// The script is a list of steps, each led by one byte whose value modulo 16 picks it:
//   0-5   a receive event: header byte (low 3 bits 7: another event code follows; bits 3-4:
//         length 1, 2, next byte % 16 or two bytes % 1201; bits 5-7: extra bytes placed at
//         random spots), then one token per leading byte (0 ACK, 1 NAK, 2 C, 3 raw byte
//         follows) and a filler byte past the sixteenth
//   6     the receive event failed to read
//   7-8   time passes, firing each timer at its own deadline; 9: the same, but the shell
//         wakes only once at the end, late. Next byte: scale (% 4) then amount
//   10-11 a burn file is loaded: flags (bits 0-2 size kind, bit 3 a source that ignores
//         the size limit, bit 4 a new path follows, bits 5-7 content pattern)
//   12    the port is closed or opened again
//   13    a well-behaved device answers the next (1 + byte % 48) frames
//   14    the device asks to start (C) and the line falls quiet
//   15    time runs to the next deadline, give or take a nanosecond
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "TransferEngine.h"

namespace ymodem::fuzz {

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// The protocol's bytes, written out here rather than taken from the code under test.
constexpr std::uint8_t kSohByte = 0x01;
constexpr std::uint8_t kStxByte = 0x02;
constexpr std::uint8_t kEotByte = 0x04;
constexpr std::uint8_t kAckByte = 0x06;
constexpr std::uint8_t kNakByte = 0x15;
constexpr std::uint8_t kStartByte = 0x43;
constexpr std::uint8_t kFillByte = 0x1A;
constexpr int kMaxImage = 32767;
constexpr int kMaxSteps = 600;

constexpr std::array<int, 16> kEdgeSizes = {0,    1,    5,    127,  128,  129,  1023,  1024,
                                            1025, 1151, 1152, 1153, 2048, 3000, 32640, 32767};

std::uint16_t Crc16Xmodem(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0;
    for (const std::uint8_t byte : bytes) {
        crc ^= static_cast<std::uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<std::uint16_t>(crc << 1);
        }
    }
    return crc;
}

std::string NameOf(const std::string& path) {
    const auto cut = path.find_last_of(kPathSeparator);
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// One transfer as the device would see it: from a block 0 to the next block 0 or load.
struct Transfer {
    bool Started = false;
    Bytes Image;
    std::string Name;
    bool SeenWhole = true;  // the port stayed open, so every frame of it was written
    int LastBlock = 0;
    bool FinalWritten = false;
    bool EotWritten = false;
};

class FrameModel {
public:
    Bytes Image;  // the image the engine holds; before any load, the empty one
    std::string Path;
    std::optional<std::string> ImagePath;  // the path the image was loaded from

    // Block 0 names the file the image came from, whatever path was chosen since.
    void HeadBuilt(bool portOpen) {
        current_ = Transfer{true, Image, NameOf(ImagePath ? *ImagePath : Path), portOpen};
    }
    void Loaded(Bytes image, bool endedTransfer, bool portOpen) {
        Image = std::move(image);
        ImagePath = Path;
        current_ = Transfer{};
        if (endedTransfer) {
            eotDue_ = false;
            eotKnown_ = portOpen;
        }
    }
    void PortClosed() {
        current_.SeenWhole = false;
        eotKnown_ = false;
    }

    void Written(std::span<const std::uint8_t> frame) {
        if (frame.size() == 1) {
            CheckEot(frame[0]);
            return;
        }
        Require(frame.size() == 133 || frame.size() == 1029, "frame of 133, 1029 or 1 bytes");
        Require(frame[0] == (frame.size() == 133 ? kSohByte : kStxByte), "start byte fits size");
        Require(frame[2] == static_cast<std::uint8_t>(255 - frame[1]), "block number complement");
        const auto payload = frame.subspan(3, frame.size() - 5);
        const std::uint16_t crc = Crc16Xmodem(payload);
        Require(frame[frame.size() - 2] == crc >> 8 && frame[frame.size() - 1] == (crc & 0xFF),
                "CRC-16/XMODEM of the payload");
        if (frame[1] == 0) {
            CheckHead(frame.size(), payload);
        } else {
            CheckData(frame[1], payload);
        }
    }

private:
    void CheckEot(std::uint8_t byte) {
        Require(byte == kEotByte, "a one-byte frame is EOT");
        if (eotKnown_) Require(eotDue_, "EOT only after a block that reached the end, once");
        // Sending it stopped the timer, so whatever went unwritten before no longer counts.
        eotDue_ = false;
        eotKnown_ = true;
        current_.EotWritten = true;
    }

    void CheckHead(std::size_t frameSize, std::span<const std::uint8_t> payload) {
        Require(frameSize == 133, "block 0 is a 128-byte block");
        Require(current_.Started && current_.LastBlock == 0, "block 0 opens its transfer");
        const std::string digits = std::to_string(current_.Image.size());
        const auto nameEnd = std::find(payload.begin(), payload.end(), 0);
        Require(nameEnd != payload.end(), "block 0 has the name's NUL");
        const std::string name(payload.begin(), nameEnd);
        const std::size_t room = 126 - digits.size();
        Require(current_.Name.starts_with(name), "block 0 names the loaded file");
        if (current_.Name.size() <= room) {
            Require(name == current_.Name, "a name that fits is sent whole");
        } else {
            Require(name.size() <= room && name.size() + 4 > room,
                    "a long name is cut by less than one character");
        }
        auto at = nameEnd + 1;
        for (const char digit : digits) {
            Require(at != payload.end() && *at++ == static_cast<std::uint8_t>(digit),
                    "block 0 gives the image's size in decimal");
        }
        Require(std::all_of(at, payload.end(), [](std::uint8_t b) { return b == 0; }),
                "block 0 ends with NUL padding");
    }

    void CheckData(int number, std::span<const std::uint8_t> payload) {
        Require(current_.Started, "a data block follows block 0 of the image it carries");
        Require(!current_.FinalWritten && !current_.EotWritten,
                "nothing follows the block that reaches the end");
        Require(number > current_.LastBlock, "block numbers only grow");
        if (current_.SeenWhole) Require(number == current_.LastBlock + 1, "no block skipped");
        const int size = static_cast<int>(current_.Image.size());
        const int whole = size / 1024;
        const int planned = whole + (size % 1024 + 127) / 128;
        Require(number <= planned + 1, "block number within the plan plus one");
        const bool isLong = number <= whole;
        Require(payload.size() == (isLong ? 1024u : 128u),
                "1024-byte blocks while a whole one fits, then 128-byte ones");
        const int offset = isLong ? (number - 1) * 1024 : whole * 1024 + (number - 1 - whole) * 128;
        bool filled = false;
        for (std::size_t i = 0; i < payload.size(); ++i) {
            const std::size_t position = static_cast<std::size_t>(offset) + i;
            std::uint8_t expected = kFillByte;
            if (position < current_.Image.size()) {
                expected = current_.Image[position];
            } else {
                filled = true;
            }
            Require(payload[i] == expected, "data block carries the image at its offset");
        }
        current_.LastBlock = number;
        current_.FinalWritten = filled;
        if (filled) eotDue_ = true;
    }

    Transfer current_;
    // The EOT's timer outlives the transfer that started it: only a load that ends a
    // running transfer stops it, while a reset lets it run (the engine's tests pin that
    // down), and a block 0 or a load after the reset does not stop it either. So the EOT
    // is owed to the last block that reached the end, not to the current transfer.
    bool eotDue_ = false;
    bool eotKnown_ = true;  // no frame went unwritten since the EOT's timer last stopped
};

class ModelLink : public SerialLink {
public:
    explicit ModelLink(FrameModel& model) : model_(model) {}

    bool Open = true;
    std::size_t Written = 0;
    bool LastWasHead = false;

    bool PortOpen() const override { return Open; }
    void SetOutBufferCount(int count) override { Require(count == 0, "only 0 is assigned"); }
    void Output(std::span<const std::uint8_t> frame) override {
        Require(Open, "nothing is written to a closed port");
        // Seeds are opaque scripts; the trace shows what a saved input makes the engine send.
        static const bool trace = std::getenv("YMODEM_FUZZ_TRACE") != nullptr;
        if (trace) {
            std::fprintf(stderr, "frame %zu bytes, block %d\n", frame.size(),
                         frame.size() > 1 ? frame[1] : -1);
        }
        model_.Written(frame);
        ++Written;
        LastWasHead = frame.size() == 133 && frame[1] == 0;
    }

private:
    FrameModel& model_;
};

class ModelView : public TransferView {
public:
    int Max = 100;
    int Value = 0;
    int FileInfoWrites = 0;

    void SetStatusText(const std::string&) override {}
    void SetFileInfoText(const std::string&) override { ++FileInfoWrites; }
    int ProgressMax() const override { return Max; }
    void SetProgressMax(int max) override { Max = max; }
    int ProgressValue() const override { return Value; }
    void SetProgressValue(int value) override { Value = value; }
};

class ModelFiles : public BurnFileSource {
public:
    std::optional<Bytes> Next;
    bool IgnoresLimit = false;

    std::optional<Bytes> ReadBurnFile(const std::string&, std::int32_t maxSize) override {
        if (!Next || (!IgnoresLimit && Next->size() > static_cast<std::size_t>(maxSize))) {
            return std::nullopt;
        }
        return Next;
    }
};

Bytes MakeImage(std::size_t size, int pattern, std::uint32_t seed) {
    Bytes image(size);
    std::uint32_t state = seed | 1;
    for (std::size_t i = 0; i < size; ++i) {
        switch (pattern) {
            case 5:
                image[i] = kFillByte;
                break;
            case 6:
                image[i] = 0;
                break;
            case 7:
                image[i] = static_cast<std::uint8_t>(i);
                break;
            default:
                state ^= state << 13;
                state ^= state >> 17;
                state ^= state << 5;
                image[i] = static_cast<std::uint8_t>(state >> 24);
        }
    }
    return image;
}

class Session {
public:
    explicit Session(FuzzInput& in) : in_(in) {}

    void Run() {
        for (int step = 0; step < kMaxSteps && !in_.Empty(); ++step) {
            Step(in_.Byte() % 16);
            Require(view_.Value >= 0 && view_.Value <= view_.Max, "progress within 0..Max");
        }
    }

private:
    void Step(int op) {
        if (op <= 5) {
            Receive();
        } else if (op == 6) {
            engine_.OnCommFailed();
        } else if (op <= 9) {
            const TimePoint amount = Duration();
            op == 9 ? WakeLate(amount) : Advance(amount);
        } else if (op <= 11) {
            Load();
        } else if (op == 12) {
            link_.Open = !link_.Open;
            if (!link_.Open) model_.PortClosed();
        } else if (op == 13) {
            AnswerFrames(1 + in_.Byte() % 48);
        } else if (op == 14) {
            const std::uint8_t start[] = {kStartByte};
            engine_.OnComm(now_, kCommEventReceive, start);
            Advance(3ms);
        } else {
            const auto next = engine_.NextWake();
            const int nudge = in_.Byte() % 3 - 1;
            if (next) Advance(std::max(TimePoint{0}, *next - now_ + TimePoint{nudge}));
        }
    }

    std::uint8_t Token() {
        switch (in_.Byte() % 4) {
            case 0:
                return kAckByte;
            case 1:
                return kNakByte;
            case 2:
                return kStartByte;
            default:
                return in_.Byte();
        }
    }

    void Receive() {
        const std::uint8_t header = in_.Byte();
        const int code = (header & 7) == 7 ? static_cast<std::int8_t>(in_.Byte()) : 2;
        std::size_t length = 1;
        switch ((header >> 3) & 3) {
            case 1:
                length = 2;
                break;
            case 2:
                length = in_.Byte() % 16;
                break;
            case 3:
                length = static_cast<std::size_t>(in_.Range(0, 1200));
                break;
        }
        Bytes bytes(length);
        std::uint8_t filler = 0;
        for (std::size_t i = 0; i < length; ++i) {
            if (i == 16) filler = in_.Byte();
            bytes[i] = i < 16 ? Token() : filler;
        }
        for (int extra = header >> 5; extra > 0 && length > 0; --extra) {
            bytes[static_cast<std::size_t>(in_.Range(0, static_cast<int>(length) - 1))] = Token();
        }
        engine_.OnComm(now_, code, bytes);
    }

    TimePoint Duration() {
        const std::uint8_t scale = in_.Byte() % 4;
        const std::int64_t amount = in_.Byte();
        switch (scale) {
            case 0:
                return std::chrono::microseconds(amount * 50);
            case 1:
                return std::chrono::milliseconds(amount);
            case 2:
                return std::chrono::milliseconds(amount * 20);
            default:
                return std::chrono::seconds((amount + 1) * 10);
        }
    }

    // As the window's event loop does: each timer fires at its own deadline, in order.
    void Advance(TimePoint amount) {
        const TimePoint until = now_ + amount;
        while (const auto next = engine_.NextWake()) {
            if (*next > until) break;
            now_ = std::max(now_, *next);
            engine_.OnWake(now_);
            const auto after = engine_.NextWake();
            Require(!after || *after > now_, "every timer due is fired");
        }
        now_ = until;
    }

    // A busy shell that wakes the engine once, long after several deadlines passed.
    void WakeLate(TimePoint amount) {
        now_ += amount;
        engine_.OnWake(now_);
        const auto after = engine_.NextWake();
        Require(!after || *after > now_, "a late wake fires everything due");
    }

    void Load() {
        const std::uint8_t flags = in_.Byte();
        std::optional<std::size_t> size;
        switch (flags & 7) {
            case 0:
                size = static_cast<std::size_t>(kEdgeSizes[in_.Byte() % kEdgeSizes.size()]);
                break;
            case 5:
                size = in_.Byte();
                break;
            case 6:
                size = static_cast<std::size_t>(kMaxImage + 1 + in_.Byte() * 16);
                break;
            case 7:
                break;  // no such file
            default:
                size = static_cast<std::size_t>(in_.Range(0, kMaxImage));
        }
        files_.IgnoresLimit = (flags & 8) != 0;
        if (flags & 0x10) {
            // The window takes the chosen path before it tries to load, refused or not.
            std::string path = in_.Text(in_.Byte() % 200);
            std::replace(path.begin(), path.end(), '\0', '_');
            model_.Path = path;
            engine_.State().FilePath = path;
        }
        files_.Next.reset();
        if (size) files_.Next = MakeImage(*size, flags >> 5, in_.Word());

        const bool running = engine_.State().SendStep != 0;
        const int infoWritesBefore = view_.FileInfoWrites;
        engine_.LoadBurnFile();
        const bool accepted = view_.FileInfoWrites != infoWritesBefore;
        const bool acceptable = size && *size <= static_cast<std::size_t>(kMaxImage);
        Require(accepted == acceptable, "images up to 32767 bytes load, others are refused");
        if (!accepted) return;
        const int blocks = static_cast<int>(*size / 1024 + (*size % 1024 + 127) / 128);
        Require(view_.Max == blocks && view_.Value == 0, "a load shows its block count");
        model_.Loaded(std::move(*files_.Next), running, link_.Open);
    }

    // A boot loader that answers block 0 with ACK and C and everything else with ACK.
    void AnswerFrames(int count) {
        for (int i = 0; i < count; ++i) {
            const std::size_t before = link_.Written;
            if (link_.LastWasHead) {
                const std::uint8_t reply[] = {kAckByte, kStartByte};
                engine_.OnComm(now_, kCommEventReceive, reply);
            } else {
                const std::uint8_t reply[] = {kAckByte};
                engine_.OnComm(now_, kCommEventReceive, reply);
            }
            Advance(3ms);
            if (link_.Written == before) Advance(25ms);  // the EOT waits for its timer
        }
    }

    FuzzInput& in_;
    FrameModel model_;
    ModelLink link_{model_};
    ModelView view_;
    ModelFiles files_;
    TransferEngine engine_{link_, view_, files_, [this](std::string_view utf8) {
                               // Only block 0 encodes a name: its transfer starts here,
                               // even when the port is closed and nothing is written.
                               model_.HeadBuilt(link_.Open);
                               return std::string(utf8);
                           }};
    TimePoint now_{0};
};

}  // namespace

}  // namespace ymodem::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ymodem::fuzz::FuzzInput in(data, size);
    ymodem::fuzz::Session session(in);
    session.Run();
    return 0;
}
