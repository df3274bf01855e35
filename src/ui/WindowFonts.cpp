#include "WindowFonts.h"

#include <QStringList>

namespace ymodem {

namespace {

QFont Font(const QStringList& families, int pointSize, QFont::Weight weight) {
    QFont font;
    font.setFamilies(families);
    font.setPointSize(pointSize);
    font.setWeight(weight);
    return font;
}

QStringList Song() {
    return {"宋体", "SimSun", "Noto Serif CJK SC", "Noto Sans CJK SC", "WenQuanYi Micro Hei"};
}

QStringList YaHei() {
    return {"微软雅黑", "Microsoft YaHei", "Noto Sans CJK SC", "WenQuanYi Micro Hei"};
}

}  // namespace

QFont WindowFonts::Default() {
    return Font(Song(), 9, QFont::Normal);
}
QFont WindowFonts::OpenButton() {
    return Font(Song(), 9, QFont::Bold);
}
QFont WindowFonts::FileLine() {
    return Font(YaHei(), 9, QFont::Normal);
}
QFont WindowFonts::StatusLine() {
    return Font(YaHei(), 12, QFont::Normal);
}

}  // namespace ymodem
