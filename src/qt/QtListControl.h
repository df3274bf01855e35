#pragma once

#include <QComboBox>

#include "ListControl.h"

namespace ymodem {

// A pick-only QComboBox as a ListControl. QComboBox selects its first entry by itself when
// it gets one; here adding an entry leaves the selection alone, as the contract says.
class QtListControl final : public QComboBox, public ListControl {
public:
    explicit QtListControl(QWidget* parent);

    void SetClickHandler(Handler handler) override;
    int ListIndex() const override;
    void SetListIndex(int index) override;
    void AddItem(const std::string& text) override;
    int ListCount() const override;
    std::string List(int index) const override;
    std::string Text() const override;
    void SetEnabled(bool enabled) override;

private:
    Handler handler_;
};

}  // namespace ymodem
