#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "BurnFileSource.h"
#include "Frames.h"
#include "SerialLink.h"
#include "TransferEngine.h"
#include "TransferView.h"

namespace ymodem::test {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// Every operation on the link, in order: "PortOpen?", "OutBufferCount=0", "Output".
class FakeLink : public SerialLink {
public:
    bool Open = true;
    mutable std::vector<std::string> Operations;  // reads are logged too
    std::vector<Bytes> Frames;

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
    }
};

class FakeView : public TransferView {
public:
    std::vector<std::string> StatusTexts;
    std::string FileInfo = "欢迎使用!";
    std::vector<std::string> ProgressWrites;  // "Max=3", "Value=0", in order
    int Max = 100;
    int Value = 0;

    std::string Status() const { return StatusTexts.empty() ? "" : StatusTexts.back(); }

    void SetStatusText(const std::string& text) override { StatusTexts.push_back(text); }
    void SetFileInfoText(const std::string& text) override { FileInfo = text; }
    int ProgressMax() const override { return Max; }
    void SetProgressMax(int max) override {
        ProgressWrites.push_back("Max=" + std::to_string(max));
        Max = max;
    }
    int ProgressValue() const override { return Value; }
    void SetProgressValue(int value) override {
        ProgressWrites.push_back("Value=" + std::to_string(value));
        Value = value;
    }
};

class FakeFiles : public BurnFileSource {
public:
    std::map<std::string, Bytes> Files;
    std::optional<std::vector<std::uint8_t>> ReadBurnFile(const std::string& path,
                                                          std::int32_t maxSize) override {
        const auto found = Files.find(path);
        if (found == Files.end() || found->second.size() > static_cast<std::size_t>(maxSize)) {
            return std::nullopt;
        }
        return found->second;
    }
};

// A name of two bytes a character outside ASCII, as GBK gives for Chinese text.
std::string TwoBytesPerWideCharacter(std::string_view utf8);

// The engine on a simulated clock: time moves only when a test moves it.
class EngineHarness {
public:
    FakeLink Link;
    FakeView View;
    FakeFiles Files;
    TransferEngine Engine{Link, View, Files, TwoBytesPerWideCharacter};
    TimePoint Now{0};

    TransferState& State() { return Engine.State(); }

    void Load(const std::string& path, const Bytes& image);
    // Fires every timer due up to Now + step, each at its own deadline, then sets Now.
    void Advance(std::chrono::nanoseconds step);
    void Receive(const Bytes& bytes, int commEvent = kCommEventReceive);
    // Delivers one reply burst and lets the line fall quiet so that the sender judges it.
    void Reply(const Bytes& bytes);
};

// A boot loader that answers every frame: ACK and C after block 0, ACK after every data
// block and after the EOT, one millisecond after the frame was written.
struct DeviceRun {
    std::vector<Bytes> Frames;
    bool Finished = false;
};
DeviceRun RunWholeTransfer(EngineHarness& harness, bool splitFirstReply = false);

// Frames as the layout tables describe them, built without the code under test.
std::uint16_t BitwiseCrc16(const std::uint8_t* data, std::size_t count);
Bytes ExpectedDataFrame(const Bytes& image, std::size_t offset, std::size_t size,
                        std::uint8_t pgno);
Bytes ExpectedHeadFrame(const Bytes& name, std::size_t fileSize);

}  // namespace ymodem::test
