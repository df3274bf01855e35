#include "EventText.h"

#include "FileInfoLine.h"
#include "StatusTexts.h"

namespace ymodem {

namespace {

struct Presenter {
    std::optional<EventText> operator()(const event::HandshakeStarted&) const {
        return Status(texts::kHandshaking);
    }
    std::optional<EventText> operator()(const event::BlockSent& sent) const {
        return Status(std::string(texts::kSendingBlockPrefix) + std::to_string(sent.Number) +
                      std::string(texts::kSendingBlockSuffix));
    }
    std::optional<EventText> operator()(const event::EotSent&) const {
        return Status(texts::kSendingEnd);
    }
    std::optional<EventText> operator()(const event::Finished&) const {
        return Status(texts::kFinished);
    }
    std::optional<EventText> operator()(const event::Rejected&) const {
        return Status(texts::kError);
    }
    std::optional<EventText> operator()(const event::TimedOut&) const {
        return Status(texts::kTimeout);
    }
    std::optional<EventText> operator()(const event::NoBurnFile&) const {
        return Status(texts::kChooseBurnFile);
    }
    std::optional<EventText> operator()(const event::FileInformation& info) const {
        return EventText{TextLine::FileInfo, FileInfoLine(info.FileSize, info.PackCount, info.Crc)};
    }
    std::optional<EventText> operator()(const event::Progress&) const { return std::nullopt; }
    std::optional<EventText> operator()(const event::SessionEnded& ended) const {
        if (!ended.RequestCame) return Status(texts::kSessionEndedUnasked);
        return Status(ended.Acknowledged ? texts::kSessionEnded : texts::kSessionEndUnacknowledged);
    }
    std::optional<EventText> operator()(const event::Aborted&) const {
        return Status(texts::kAborted);
    }
    std::optional<EventText> operator()(const event::TransferEnded&) const { return std::nullopt; }

    static EventText Status(std::string_view text) {
        return EventText{TextLine::Status, std::string(text)};
    }
};

}  // namespace

std::optional<EventText> PresentEvent(const TransferEvent& event) {
    return std::visit(Presenter{}, event);
}

}  // namespace ymodem
