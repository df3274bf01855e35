#pragma once

#include <QFont>

namespace ymodem {

// The window's fonts: 宋体 and 微软雅黑 where the system has them, an installed CJK family
// in their place elsewhere, so that every Chinese text renders.
class WindowFonts {
public:
    static QFont Default();     // 宋体, 9 point
    static QFont OpenButton();  // 宋体, 9 point, bold
    static QFont FileLine();    // 微软雅黑, 9 point
    static QFont StatusLine();  // 微软雅黑, 12 point
};

}  // namespace ymodem
