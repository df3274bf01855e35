#include "CommSetup.h"

#include "CommError.h"

namespace ymodem {

void ApplyLineSettings(SerialControl& comm, const std::string& portText,
                       const std::string& baudText) {
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

std::string PortOpenedText(const SerialControl& comm) {
    return comm.CommPortName() + "已打开" + comm.Settings();
}

std::string PortClosedText(const SerialControl& comm) {
    return comm.CommPortName() + "已关闭";
}

std::string PortFailureText(const SerialControl& comm, int errorNumber) {
    switch (errorNumber) {
        case CommError::kPortAlreadyOpen:
            return comm.CommPortName() + "被占用!";
        case CommError::kDeviceUnavailable:
            return comm.CommPortName() + "设备无效";
        default:
            return {};
    }
}

}  // namespace ymodem
