#pragma once

#include <QString>

#include "SerialControl.h"

namespace ymodem {

// Pushes the port, the line settings ("<baud>,N,8,1"), the buffer sizes and the receive
// trigger into the control, in this order. The first refusal throws its CommError and the
// settings applied before it stay.
void ApplyLineSettings(SerialControl& comm, const QString& portText, const QString& baudText);

}  // namespace ymodem
