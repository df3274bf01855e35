#pragma once

#include <QWidget>

#include "FileChooser.h"

namespace ymodem {

// QFileDialog's open dialog over the given window.
class QtFileChooser final : public FileChooser {
public:
    explicit QtFileChooser(QWidget* parent) : parent_(parent) {}

    std::string ShowOpen(const std::string& initDir, const std::string& filter) override;

private:
    QWidget* parent_;
};

}  // namespace ymodem
