#include "Win32Form1Window.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "WideText_win.h"
#include "Win32Dpi.h"

namespace ymodem {

namespace {

constexpr const wchar_t* kWindowClass = L"YmodemBurnerForm1";
// A fixed frame: no control moves or grows with the window.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
constexpr COLORREF kRed = RGB(255, 0, 0);

const drawn::Control& Row(const char* name) {
    return drawn::ControlNamed(name);
}

void RegisterWindowClass(WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);  // fails harmlessly for a second window
}

void InitCommonControls() {
    INITCOMMONCONTROLSEX classes{sizeof(classes),
                                 ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
}

}  // namespace

Win32Form1Window::Win32Form1Window(Win32EventLoop& loop, SerialControl& comm, BurnFileSource& files,
                                   WindowSettings settings)
    : loop_(loop),
      window_(CreateFormWindow()),
      ComboComm(window_, Row("ComboComm")),
      CboBaud(window_, Row("CboBaud")),
      CmdOpenAndClosePort(window_, Row("CmdOpenAndClosePort")),
      ImgSwitchOff(window_, Row("ImgSwitchOff")),
      ImgSwitchOn(window_, Row("ImgSwitchOn")),
      Label1(window_, Row("Label1")),
      Command2(window_, Row("Command2")),
      Command1(window_, Row("Command1")),
      Text1(window_, Row("Text1")),
      ProgressBar1(window_, Row("ProgressBar1")),
      Label4(window_, Row("Label4")),
      children_{&ComboComm,    &CboBaud,     &CmdOpenAndClosePort,
                &ImgSwitchOff, &ImgSwitchOn, &Label1,
                &Command2,     &Command1,    &Text1,
                &ProgressBar1, &Label4},
      wake_(loop.Timers().MakeTimer()),
      chooser_(window_) {
    StackInTabOrder();
    const int dpi = Win32Dpi::ForWindow(window_);
    ApplyDpi(dpi);
    FitClientArea(dpi, nullptr);
    // The labels size themselves to their captions, so these wait for the fonts.
    Label1.SetText(std::string(Label1.Drawn().Caption));
    Label4.SetText(std::string(Label4.Drawn().Caption));
    form_ = std::make_unique<Form1>(
        Form1Controls{ComboComm, CboBaud, CmdOpenAndClosePort, ImgSwitchOn, Label1, Command2,
                      Command1, Text1, ProgressBar1, Label4, chooser_},
        comm, files, *wake_, TransferDriver::SteadyClock(), std::move(settings));
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    loop_.SetDialogWindow(window_);
}

// The behaviour goes first, then the window with its controls; no message reaches this
// object once it is being torn down.
Win32Form1Window::~Win32Form1Window() {
    form_.reset();
    loop_.SetDialogWindow(nullptr);
    if (IsWindow(window_)) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void Win32Form1Window::Show(int how) {
    ShowWindow(window_, how);
    UpdateWindow(window_);
}

HWND Win32Form1Window::CreateFormWindow() {
    InitCommonControls();
    RegisterWindowClass(WindowProc);
    const std::wstring title = WideFromBytes(drawn::kForm1.Title, CP_UTF8);
    return CreateWindowExW(kExStyle, kWindowClass, title.c_str(), kStyle, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

LRESULT CALLBACK Win32Form1Window::WindowProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    auto* self = reinterpret_cast<Win32Form1Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return self->OnMessage(message, wParam, lParam);
}

LRESULT Win32Form1Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            RouteCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_CTLCOLORSTATIC:
            return ColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_ACTIVATE:
            OnActivate(wParam, lParam);
            return 0;
        case WM_DPICHANGED:
            ApplyDpi(HIWORD(wParam));
            FitClientArea(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_TIMER:
            if (wParam == Win32FileChooser::kServiceTimer) loop_.RunSignalled();
            return 0;
        // Moving the window and its system menu run loops of the system's own, as the file
        // dialog does; the line and the timers are served from the same timer meanwhile.
        case WM_ENTERSIZEMOVE:
        case WM_ENTERMENULOOP:
            SetTimer(window_, Win32FileChooser::kServiceTimer, USER_TIMER_MINIMUM, nullptr);
            return 0;
        case WM_EXITSIZEMOVE:
        case WM_EXITMENULOOP:
            KillTimer(window_, Win32FileChooser::kServiceTimer);
            return 0;
        case DM_GETDEFID:
            return FocusedButtonAsDefault();
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window_, message, wParam, lParam);
    }
}

void Win32Form1Window::RouteCommand(int id, WORD code) {
    for (Win32ListControl* list : {&ComboComm, &CboBaud}) {
        if (id == list->Id()) list->OnCommand(code);
    }
    for (Win32ButtonControl* button : {&CmdOpenAndClosePort, &Command2, &Command1}) {
        if (id == button->Id()) button->OnCommand(code);
    }
}

// Return presses the button that has the focus, as in the dialogs the window is made like;
// elsewhere it does nothing.
LRESULT Win32Form1Window::FocusedButtonAsDefault() const {
    const HWND focus = GetFocus();
    for (const Win32ButtonControl* button : {&CmdOpenAndClosePort, &Command2, &Command1}) {
        if (focus == button->Handle()) return MAKELRESULT(button->Id(), DC_HASDEFID);
    }
    return 0;
}

// The read-only path box asks here too; only the drawn red labels are coloured.
LRESULT Win32Form1Window::ColorStatic(HDC dc, HWND control) {
    const int id = GetDlgCtrlID(control);
    const auto red = std::find_if(children_.begin(), children_.end(), [id](Win32Child* child) {
        return child->Id() == id && child->Drawn().Red;
    });
    if (red == children_.end()) {
        return DefWindowProcW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(control));
    }
    SetTextColor(dc, kRed);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

// The focus leaves with the window and comes back where it was, as in a dialog; the first
// activation hands it to the open button.
void Win32Form1Window::OnActivate(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        lastFocus_ = GetFocus();
        return;
    }
    DefWindowProcW(window_, WM_ACTIVATE, wParam, lParam);
    if (lastFocus_ != nullptr && IsChild(window_, lastFocus_)) SetFocus(lastFocus_);
    form_->Form_Activate();
}

