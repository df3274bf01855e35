#include "QtListControl.h"

#include <QSignalBlocker>

#include "QtText.h"

namespace ymodem {

QtListControl::QtListControl(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (handler_) handler_();
    });
}

void QtListControl::SetClickHandler(Handler handler) {
    handler_ = std::move(handler);
}

int QtListControl::ListIndex() const {
    return currentIndex();
}

// QComboBox reports the change from inside setCurrentIndex, and only a change.
void QtListControl::SetListIndex(int index) {
    if (index < -1 || index >= count()) return;
    setCurrentIndex(index);
}

void QtListControl::AddItem(const std::string& text) {
    const QSignalBlocker quiet(this);
    const int selected = currentIndex();
    addItem(FromUtf8(text));
    setCurrentIndex(selected);
}

int QtListControl::ListCount() const {
    return count();
}

std::string QtListControl::List(int index) const {
    return ToUtf8(itemText(index));
}

std::string QtListControl::Text() const {
    return ToUtf8(currentText());
}

void QtListControl::SetEnabled(bool enabled) {
    setEnabled(enabled);
}

}  // namespace ymodem
