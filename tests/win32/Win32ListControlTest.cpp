// The Win32 list passes the list contract that Form1 relies on, in a hidden window.
#include "ListContract.h"
#include "Win32ListControl.h"

namespace ymodem {
namespace {

struct HiddenWindow {
    HiddenWindow() = default;
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;
    ~HiddenWindow() { DestroyWindow(handle); }
    HWND handle = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
};

struct Win32ListUnderTest {
    ListControl& Control() { return list; }
    HiddenWindow window;
    Win32ListControl list{window.handle, drawn::ControlNamed("ComboComm")};
};

}  // namespace

namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ListContract, Win32ListUnderTest);
}  // namespace contract

}  // namespace ymodem
