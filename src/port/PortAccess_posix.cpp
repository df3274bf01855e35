#include "PortAccess.h"

#include <unistd.h>

#include <QFile>

namespace ymodem {

bool PortAccess::CanReadWrite(const QString& device) {
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
}

}  // namespace ymodem
