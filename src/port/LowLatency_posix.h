#pragma once

namespace ymodem {

// Asks the driver of an open serial port (its POSIX descriptor) to hand received bytes on at
// once rather than after its own latency timer: a USB adapter such as FTDI's holds them for
// 16 ms by default, against 1 ms in low-latency mode, and every reply waits that long.
// Pseudo-terminals and many drivers have no such setting; the port then stays as it is.
void RequestLowLatency(int descriptor);

}  // namespace ymodem
