#pragma once

#include <windows.h>

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "DrawnForm.h"

namespace ymodem {

// The drawn form's fonts at one dpi, in the character set GB2312: of each role's families
// the first that is installed, so that an installed CJK family stands in where 宋体 or
// 微软雅黑 is missing.
class Win32WindowFonts {
public:
    explicit Win32WindowFonts(int dpi);
    ~Win32WindowFonts();
    Win32WindowFonts(const Win32WindowFonts&) = delete;
    Win32WindowFonts& operator=(const Win32WindowFonts&) = delete;

    HFONT For(drawn::FontRole role) const;

    // The first of the families that the system has; the first of all when it has none,
    // for the font mapper to match as best it can.
    static std::wstring InstalledFamily(std::span<const std::string_view> families);

private:
    static constexpr std::array kRoles{drawn::FontRole::Window, drawn::FontRole::OpenButton,
                                       drawn::FontRole::FileLine, drawn::FontRole::StatusLine};

    std::array<HFONT, kRoles.size()> fonts_{};
};

}  // namespace ymodem
