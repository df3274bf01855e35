#pragma once

#include <string>

#include "TextControl.h"
#include "Win32Child.h"

namespace ymodem {

// A static text that sizes itself to each new caption, keeping its top-left corner. It is
// resized before the text changes: the other order left traces of the longer text.
class Win32LabelControl final : public Win32Child, public TextControl {
public:
    Win32LabelControl(HWND parent, const drawn::Control& drawn);

    void SetText(const std::string& text) override;
    // The size follows the text in the font of the new dpi.
    void Place(int dpi) override;

private:
    SIZE TextSize() const;

    std::wstring text_;
    int dpi_ = USER_DEFAULT_SCREEN_DPI;
};

}  // namespace ymodem
