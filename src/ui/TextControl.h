#pragma once

#include <string>

namespace ymodem {

// A label's caption or a text box's text, UTF-8. A label that sizes itself to its text
// does so here, keeping its top-left corner.
class TextControl {
public:
    virtual ~TextControl() = default;

    virtual void SetText(const std::string& text) = 0;
};

}  // namespace ymodem