// The new fonts are in place before the old ones go.
void Win32Form1Window::ApplyDpi(int dpi) {
    auto fonts = std::make_unique<Win32WindowFonts>(dpi);
    for (Win32Child* child : children_) {
        child->SetFont(fonts->For(child->Drawn().Font));
        child->Place(dpi);
    }
    fonts_ = std::move(fonts);
}

// The client area is the drawn one at the dpi; a move to another monitor keeps the place
// the system suggests.
void Win32Form1Window::FitClientArea(int dpi, const RECT* suggested) {
    const SIZE outer = Win32Dpi::WindowSizeFor(
        {Win32Dpi::Pixels(drawn::kForm1.Width, dpi), Win32Dpi::Pixels(drawn::kForm1.Height, dpi)},
        kStyle, kExStyle, dpi);
    const UINT keepPlace = suggested == nullptr ? SWP_NOMOVE : 0;
    SetWindowPos(window_, nullptr, suggested ? suggested->left : 0, suggested ? suggested->top : 0,
                 outer.cx, outer.cy, SWP_NOZORDER | SWP_NOACTIVATE | keepPlace);
}

// Tab walks the children in their stacking order: the focusable ones go first, by their
// drawn tab numbers; the rest follow, a later row above an earlier one, so that the green
// lamp lies over the grey one.
void Win32Form1Window::StackInTabOrder() {
    std::vector<Win32Child*> order;
    for (const drawn::Control* control : drawn::TabOrder()) {
        const auto child =
            std::find_if(children_.begin(), children_.end(),
                         [control](Win32Child* c) { return c->Drawn().Name == control->Name; });
        if (child != children_.end()) order.push_back(*child);
    }
    std::copy_if(children_.rbegin(), children_.rend(), std::back_inserter(order),
                 [&order](Win32Child* child) {
                     return std::find(order.begin(), order.end(), child) == order.end();
                 });
    HWND above = HWND_TOP;
    for (Win32Child* child : order) {
        SetWindowPos(child->Handle(), above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        above = child->Handle();
    }
}

}  // namespace ymodem
