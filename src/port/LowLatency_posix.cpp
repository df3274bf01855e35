#include "LowLatency_posix.h"

#include <sys/ioctl.h>

#ifdef __linux__
#include <linux/serial.h>
#endif

namespace ymodem {

void RequestLowLatency(int descriptor) {
#ifdef __linux__
    serial_struct serial{};
    if (::ioctl(descriptor, TIOCGSERIAL, &serial) != 0) return;
    if ((serial.flags & ASYNC_LOW_LATENCY) != 0) return;
    serial.flags |= ASYNC_LOW_LATENCY;
    // A refusal (the driver's, or a user without the right to change it) keeps the default.
    ::ioctl(descriptor, TIOCSSERIAL, &serial);
#else
    static_cast<void>(descriptor);
#endif
}

}  // namespace ymodem
