#pragma once

#include <cstdio>
#include <string_view>

namespace ymodem {

// The one line at the foot of a terminal that is drawn over in place, as the progress line
// is. A Windows console is drawn through the console's own calls, since the consoles of
// Windows 7 and of wine show escape codes as text; any other terminal takes escape codes.
class TerminalLine {
public:
    explicit TerminalLine(std::FILE* stream) : stream_(stream) {}
    ~TerminalLine() { Wipe(); }
    TerminalLine(const TerminalLine&) = delete;
    TerminalLine& operator=(const TerminalLine&) = delete;

    // Shows text in place of what the line showed, cut to the terminal's width so that it
    // never wraps onto a second line. The text is ASCII.
    void Draw(std::string_view text);
    // Blanks the line and leaves the cursor at its start, where the next output goes.
    void Wipe();

private:
    std::FILE* stream_;
    bool shown_ = false;
};

}  // namespace ymodem
