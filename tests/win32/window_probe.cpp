// Reads the running window back through the system, as a test of its places, texts, focus
// and tab order against the drawn form: one line per control (name, client rectangle in
// pixels, shown, enabled, text, UTF-8), then the mismatches. Exit code 1 when any.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "DrawnForm.h"
#include "WideText_win.h"
#include "Win32Child.h"
#include "Win32Dpi.h"

namespace {

using namespace ymodem;

// What differs from the drawn form.
using Mismatches = std::vector<std::string>;

void Expect(Mismatches& found, bool holds, const std::string& what) {
    if (!holds) found.push_back(what);
}

std::string TextOf(HWND control) {
    wchar_t text[512] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 2000,
                        &ignored);
    return BytesFromWide(text, CP_UTF8);
}

RECT ClientRect(HWND form, HWND control) {
    RECT box{};
    GetWindowRect(control, &box);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&box), 2);
    return box;
}

void CheckControl(HWND form, const drawn::Control& row, int dpi, Mismatches& found) {
    const HWND control = GetDlgItem(form, Win32Child::IdOf(row));
    const std::string name(row.Name);
    if (control == nullptr) return found.push_back(name + " is missing");
    const RECT box = ClientRect(form, control);
    const std::string text = TextOf(control);
    std::printf("%s %ld %ld %ld %ld shown=%d enabled=%d %s\n", name.c_str(), box.left, box.top,
                box.right - box.left, box.bottom - box.top, IsWindowVisible(control) ? 1 : 0,
                IsWindowEnabled(control) ? 1 : 0, text.c_str());
    Expect(found,
           box.left == Win32Dpi::Pixels(row.Left, dpi) && box.top == Win32Dpi::Pixels(row.Top, dpi),
           name + " is not at its drawn corner");
    // A label's size follows its text, a closed list's height its font.
    if (row.Type != drawn::Kind::Label) {
        Expect(found, box.right - box.left == Win32Dpi::Pixels(row.Width, dpi), name + " width");
    }
    if (row.Type != drawn::Kind::Label && row.Type != drawn::Kind::List) {
        Expect(found, box.bottom - box.top == Win32Dpi::Pixels(row.Height, dpi), name + " height");
    }
    Expect(found, (IsWindowVisible(control) != 0) == row.Visible, name + " shown");
    if (row.Type == drawn::Kind::Button) Expect(found, text == row.Caption, name + " caption");
}

std::string NameOf(HWND form, HWND control) {
    for (const drawn::Control& row : drawn::kControls) {
        if (GetDlgItem(form, Win32Child::IdOf(row)) == control) return std::string(row.Name);
    }
    return "none";
}

// From the focus, Tab walks the focusable controls by their drawn numbers, round.
void CheckFocusAndTabs(HWND form, Mismatches& found) {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    GetGUIThreadInfo(GetWindowThreadProcessId(form, nullptr), &thread);
    const std::string focus = NameOf(form, thread.hwndFocus);
    std::printf("focus %s\n", focus.c_str());
    Expect(found, focus == "CmdOpenAndClosePort", "the open button has no focus");
    std::vector<const drawn::Control*> order;
    for (const drawn::Control& row : drawn::kControls) {
        if (drawn::TakesFocus(row)) order.push_back(&row);
    }
    std::sort(order.begin(), order.end(),
              [](auto* a, auto* b) { return a->TabIndex < b->TabIndex; });
    HWND at = GetDlgItem(form, Win32Child::IdOf(*order.back()));
    for (const drawn::Control* row : order) {
        at = GetNextDlgTabItem(form, at, FALSE);
        Expect(found, NameOf(form, at) == row->Name,
               "Tab reaches " + NameOf(form, at) + " where the drawn order has " +
                   std::string(row->Name));
    }
}

}  // namespace

int main() {
    const std::wstring title = WideFromBytes(drawn::kForm1.Title, CP_UTF8);
    const HWND form = FindWindowW(nullptr, title.c_str());
    if (form == nullptr) {
        std::puts("mismatch: no window titled as drawn");
        return 1;
    }
    const int dpi = Win32Dpi::ForWindow(form);
    RECT client{};
    GetClientRect(form, &client);
    std::printf("dpi %d client %ld %ld\n", dpi, client.right, client.bottom);
    Mismatches found;
    if (client.right != Win32Dpi::Pixels(drawn::kForm1.Width, dpi) ||
        client.bottom != Win32Dpi::Pixels(drawn::kForm1.Height, dpi)) {
        found.push_back("client area");
    }
    for (const drawn::Control& row : drawn::kControls) CheckControl(form, row, dpi, found);
    CheckFocusAndTabs(form, found);
    for (const std::string& mismatch : found) std::printf("mismatch: %s\n", mismatch.c_str());
    return found.empty() ? 0 : 1;
}
