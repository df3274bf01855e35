#pragma once

#include <memory>
#include <vector>

#include "FakeSerialControl.h"
#include "FakeWakeTimer.h"
#include "PortFactory.h"

namespace ymodem {

// Hands out fakes and keeps a view of each, in the order they were made.
class FakePortFactory final : public PortFactory {
public:
    std::unique_ptr<SerialControl> MakeSerialControl() override {
        auto control = std::make_unique<FakeSerialControl>();
        Controls.push_back(control.get());
        return control;
    }
    std::unique_ptr<WakeTimer> MakeWakeTimer() override {
        auto timer = std::make_unique<FakeWakeTimer>();
        Timers.push_back(timer.get());
        return timer;
    }

    std::vector<FakeSerialControl*> Controls;
    std::vector<FakeWakeTimer*> Timers;
};

}  // namespace ymodem
