#pragma once

#include <QLabel>

#include "TextControl.h"

namespace ymodem {

// A QLabel that sizes itself to each new text, keeping its top-left corner.
class QtLabelControl final : public QLabel, public TextControl {
public:
    explicit QtLabelControl(QWidget* parent);

    void SetText(const std::string& text) override;
};

}  // namespace ymodem
