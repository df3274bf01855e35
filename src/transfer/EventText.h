#pragma once

#include <optional>
#include <string>

#include "TransferEvent.h"

namespace ymodem {

// Where an event's text goes: the status line (Label4) or the file information line (Label1).
enum class TextLine { Status, FileInfo };

struct EventText {
    TextLine Line = TextLine::Status;
    std::string Text;  // UTF-8
    bool operator==(const EventText&) const = default;
};

// The text the window shows for an event; nothing for an event that shows no text.
std::optional<EventText> PresentEvent(const TransferEvent& event);

}  // namespace ymodem
