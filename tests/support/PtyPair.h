#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include <string>

namespace ymodem {

// A pseudo-terminal whose slave side stands in for the device's serial port while the
// test plays the device on the master side.
class PtyPair {
public:
    using Bytes = std::vector<std::uint8_t>;

    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool IsOpen() const { return master_ >= 0; }
    const std::string& SlavePath() const { return slavePath_; }

    void Write(std::span<const std::uint8_t> bytes);
    // Collects what arrives on the master side, running the event loop, until done
    // says it is enough or timeoutMs pass. Gives back all that was collected.
    Bytes ReadUntil(const std::function<bool(const Bytes&)>& done, int timeoutMs = 10000);
    Bytes ReadCount(std::size_t count) {
        return ReadUntil([count](const Bytes& bytes) { return bytes.size() >= count; });
    }
    // The device hangs up.
    void CloseMaster();

private:
    void ReadAvailable(Bytes& into);

    int master_ = -1;
    std::string slavePath_;
};

}  // namespace ymodem
