// The transfer engine's own cost for whole transfers of the largest image, on a simulated
// clock with a link and a view that do nothing. Run it under callgrind for instruction
// counts (stable on a busy machine), or as a Google Benchmark for time per transfer.
#include <benchmark/benchmark.h>

#include <cstring>

#include "Frames.h"
#include "TransferEngine.h"

namespace {

using namespace ymodem;
using Bytes = std::vector<std::uint8_t>;

class NullLink : public SerialLink {
public:
    bool PortOpen() const override { return true; }
    void SetOutBufferCount(int) override {}
    void Output(std::span<const std::uint8_t> frame) override { lastSize = frame.size(); }
    std::size_t lastSize = 0;
};

class MemoryFiles : public BurnFileSource {
public:
    std::optional<Bytes> ReadBurnFile(const std::string&, std::int32_t) override { return image; }
    Bytes image = Bytes(32767, 0x5A);
};

struct Rig {
    NullLink link;
    MemoryFiles files;
    TransferEngine engine{link, files, {[](std::string_view s) { return std::string(s); }}};
    TimePoint now{0};
    bool finished = false;

    Rig() { engine.LoadBurnFile("app.bin"); }

    // The events are taken as a window would take them.
    void TakeEvents() {
        while (const auto event = engine.PollEvent()) {
            if (std::holds_alternative<event::Finished>(*event)) finished = true;
        }
    }

    void Wake() {
        engine.OnWake(now);
        TakeEvents();
    }

    void Reply(std::initializer_list<std::uint8_t> bytes) {
        const Bytes reply(bytes);
        engine.OnComm(now, 2, reply);
        now += std::chrono::milliseconds(3);
        Wake();
    }

    // One transfer from C to the finished text; returns whether it finished.
    bool Transfer() {
        finished = false;
        Reply({kCrcRequest});
        Reply({kAck, kCrcRequest});
        while (engine.State().SendStep == SendStep::Sending) Reply({kAck});
        now += std::chrono::milliseconds(25);
        Wake();
        Reply({kAck});
        now += std::chrono::milliseconds(600);
        Wake();
        return finished;
    }
};

void BM_WholeTransfer32767(benchmark::State& state) {
    Rig rig;
    for (auto _ : state) {
        if (!rig.Transfer()) state.SkipWithError("transfer did not finish");
    }
    state.SetBytesProcessed(state.iterations() * 32767);
}
BENCHMARK(BM_WholeTransfer32767);

}  // namespace

// "--transfers N" runs N transfers and nothing else (for callgrind); otherwise the
// Google Benchmark runner takes the command line.
int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--transfers") == 0) {
        Rig rig;
        const int count = std::atoi(argv[2]);
        for (int i = 0; i < count; ++i) {
            if (!rig.Transfer()) return 1;
        }
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
