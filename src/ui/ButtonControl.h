#pragma once

#include <functional>
#include <string>

namespace ymodem {

// A push button: its caption (UTF-8, "&" before the access key), the keyboard focus, and
// its click.
class ButtonControl {
public:
    using Handler = std::function<void()>;

    virtual ~ButtonControl() = default;

    virtual void SetClickHandler(Handler handler) = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetFocus() = 0;
};

}  // namespace ymodem
