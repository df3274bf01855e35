#include <gtest/gtest.h>

#include <QSignalSpy>

#include "FakeSerialControl.h"
#include "PortTestSupport.h"

namespace ymodem {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(PortFake, RecordsAScanWithScriptedFailures) {
    FakeSerialControl control;
    control.SetCandidates({"COM1", "COM2"});
    control.FailOpen("COM1", CommError::kDeviceUnavailable);

    int opened = 0;
    for (const QString& name : control.PortCandidates()) {
        control.SetCommPort(name);
        if (ErrorNumberOf([&] { control.SetPortOpen(true); }) == 0) ++opened;
    }
    control.SetSettings("115200,N,8,1");
    control.SetOutBufferCount(0);
    control.Output(Bytes(133));

    EXPECT_EQ(opened, 1);
    EXPECT_EQ(control.Operations(),
              QStringList({"CommPort=COM1", "PortOpen=true", "CommPort=COM2", "PortOpen=true",
                           "Settings=115200,N,8,1", "OutBufferCount=0", "Output:<133 bytes>"}));
    ASSERT_EQ(control.Frames().size(), 1u);
    EXPECT_EQ(control.Frames()[0].size(), 133u);
}

TEST(PortFake, InjectedInputRaisesOnCommAndLossClosesThePort) {
    FakeSerialControl control;
    control.SetCommPort("COM3");
    control.SetRThreshold(1);
    control.SetPortOpen(true);
    Bytes received;
    QObject::connect(&control, &SerialControl::OnComm, [&] {
        EXPECT_EQ(control.CommEvent(), SerialControl::kEventReceive);
        received = control.Input();
    });
    control.InjectInput(Bytes{0x06, 0x43});
    EXPECT_EQ(received, (Bytes{0x06, 0x43}));

    QSignalSpy lost(&control, &SerialControl::PortLost);
    control.LosePort();
    EXPECT_EQ(lost.count(), 1);
    EXPECT_FALSE(control.PortOpen());
    control.Output(Bytes(3));
    EXPECT_TRUE(control.Frames().empty());
}

}  // namespace
}  // namespace ymodem
