#include "EngineHarness.h"

#include "Frames.h"

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

void EngineHarness::Load(const std::string& path, const Bytes& image) {
    Files.Files[path] = image;
    State().FilePath = path;
    Engine.LoadBurnFile();
}

void EngineHarness::Advance(std::chrono::nanoseconds step) {
    const TimePoint until = Now + step;
    while (const auto next = Engine.NextWake()) {
        if (*next > until) break;
        Now = *next;
        Engine.OnWake(Now);
    }
    Now = until;
}

void EngineHarness::Receive(const Bytes& bytes, int commEvent) {
    Engine.OnComm(Now, commEvent, bytes);
}

void EngineHarness::Reply(const Bytes& bytes) {
    Receive(bytes);
    Advance(3ms);
}

DeviceRun RunWholeTransfer(EngineHarness& harness, bool splitFirstReply) {
    DeviceRun run;
    std::size_t answered = harness.Link.Frames.size();
    harness.Reply({kCrcRequest});
    for (int step = 0; step < 1000 && !run.Finished; ++step) {
        if (answered == harness.Link.Frames.size()) {
            harness.Advance(1ms);  // waiting for the EOT timer
            continue;
        }
        const Bytes frame = harness.Link.Frames[answered++];
        run.Frames.push_back(frame);
        harness.Advance(1ms);
        const bool isHead = run.Frames.size() == 1;
        if (isHead && splitFirstReply) {
            harness.Reply({kAck});
            harness.Reply({kCrcRequest});
        } else if (isHead) {
            harness.Reply({kAck, kCrcRequest});
        } else {
            harness.Reply({kAck});
        }
        run.Finished = frame.size() == 1 && harness.View.Status() == "文件发送完毕!";
    }
    return run;
}

std::uint16_t BitwiseCrc16(const std::uint8_t* data, std::size_t count) {
    std::int32_t crc = 0;
    for (std::size_t i = 0; i < count; ++i) {
        for (int mask = 128; mask >= 1; mask /= 2) {
            crc = (crc & 0x8000) ? (crc * 2) ^ 0x1021 : crc * 2;
            if (data[i] & mask) crc ^= 0x1021;
            crc %= 65536;
        }
    }
    return static_cast<std::uint16_t>(crc);
}

namespace {

void PutCrc(Bytes& frame) {
    const std::size_t payload = frame.size() - 5;
    const std::uint16_t crc = BitwiseCrc16(frame.data() + 3, payload);
    frame[3 + payload] = static_cast<std::uint8_t>(crc >> 8);
    frame[4 + payload] = static_cast<std::uint8_t>(crc & 0xFF);
}

}  // namespace

Bytes ExpectedDataFrame(const Bytes& image, std::size_t offset, std::size_t size,
                        std::uint8_t pgno) {
    Bytes frame(size + 5, 0);
    frame[0] = size == 1024 ? 0x02 : 0x01;
    frame[1] = pgno;
    frame[2] = static_cast<std::uint8_t>(255 - pgno);
    for (std::size_t i = 0; i < size; ++i) {
        frame[3 + i] = offset + i < image.size() ? image[offset + i] : std::uint8_t{0x1A};
    }
    PutCrc(frame);
    return frame;
}

Bytes ExpectedHeadFrame(const Bytes& name, std::size_t fileSize) {
    Bytes frame(133, 0);
    frame[0] = 0x01;
    frame[2] = 0xFF;
    std::size_t at = 3;
    for (const std::uint8_t byte : name) frame[at++] = byte;
    ++at;  // the name's NUL
    for (const char digit : std::to_string(fileSize))
        frame[at++] = static_cast<std::uint8_t>(digit);
    PutCrc(frame);
    return frame;
}

}  // namespace ymodem::test
