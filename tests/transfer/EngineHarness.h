#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "EventText.h"
#include "Frames.h"
#include "MemoryBurnFiles.h"
#include "ReferenceFrames.h"
#include "SerialLink.h"
#include "SystemFileNaming.h"
#include "TransferEngine.h"

namespace ymodem::test {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// Every operation on the link, in order: "PortOpen?", "OutBufferCount=0", "Output".
class FakeLink : public SerialLink {
public:
    bool Open = true;
    mutable std::vector<std::string> Operations;  // reads are logged too
    std::vector<Bytes> Frames;
    // Bytes still waiting in the port when a test models its queue; every Output adds to it.
    std::size_t Queued = 0;
    std::size_t MostQueued = 0;  // the most that waited before any one write

    bool PortOpen() const override {
        Operations.push_back("PortOpen?");
        return Open;
    }
    void SetOutBufferCount(int count) override {
        Operations.push_back("OutBufferCount=" + std::to_string(count));
    }
    void Output(std::span<const std::uint8_t> frame) override {
        Operations.push_back("Output");
        Frames.emplace_back(frame.begin(), frame.end());
        MostQueued = std::max(MostQueued, Queued);
        Queued += frame.size();
    }
    std::size_t OutBufferCount() const override { return Queued; }
};

// What the window would show, built from the engine's events as they are taken.
class EventLog {
public:
    std::vector<TransferEvent> Events;
    std::vector<std::string> StatusTexts;
    std::string FileInfo = "欢迎使用!";
    std::vector<std::string> ProgressWrites;  // "Value=0", "Max=3", in order
    int Max = kPlacedProgressMax;
    int Value = 0;

    std::string Status() const { return StatusTexts.empty() ? "" : StatusTexts.back(); }
    void Apply(const TransferEvent& event);
};

// A name of two bytes a character outside ASCII, as GBK gives for Chinese text.
std::string TwoBytesPerWideCharacter(std::string_view utf8);

// The engine on a simulated clock: time moves only when a test moves it.
class EngineHarness {
public:
    explicit EngineHarness(char pathSeparator = SystemPathSeparator())
        : Engine{Link, Files, FileNaming{TwoBytesPerWideCharacter, pathSeparator}} {}

    FakeLink Link;
    EventLog View;
    MemoryBurnFiles Files;
    TransferEngine Engine;
    TimePoint Now{0};

    const TransferState& State() const { return Engine.State(); }
    int Step() const { return static_cast<int>(Engine.State().SendStep); }

    // Puts the image at path and loads it.
    void Load(const std::string& path, const Bytes& image);
    bool LoadPath(const std::string& path);
    // Fires every timer due up to Now + step, each at its own deadline, then sets Now.
    void Advance(std::chrono::nanoseconds step);
    void Receive(const Bytes& bytes, int commEvent = kCommEventReceive);
    // Delivers one reply burst and lets the line fall quiet so that the sender judges it.
    void Reply(const Bytes& bytes);
    // Takes the events the engine reported into the view.
    void TakeEvents();
};

// A boot loader that answers every frame: ACK and C after block 0, ACK after every data
// block and after the EOT, one millisecond after the frame was written.
struct DeviceRun {
    std::vector<Bytes> Frames;
    bool Finished = false;
};
DeviceRun RunWholeTransfer(EngineHarness& harness, bool splitFirstReply = false);

}  // namespace ymodem::test
