#pragma once

#include "TextControl.h"
#include "Win32Child.h"

namespace ymodem {

// The path box: a one-line edit that shows the path and takes the focus, but is read-only,
// since nothing ever reads back what is typed there; the file dialog is the way to a path.
class Win32TextBoxControl final : public Win32Child, public TextControl {
public:
    Win32TextBoxControl(HWND parent, const drawn::Control& drawn);

    void SetText(const std::string& text) override;
};

}  // namespace ymodem
