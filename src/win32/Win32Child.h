#pragma once

#include <windows.h>

#include "DrawnForm.h"

namespace ymodem {

// A control of the window, made from its row of the drawn form: a child window of the
// given system class with the dialog ID by which a probe finds it (100 plus the row's
// place in the table), shown or hidden as drawn.
class Win32Child {
public:
    Win32Child(HWND parent, const drawn::Control& drawn, const wchar_t* windowClass, DWORD style,
               DWORD exStyle = 0);
    virtual ~Win32Child();
    Win32Child(const Win32Child&) = delete;
    Win32Child& operator=(const Win32Child&) = delete;

    static int IdOf(const drawn::Control& drawn);

    HWND Handle() const { return handle_; }
    int Id() const { return IdOf(drawn_); }
    const drawn::Control& Drawn() const { return drawn_; }

    virtual void SetFont(HFONT font);
    // Moves the control to its drawn place at the monitor's dpi.
    virtual void Place(int dpi);

protected:
    void PlaceSized(int dpi, SIZE size);

private:
    const drawn::Control& drawn_;
    HWND handle_;
};

}  // namespace ymodem
