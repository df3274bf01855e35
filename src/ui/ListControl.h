#pragma once

#include <functional>
#include <string>

namespace ymodem {

// A pick-only drop-down list, as the window uses its two. Texts are UTF-8.
//
// Its click handler runs whenever the selected entry changes: when the user picks
// another entry, and equally when SetListIndex selects another one, before SetListIndex
// returns (the start-up relies on this: selecting the saved baud rate applies the line
// settings). Selecting the entry already selected raises nothing, and neither does
// AddItem, which never changes the selection. Toolkits differ here, so every adapter
// makes its list behave so.
class ListControl {
public:
    using Handler = std::function<void()>;

    virtual ~ListControl() = default;

    virtual void SetClickHandler(Handler handler) = 0;

    // -1 while nothing is selected.
    virtual int ListIndex() const = 0;
    // -1 selects nothing; an index past the entries is ignored.
    virtual void SetListIndex(int index) = 0;
    virtual void AddItem(const std::string& text) = 0;
    virtual int ListCount() const = 0;
    // Entry index; empty for an index past the entries.
    virtual std::string List(int index) const = 0;
    // The selected entry's text; empty while nothing is selected.
    virtual std::string Text() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
};

}  // namespace ymodem
