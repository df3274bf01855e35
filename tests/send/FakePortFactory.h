#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "FakeSerialControl.h"
#include "FakeWakeTimer.h"
#include "PortFactory.h"

namespace ymodem {

// Hands out fakes and keeps a view of each, in the order they were made. With
// TellsArrivals it gives news of the ports waited for, as a system that watches folders.
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

    bool PortMayBePresent(const std::string& port) const override { return !Absent.contains(port); }
    std::unique_ptr<PortWatch> WatchForPort(const std::string& /*port*/,
                                            std::function<void()> changed) override {
        if (!TellsArrivals) return nullptr;
        Arrived = std::move(changed);
        return std::make_unique<PortWatch>();
    }

    bool TellsArrivals = false;
    std::set<std::string> Absent;
    std::function<void()> Arrived;  // the news of the watch asked for last
    std::vector<FakeSerialControl*> Controls;
    std::vector<FakeWakeTimer*> Timers;
};

}  // namespace ymodem
