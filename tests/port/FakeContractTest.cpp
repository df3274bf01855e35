#include "FakeSerialControl.h"
#include "PortContract.h"

namespace ymodem::contract {
namespace {

// The fake's line takes every frame at once, and everything happens before the call
// that caused it returns.
struct FakeLine {
    static constexpr bool kHoldsUnsentOutput = false;
    SerialControl& Control() { return control; }
    std::string PortName() const { return "COM3"; }
    void DeviceSends(const Bytes& bytes) {
        control.InjectInput(bytes, std::chrono::steady_clock::now());
    }
    Bytes DeviceReceives(const std::function<bool(const Bytes&)>&) {
        Bytes all;
        for (const Bytes& frame : control.Frames())
            all.insert(all.end(), frame.begin(), frame.end());
        return all;
    }
    void DeviceGoesAway() { control.LosePort(); }
    bool WaitFor(const std::function<bool()>& done) { return done(); }

    FakeSerialControl control;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Fake, PortContract, FakeLine);

}  // namespace
}  // namespace ymodem::contract
