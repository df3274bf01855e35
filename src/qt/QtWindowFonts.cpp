#include "QtWindowFonts.h"

#include <QStringList>

#include "QtText.h"

namespace ymodem {

QFont QtWindowFonts::For(drawn::FontRole role) {
    const drawn::Font drawnFont = drawn::FontFor(role);
    QStringList families;
    for (const std::string_view family : drawnFont.Families) families.append(FromUtf8(family));
    QFont font;
    font.setFamilies(families);
    font.setPointSize(drawnFont.PointSize);
    font.setWeight(static_cast<QFont::Weight>(drawnFont.Weight));
    return font;
}

}  // namespace ymodem
