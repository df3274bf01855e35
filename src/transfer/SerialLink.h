#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ymodem {

// The serial control's event code for received bytes, the only one the transfer acts on.
inline constexpr int kCommEventReceive = 2;

// The sending side of the serial control as the transfer engine sees it.
class SerialLink {
public:
    virtual ~SerialLink() = default;

    virtual bool PortOpen() const = 0;
    // Only 0 is ever assigned: it discards whatever still waits to be sent.
    virtual void SetOutBufferCount(int count) = 0;
    // Queues the whole frame for sending in one write.
    virtual void Output(std::span<const std::uint8_t> frame) = 0;
    // Bytes written and still waiting to leave; a link that cannot tell says 0.
    virtual std::size_t OutBufferCount() const { return 0; }
};

}  // namespace ymodem
