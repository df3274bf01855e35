#pragma once

#include <cstddef>
#include <cstdint>

#include "ProgressText.h"
#include "TransferEvent.h"
#include "TransferState.h"

namespace ymodem {

// The file bytes of the transfer under way that have reached the device. In an ACKed
// transfer a data block counts once the reply that asks for the next one has come, and the
// whole file once the EOT is acknowledged: what only reached the system's buffers counts
// for nothing. A YMODEM-G receiver acknowledges nothing before the EOT, so there a block
// counts once its frame has left the port.
class AcknowledgedBytes {
public:
    // Each event as it is reported, with the engine's state after the step that made it.
    void Observe(const TransferEvent& event, const TransferState& state);
    // queued: the bytes still waiting to leave the port.
    TransferBytes Count(std::size_t queued) const;

private:
    TransferBytes StreamedCount(std::size_t queued) const;

    TransferBytes count_;
    std::int64_t sentWithLastBlock_ = 0;  // the file bytes sent up to the last block's end
    std::int64_t longBlocks_ = 0;         // the image's 1024-byte blocks, which come first
    std::int64_t streamedBlocks_ = 0;     // the data blocks written in a stream; 0 outside one
    bool eotStreamed_ = false;            // the EOT was written behind them
};

}  // namespace ymodem
