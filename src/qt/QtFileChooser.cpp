#include "QtFileChooser.h"

#include <QFileDialog>

#include "QtText.h"

namespace ymodem {

// The filter comes as "description|pattern"; Qt reads the pattern from the description's
// parentheses.
std::string QtFileChooser::ShowOpen(const std::string& initDir, const std::string& filter) {
    const std::string description = filter.substr(0, filter.find('|'));
    return ToUtf8(
        QFileDialog::getOpenFileName(parent_, QString(), FromUtf8(initDir), FromUtf8(description)));
}

}  // namespace ymodem
