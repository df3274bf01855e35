#include "AcknowledgedBytes.h"

#include <algorithm>

#include "Frames.h"

namespace ymodem {

void AcknowledgedBytes::Observe(const TransferEvent& event, const TransferState& state) {
    if (std::holds_alternative<event::HandshakeStarted>(event)) {
        count_ = TransferBytes{0, state.FileSize};
        sentWithLastBlock_ = 0;
        longBlocks_ = state.Pack1KEnd / 1024;
        streamedBlocks_ = 0;
        eotStreamed_ = false;
    } else if (const auto* sent = std::get_if<event::BlockSent>(&event)) {
        if (sent->Streamed) {
            streamedBlocks_ = sent->Number;
            return;
        }
        // The engine sends a data block only on the reply to the one before.
        count_.Confirmed = std::min(sentWithLastBlock_, count_.Total);
        sentWithLastBlock_ = state.SentLen;
    } else if (std::holds_alternative<event::EotSent>(event)) {
        eotStreamed_ = streamedBlocks_ > 0;
    } else if (std::holds_alternative<event::Finished>(event)) {
        count_.Confirmed = count_.Total;
        streamedBlocks_ = 0;
    }
}

TransferBytes AcknowledgedBytes::Count(std::size_t queued) const {
    return streamedBlocks_ > 0 ? StreamedCount(queued) : count_;
}

// The stream's frames leave in the order they were written, every 1024-byte block before
// the 128-byte ones: what has left is the written frames' bytes less those still queued.
TransferBytes AcknowledgedBytes::StreamedCount(std::size_t queued) const {
    constexpr auto kLong = static_cast<std::int64_t>(kLongFrameSize);
    constexpr auto kShort = static_cast<std::int64_t>(kShortFrameSize);
    const std::int64_t longWritten = std::min(streamedBlocks_, longBlocks_);
    const std::int64_t written =
        longWritten * kLong + (streamedBlocks_ - longWritten) * kShort + (eotStreamed_ ? 1 : 0);
    const std::int64_t left =
        std::max<std::int64_t>(written - static_cast<std::int64_t>(queued), 0);
    const std::int64_t longLeft = std::min(left / kLong, longWritten);
    const std::int64_t shortLeft =
        longLeft < longBlocks_
            ? 0
            : std::min((left - longLeft * kLong) / kShort, streamedBlocks_ - longWritten);
    return TransferBytes{std::min(longLeft * 1024 + shortLeft * 128, count_.Total), count_.Total};
}

}  // namespace ymodem
