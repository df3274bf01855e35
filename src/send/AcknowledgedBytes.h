#pragma once

#include <cstdint>

#include "ProgressText.h"
#include "TransferEvent.h"
#include "TransferState.h"

namespace ymodem {

// The file bytes of the transfer under way that the device has acknowledged: a data block
// counts once the reply that asks for the next one has come, and the whole file once the
// EOT is acknowledged. What only reached the system's buffers counts for nothing.
class AcknowledgedBytes {
public:
    // Each event as it is reported, with the engine's state after the step that made it.
    void Observe(const TransferEvent& event, const TransferState& state);
    TransferBytes Count() const { return count_; }

private:
    TransferBytes count_;
    std::int64_t sentWithLastBlock_ = 0;  // the file bytes sent up to the last block's end
};

}  // namespace ymodem
