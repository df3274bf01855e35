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

#include "FrameModel.h"
#include "FuzzInput.h"
#include "Platform.h"
#include "ScriptedBootLoader.h"
#include "TransferEngine.h"

namespace ymodem::fuzz {

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// The protocol's bytes, written out here rather than taken from the code under test.
constexpr std::uint8_t kAckByte = 0x06;
constexpr std::uint8_t kNakByte = 0x15;
constexpr std::uint8_t kStartByte = 0x43;
constexpr std::uint8_t kFillByte = 0x1A;
constexpr int kMaxImage = 32767;
constexpr int kMaxSteps = 600;

constexpr std::array<int, 16> kEdgeSizes = {0,    1,    5,    127,  128,  129,  1023,  1024,
                                            1025, 1151, 1152, 1153, 2048, 3000, 32640, 32767};

class ModelLink : public SerialLink {
public:
    explicit ModelLink(FrameModel& model) : model_(model) {}

    bool Open = true;
    std::size_t Written = 0;
    Bytes Last;

    bool PortOpen() const override { return Open; }
    void SetOutBufferCount(int count) override { Require(count == 0, "only 0 is assigned"); }
    void Output(std::span<const std::uint8_t> frame) override {
        Require(Open, "nothing is written to a closed port");
        // Seeds are opaque scripts; the trace shows what a saved input makes the engine send.
        static const bool trace = EnvironmentValue("YMODEM_FUZZ_TRACE").has_value();
        if (trace) {
            std::fprintf(stderr, "frame %zu bytes, block %d\n", frame.size(),
                         frame.size() > 1 ? frame[1] : -1);
        }
        model_.Written(frame);
        ++Written;
        Last.assign(frame.begin(), frame.end());
    }

private:
    FrameModel& model_;
};

// The progress bar and the file line as the window keeps them, from the engine's events.
struct ModelView {
    int Max = kPlacedProgressMax;
    int Value = 0;
    int FileInfoWrites = 0;

    void Apply(const TransferEvent& event) {
        if (const auto* bar = std::get_if<event::Progress>(&event)) {
            Value = bar->Value;
            Max = bar->Max;
        } else if (std::holds_alternative<event::FileInformation>(event)) {
            ++FileInfoWrites;
        }
    }
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
            TakeEvents();
            Require(view_.Value >= 0 && view_.Value <= view_.Max, "progress within 0..Max");
        }
    }

private:
    void TakeEvents() {
        while (const auto event = engine_.PollEvent()) view_.Apply(*event);
    }

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
            path_ = path;
        }
        files_.Next.reset();
        if (size) files_.Next = MakeImage(*size, flags >> 5, in_.Word());

        const bool running = engine_.State().SendStep != SendStep::Idle;
        TakeEvents();
        const int infoWritesBefore = view_.FileInfoWrites;
        const bool taken = engine_.LoadBurnFile(path_);
        TakeEvents();
        const bool accepted = view_.FileInfoWrites != infoWritesBefore;
        const bool acceptable = size && *size <= static_cast<std::size_t>(kMaxImage);
        Require(accepted == acceptable, "images up to 32767 bytes load, others are refused");
        Require(taken == accepted, "the load says whether it took the file");
        if (!accepted) return;
        const int blocks = static_cast<int>(*size / 1024 + (*size % 1024 + 127) / 128);
        Require(view_.Max == blocks && view_.Value == 0, "a load shows its block count");
        model_.Loaded(std::move(*files_.Next), path_, running, link_.Open);
    }

    // A boot loader that answers block 0 with ACK and C and everything else with ACK.
    void AnswerFrames(int count) {
        for (int i = 0; i < count; ++i) {
            const std::size_t before = link_.Written;
            for (const Bytes& burst : device_.RepliesTo(link_.Last)) {
                engine_.OnComm(now_, kCommEventReceive, burst);
                Advance(3ms);
            }
            if (link_.Written == before) Advance(25ms);  // the EOT waits for its timer
        }
    }

    FuzzInput& in_;
    FrameModel model_;
    ModelLink link_{model_};
    ModelView view_;
    ModelFiles files_;
    test::ScriptedBootLoader device_;
    std::string path_;  // the path the next load reads
    TransferEngine engine_{link_,
                           files_,
                           {[this](std::string_view utf8) {
                                // Only block 0 encodes a name: its transfer starts here,
                                // even when the port is closed and nothing is written.
                                model_.HeadBuilt(link_.Open);
                                return std::string(utf8);
                            },
                            kModelPathSeparator}};
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
