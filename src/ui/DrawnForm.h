#pragma once

#include <algorithm>
#include <array>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "BaudRates.h"
#include "StatusTexts.h"

// The window as it was drawn: every control's place in twips, its first text and state,
// its font and its place in the tab order. Each front-end builds the window from this
// table alone.
namespace ymodem::drawn {

// Twips are 1/1440 inch: 15 to the pixel at 96 dots per inch.
inline constexpr int kTwipsPerPixel = 15;

enum class Kind { List, Button, Picture, Label, TextBox, ProgressBar };
enum class FontRole { Window, OpenButton, FileLine, StatusLine };

// Families in the order to try them: the drawn one first, then installed CJK families, so
// that every Chinese text renders where the drawn one is missing.
struct Font {
    std::span<const std::string_view> Families;
    int PointSize;
    int Weight;  // 400 regular, 700 bold
};

struct Control {
    std::string_view Name;
    Kind Type;
    int Left, Top, Width, Height;  // twips; a label's size is that of its first caption
    std::string_view Caption = {};
    FontRole Font = FontRole::Window;
    int TabIndex = -1;  // -1: no place in the tab order
    bool Visible = true;
    bool Red = false;
    std::string_view ToolTip = {};
    std::string_view Picture = {};                   // the bitmap's file name
    std::span<const std::string_view> Entries = {};  // a list's first entries
};

struct Window {
    std::string_view Title;
    int Width, Height;  // the client area, twips
    FontRole Font;
};

inline constexpr std::array<std::string_view, 5> kSongFamilies{
    "宋体", "SimSun", "Noto Serif CJK SC", "Noto Sans CJK SC", "WenQuanYi Micro Hei"};
inline constexpr std::array<std::string_view, 4> kYaHeiFamilies{
    "微软雅黑", "Microsoft YaHei", "Noto Sans CJK SC", "WenQuanYi Micro Hei"};

constexpr Font FontFor(FontRole role) {
    switch (role) {
        case FontRole::OpenButton:
            return {kSongFamilies, 9, 700};
        case FontRole::FileLine:
            return {kYaHeiFamilies, 9, 400};
        case FontRole::StatusLine:
            return {kYaHeiFamilies, 12, 400};
        case FontRole::Window:
            break;
    }
    return {kSongFamilies, 9, 400};
}

inline constexpr Window kForm1{"Ymodem文件传输 v1.1", 8175, 2175, FontRole::Window};

inline constexpr std::string_view kOpenCaption = "打开串口(&O)";
inline constexpr std::string_view kCloseCaption = "关闭串口(&O)";

// In the order the controls are made: a later one lies above an earlier one, so the green
// lamp covers the grey one while it is shown.
inline constexpr std::array<Control, 11> kControls{{
    {.Name = "ComboComm",
     .Type = Kind::List,
     .Left = 225,
     .Top = 150,
     .Width = 1125,
     .Height = 300,
     .Caption = {},
     .TabIndex = 3},
    {.Name = "CboBaud",
     .Type = Kind::List,
     .Left = 225,
     .Top = 495,
     .Width = 1125,
     .Height = 300,
     .Caption = {},
     .TabIndex = 8,
     .Entries = kBaudRates},
    {.Name = "CmdOpenAndClosePort",
     .Type = Kind::Button,
     .Left = 1440,
     .Top = 135,
     .Width = 1275,
     .Height = 675,
     .Caption = kOpenCaption,
     .Font = FontRole::OpenButton,
     .TabIndex = 2,
     .ToolTip = "打开串口后会自动监听握手信号"},
    {.Name = "ImgSwitchOff",
     .Type = Kind::Picture,
     .Left = 2745,
     .Top = 405,
     .Width = 165,
     .Height = 165,
     .Caption = {},
     .Picture = "lamp_off.bmp"},
    {.Name = "ImgSwitchOn",
     .Type = Kind::Picture,
     .Left = 2745,
     .Top = 405,
     .Width = 165,
     .Height = 165,
     .Caption = {},
     .Visible = false,
     .Picture = "lamp_on.bmp"},
    {.Name = "Label1",
     .Type = Kind::Label,
     .Left = 2970,
     .Top = 360,
     .Width = 780,
     .Height = 255,
     .Caption = texts::kWelcome,
     .Font = FontRole::FileLine,
     .TabIndex = 6,
     .Red = true},
    {.Name = "Command2",
     .Type = Kind::Button,
     .Left = 6750,
     .Top = 315,
     .Width = 1230,
     .Height = 420,
     .Caption = "重新加载",
     .TabIndex = 7},
    {.Name = "Command1",
     .Type = Kind::Button,
     .Left = 6750,
     .Top = 855,
     .Width = 1230,
     .Height = 420,
     .Caption = "选择程序...",
     .TabIndex = 1},
    {.Name = "Text1",
     .Type = Kind::TextBox,
     .Left = 225,
     .Top = 900,
     .Width = 6450,
     .Height = 375,
     .Caption = {},
     .TabIndex = 0},
    {.Name = "ProgressBar1",
     .Type = Kind::ProgressBar,
     .Left = 225,
     .Top = 1350,
     .Width = 7755,
     .Height = 330,
     .Caption = {},
     .TabIndex = 5},
    {.Name = "Label4",
     .Type = Kind::Label,
     .Left = 225,
     .Top = 1800,
     .Width = 1035,
     .Height = 315,
     .Caption = texts::kWelcome,
     .Font = FontRole::StatusLine,
     .TabIndex = 4,
     .Red = true},
}};

// Whether the control can take the keyboard focus: labels, pictures and the bar never do.
constexpr bool TakesFocus(const Control& control) {
    return control.Type == Kind::List || control.Type == Kind::Button ||
           control.Type == Kind::TextBox;
}

// The controls Tab walks, in the order of their drawn tab numbers.
inline std::vector<const Control*> TabOrder() {
    std::vector<const Control*> order;
    for (const Control& control : kControls) {
        if (control.TabIndex >= 0 && TakesFocus(control)) order.push_back(&control);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const Control* a, const Control* b) { return a->TabIndex < b->TabIndex; });
    return order;
}

// The control of that name; a name the table lacks is a fault of the caller's.
constexpr const Control& ControlNamed(std::string_view name) {
    for (const Control& control : kControls) {
        if (control.Name == name) return control;
    }
    throw std::out_of_range("no drawn control of that name");
}

}  // namespace ymodem::drawn
