#pragma once

#include "ButtonControl.h"
#include "Win32Child.h"

namespace ymodem {

// A push button as a ButtonControl, with the drawn tooltip where it has one. Its click
// arrives as BN_CLICKED through the window; "&" marks the access key, as Windows reads it.
class Win32ButtonControl final : public Win32Child, public ButtonControl {
public:
    Win32ButtonControl(HWND parent, const drawn::Control& drawn);
    ~Win32ButtonControl() override;

    void SetClickHandler(Handler handler) override;
    void SetCaption(const std::string& caption) override;
    void SetFocus() override;

    void OnCommand(WORD code);
    // The tooltip shows its text in the button's font, which has the Chinese glyphs.
    void SetFont(HFONT font) override;

private:
    void AddToolTip(HWND parent);

    Handler handler_;
    HWND toolTip_ = nullptr;
};

}  // namespace ymodem
