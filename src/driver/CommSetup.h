#pragma once

#include <string>

#include "SerialControl.h"

namespace ymodem {

// Pushes the port, the line settings ("<baud>,N,8,1"), the buffer sizes and the receive
// trigger into the control, in this order. The first refusal throws its CommError and the
// settings applied before it stay.
void ApplyLineSettings(SerialControl& comm, const std::string& portText,
                       const std::string& baudText);

// The status texts of the port, each led by the port's name: "<port>已打开<settings>",
// "<port>已关闭", and for a port that failed or went away "<port>被占用!" (8005) or
// "<port>设备无效" (68); other error numbers have no text and give an empty one.
std::string PortOpenedText(const SerialControl& comm);
std::string PortClosedText(const SerialControl& comm);
std::string PortFailureText(const SerialControl& comm, int errorNumber);

}  // namespace ymodem
