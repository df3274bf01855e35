#pragma once

#include <functional>
#include <map>
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
    std::unique_ptr<PortWatch> WatchForPort(const std::string& port,
                                            std::function<void()> changed) override {
        if (!TellsArrivals) return nullptr;
        const int id = nextWatch_++;
        watchers_[id] = {port, std::move(changed)};
        return std::make_unique<Watch>(watchers_, id);
    }
    // The port appears: whoever waits for it hears of it at once.
    void Arrive(const std::string& port) {
        Absent.erase(port);
        for (const auto& [id, watcher] : std::map(watchers_)) {
            if (watcher.first == port && watchers_.contains(id)) watcher.second();
        }
    }

    bool TellsArrivals = false;
    std::set<std::string> Absent;
    std::vector<FakeSerialControl*> Controls;
    std::vector<FakeWakeTimer*> Timers;

private:
    using Watchers = std::map<int, std::pair<std::string, std::function<void()>>>;
    struct Watch final : PortWatch {
        Watch(Watchers& watchers, int id) : All(watchers), Id(id) {}
        ~Watch() override { All.erase(Id); }
        Watchers& All;
        int Id;
    };

    Watchers watchers_;
    int nextWatch_ = 0;
};

}  // namespace ymodem
