#pragma once

#include "PictureControl.h"
#include "Win32Child.h"

namespace ymodem {

// A lamp: the drawn bitmap, from the program's resources under its file name, stretched
// to the drawn rectangle, which is its natural size at 96 dots per inch.
class Win32PictureControl final : public Win32Child, public PictureControl {
public:
    Win32PictureControl(HWND parent, const drawn::Control& drawn);
    ~Win32PictureControl() override;

    void SetVisible(bool visible) override;

private:
    HBITMAP bitmap_ = nullptr;
};

}  // namespace ymodem
