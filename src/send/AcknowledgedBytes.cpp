#include "AcknowledgedBytes.h"

#include <algorithm>

namespace ymodem {

void AcknowledgedBytes::Observe(const TransferEvent& event, const TransferState& state) {
    if (std::holds_alternative<event::HandshakeStarted>(event)) {
        count_ = TransferBytes{0, state.FileSize};
        sentWithLastBlock_ = 0;
    } else if (std::holds_alternative<event::BlockSent>(event)) {
        // The engine sends a data block only on the reply to the one before.
        count_.Confirmed = std::min(sentWithLastBlock_, count_.Total);
        sentWithLastBlock_ = state.SentLen;
    } else if (std::holds_alternative<event::Finished>(event)) {
        count_.Confirmed = count_.Total;
    }
}

}  // namespace ymodem
