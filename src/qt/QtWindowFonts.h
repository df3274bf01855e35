#pragma once

#include <QFont>

#include "DrawnForm.h"

namespace ymodem {

// The drawn form's fonts as Qt fonts: the families in their order, so that an installed
// CJK family stands in where 宋体 or 微软雅黑 is missing.
class QtWindowFonts {
public:
    static QFont For(drawn::FontRole role);
};

}  // namespace ymodem
