#include "Win32FileChooser.h"

#include <commdlg.h>

#include <filesystem>
#include <system_error>
#include <vector>

#include "WideText_win.h"

namespace ymodem {

namespace {

// The longest path the wide calls take.
constexpr std::size_t kPathCapacity = 32768;

// "description|pattern" as the dialog takes it: each part ends in a null, the list in two.
std::wstring DialogFilter(const std::string& filter) {
    std::wstring wide = WideFromBytes(filter, CP_UTF8);
    if (wide.find(L'|') == std::wstring::npos) wide += L'|' + wide;
    for (wchar_t& c : wide) {
        if (c == L'|') c = L'\0';
    }
    return wide + L'\0';
}

}  // namespace

// A start that names a file opens its folder with the file's name filled in.
std::string Win32FileChooser::ShowOpen(const std::string& initDir, const std::string& filter) {
    const std::filesystem::path start(WideFromBytes(initDir, CP_UTF8));
    std::error_code error;
    const bool isFolder = std::filesystem::is_directory(start, error);
    const std::wstring folder = isFolder ? start.wstring() : start.parent_path().wstring();
    std::vector<wchar_t> file(kPathCapacity, L'\0');
    if (!isFolder) start.filename().wstring().copy(file.data(), kPathCapacity - 1);
    const std::wstring dialogFilter = DialogFilter(filter);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = dialogFilter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.Flags =
        OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    SetTimer(owner_, kServiceTimer, USER_TIMER_MINIMUM, nullptr);
    const BOOL chosen = GetOpenFileNameW(&dialog);
    KillTimer(owner_, kServiceTimer);
    return chosen ? BytesFromWide(file.data(), CP_UTF8) : std::string();
}

}  // namespace ymodem
