#pragma once

#include <QLabel>

#include "PictureControl.h"

namespace ymodem {

// A QLabel showing a bitmap at its natural size.
class QtPictureControl final : public QLabel, public PictureControl {
public:
    explicit QtPictureControl(QWidget* parent);

    void SetVisible(bool visible) override;
};

}  // namespace ymodem
