#include "Win32WindowFonts.h"

#include <algorithm>

#include "WideText_win.h"

namespace ymodem {

namespace {

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one face is enough
}

bool IsInstalled(HDC screen, const std::wstring& family) {
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    family.copy(query.lfFaceName, LF_FACESIZE - 1);
    bool found = false;
    EnumFontFamiliesExW(screen, &query, NoteFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

HFONT MakeFont(const drawn::Font& drawnFont, int dpi) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(drawnFont.PointSize, dpi, 72);
    font.lfWeight = drawnFont.Weight;
    font.lfCharSet = GB2312_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    Win32WindowFonts::InstalledFamily(drawnFont.Families).copy(font.lfFaceName, LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

}  // namespace

Win32WindowFonts::Win32WindowFonts(int dpi) {
    std::transform(kRoles.begin(), kRoles.end(), fonts_.begin(),
                   [dpi](drawn::FontRole role) { return MakeFont(drawn::FontFor(role), dpi); });
}

Win32WindowFonts::~Win32WindowFonts() {
    for (const HFONT font : fonts_) {
        if (font != nullptr) DeleteObject(font);
    }
}

HFONT Win32WindowFonts::For(drawn::FontRole role) const {
    return fonts_[static_cast<std::size_t>(std::find(kRoles.begin(), kRoles.end(), role) -
                                           kRoles.begin())];
}

std::wstring Win32WindowFonts::InstalledFamily(std::span<const std::string_view> families) {
    const HDC screen = GetDC(nullptr);
    std::wstring chosen;
    for (const std::string_view family : families) {
        const std::wstring wide = WideFromBytes(family, CP_UTF8);
        if (IsInstalled(screen, wide)) {
            chosen = wide;
            break;
        }
    }
    ReleaseDC(nullptr, screen);
    if (chosen.empty() && !families.empty()) chosen = WideFromBytes(families.front(), CP_UTF8);
    return chosen;
}

}  // namespace ymodem
