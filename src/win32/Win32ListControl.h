#pragma once

#include "ListControl.h"
#include "Win32Child.h"

namespace ymodem {

// A pick-only drop-down list (CBS_DROPDOWNLIST) as a ListControl. CB_SETCURSEL raises no
// notification, so a selection from code raises the click here; the user's picks arrive as
// CBN_SELCHANGE through the window, and only a real change of the entry is reported.
class Win32ListControl final : public Win32Child, public ListControl {
public:
    Win32ListControl(HWND parent, const drawn::Control& drawn);

    void SetClickHandler(Handler handler) override;
    int ListIndex() const override;
    void SetListIndex(int index) override;
    void AddItem(const std::string& text) override;
    int ListCount() const override;
    std::string List(int index) const override;
    std::string Text() const override;
    void SetEnabled(bool enabled) override;

    // A notification code of WM_COMMAND from this list.
    void OnCommand(WORD code);
    // The window's height includes the dropped-down entries; the closed box has the drawn
    // height.
    void Place(int dpi) override;

private:
    void RaiseIfChanged();

    Handler handler_;
    int reported_ = -1;  // the entry the last click reported
};

}  // namespace ymodem
