#include "EngineHarness.h"

#include "Frames.h"
#include "NativeSeparators.h"
#include "ScriptedBootLoader.h"

namespace ymodem::test {

std::string TwoBytesPerWideCharacter(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out += utf8[i++];
            continue;
        }
        std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        out += '\xB0';
        out += static_cast<char>(0xA1 + (utf8[std::min(i + length, utf8.size()) - 1] & 0x3F));
        i += length;
    }
    return out;
}

void EventLog::Apply(const TransferEvent& event) {
    Events.push_back(event);
    if (const auto* bar = std::get_if<event::Progress>(&event)) {
        ProgressWrites.push_back("Value=" + std::to_string(bar->Value));
        ProgressWrites.push_back("Max=" + std::to_string(bar->Max));
        Value = bar->Value;
        Max = bar->Max;
        return;
    }
    const auto text = PresentEvent(event);
    if (!text) return;
    if (text->Line == TextLine::FileInfo) {
        FileInfo = text->Text;
    } else {
        StatusTexts.push_back(text->Text);
    }
}

void EngineHarness::TakeEvents() {
    while (const auto event = Engine.PollEvent()) View.Apply(*event);
}

// Paths reach the engine in the system's form, as the window and ymodem-send hand them over.
void EngineHarness::Load(const std::string& path, const Bytes& image) {
    Files.Files[ToNativeSeparators(path)] = image;
    LoadPath(path);
}

bool EngineHarness::LoadPath(const std::string& path) {
    const bool loaded = Engine.LoadBurnFile(ToNativeSeparators(path));
    TakeEvents();
    return loaded;
}

void EngineHarness::Advance(std::chrono::nanoseconds step) {
    const TimePoint until = Now + step;
    while (const auto next = Engine.NextWake()) {
        if (*next > until) break;
        Now = *next;
        Engine.OnWake(Now);
        TakeEvents();
    }
    Now = until;
}

void EngineHarness::Receive(const Bytes& bytes, int commEvent) {
    Engine.OnComm(Now, commEvent, bytes);
    TakeEvents();
}

void EngineHarness::Reply(const Bytes& bytes) {
    Receive(bytes);
    Advance(3ms);
}

DeviceRun RunWholeTransfer(EngineHarness& harness, bool splitFirstReply) {
    const ScriptedBootLoader device(splitFirstReply);
    DeviceRun run;
    std::size_t answered = harness.Link.Frames.size();
    harness.Reply({kCrcRequest});
    for (int step = 0; step < 10000 && !run.Finished; ++step) {
        if (answered == harness.Link.Frames.size()) {
            harness.Advance(1ms);  // waiting for the EOT timer
            continue;
        }
        const Bytes frame = harness.Link.Frames[answered++];
        run.Frames.push_back(frame);
        harness.Advance(1ms);
        for (const Bytes& burst : device.RepliesTo(frame)) harness.Reply(burst);
        run.Finished = frame.size() == 1 && harness.View.Status() == "文件发送完毕!";
    }
    return run;
}

}  // namespace ymodem::test
