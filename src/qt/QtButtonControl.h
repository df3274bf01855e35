#pragma once

#include <QPushButton>

#include "ButtonControl.h"

namespace ymodem {

// A QPushButton as a ButtonControl.
class QtButtonControl final : public QPushButton, public ButtonControl {
public:
    explicit QtButtonControl(QWidget* parent);

    void SetClickHandler(Handler handler) override;
    void SetCaption(const std::string& caption) override;
    void SetFocus() override;

private:
    Handler handler_;
};

}  // namespace ymodem
