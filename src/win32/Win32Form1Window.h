#pragma once

#include <windows.h>

#include <array>
#include <memory>

#include "Form1.h"
#include "Win32ButtonControl.h"
#include "Win32EventLoop.h"
#include "Win32FileChooser.h"
#include "Win32LabelControl.h"
#include "Win32ListControl.h"
#include "Win32PictureControl.h"
#include "Win32ProgressBarControl.h"
#include "Win32TextBoxControl.h"
#include "Win32WindowFonts.h"

namespace ymodem {

// The window on Win32: the child controls of the drawn form, placed at the monitor's dpi
// and placed anew when it changes, with Form1 behind them. Its messages pass through
// IsDialogMessageW, which gives Tab in the drawn order and the access keys.
class Win32Form1Window {
public:
    Win32Form1Window(Win32EventLoop& loop, SerialControl& comm, BurnFileSource& files,
                     WindowSettings settings = WindowSettings());
    ~Win32Form1Window();
    Win32Form1Window(const Win32Form1Window&) = delete;
    Win32Form1Window& operator=(const Win32Form1Window&) = delete;

    Form1& Form() { return *form_; }
    HWND Handle() const { return window_; }
    void Show(int how);

private:
    static HWND CreateFormWindow();
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void RouteCommand(int id, WORD code);
    LRESULT FocusedButtonAsDefault() const;
    LRESULT ColorStatic(HDC dc, HWND control);
    void OnActivate(WPARAM wParam, LPARAM lParam);
    void ApplyDpi(int dpi);
    void FitClientArea(int dpi, const RECT* suggested);
    void StackInTabOrder();

    Win32EventLoop& loop_;
    HWND window_;
    std::unique_ptr<Win32WindowFonts> fonts_;
    Win32ListControl ComboComm;
    Win32ListControl CboBaud;
    Win32ButtonControl CmdOpenAndClosePort;
    Win32PictureControl ImgSwitchOff;
    Win32PictureControl ImgSwitchOn;
    Win32LabelControl Label1;
    Win32ButtonControl Command2;
    Win32ButtonControl Command1;
    Win32TextBoxControl Text1;
    Win32ProgressBarControl ProgressBar1;
    Win32LabelControl Label4;
    // In the drawn table's order.
    std::array<Win32Child*, drawn::kControls.size()> children_;
    std::unique_ptr<WakeTimer> wake_;
    Win32FileChooser chooser_;
    HWND lastFocus_ = nullptr;
    std::unique_ptr<Form1> form_;
};

}  // namespace ymodem
