#pragma once

#include <QLineEdit>

#include "TextControl.h"

namespace ymodem {

// A read-only QLineEdit: the path shown is never read back, so typing into it would only
// mislead.
class QtTextBoxControl final : public QLineEdit, public TextControl {
public:
    explicit QtTextBoxControl(QWidget* parent);

    void SetText(const std::string& text) override;
};

}  // namespace ymodem
