#include "CommSetup.h"

namespace ymodem {

void ApplyLineSettings(SerialControl& comm, const QString& portText, const QString& baudText) {
    comm.SetCommPort(portText);
    comm.SetSettings(baudText + ",N,8,1");
    comm.SetInBufferSize(1024);
    comm.SetOutBufferSize(4096);
    comm.SetInBufferCount(0);   // received bytes not yet read are dropped
    comm.SetOutBufferCount(0);  // bytes not yet sent are dropped
    comm.SetSThreshold(0);      // no event after sending
    comm.SetRThreshold(1);      // a receive event as soon as one byte waits
    comm.SetInputLen(0);        // a read takes every waiting byte
    comm.SetInputMode(1);       // binary
}

}  // namespace ymodem
