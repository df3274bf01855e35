#include "TimerQueue.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace ymodem {

// The deadline, then the order of starting: the key of a start is never used again, so a
// key found in the queue always belongs to the timer that made it.
using Key = std::pair<TimerQueue::TimePoint, std::uint64_t>;

struct TimerQueue::Core {
    ArmSystemTimer Arm;
    Clock Now;
    std::map<Key, Entry*> Waiting;
    std::uint64_t Starts = 0;
    std::optional<TimePoint> ArmedFor;  // the deadline the system timer is set for
    bool Running = false;               // RunDue() sets the system timer once, at its end

    Key Schedule(Entry* entry, std::chrono::milliseconds wait) {
        const Key key{Now() + wait, Starts++};
        Waiting.emplace(key, entry);
        ArmForEarliest();
        return key;
    }

    // A system timer set for a later deadline than needed is set again; one set for an
    // earlier deadline is left to fire, finding nothing due, rather than be set once more
    // at every stop.
    void ArmForEarliest() {
        if (Running || !Arm || Waiting.empty()) return;
        const TimePoint earliest = Waiting.begin()->first.first;
        if (ArmedFor && *ArmedFor <= earliest) return;
        ArmedFor = earliest;
        Arm(std::max(earliest - Now(), TimePoint::duration::zero()));
    }
};

class TimerQueue::Entry final : public WakeTimer {
public:
    explicit Entry(std::shared_ptr<Core> core) : core_(std::move(core)) {}
    ~Entry() override { Stop(); }
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;

    void SetHandler(Handler handler) override { handler_ = std::move(handler); }
    void Start(std::chrono::milliseconds wait) override {
        Stop();
        key_ = core_->Schedule(this, wait);
    }
    void Stop() override {
        if (key_) core_->Waiting.erase(*key_);
        key_.reset();
    }

    // The entry has left the queue; its handler, copied, as the handler may replace it.
    Handler TakeDue() {
        key_.reset();
        return handler_;
    }

private:
    std::shared_ptr<Core> core_;
    Handler handler_;
    std::optional<Key> key_;
};

TimerQueue::TimerQueue(ArmSystemTimer arm, Clock clock) : core_(std::make_shared<Core>()) {
    core_->Arm = std::move(arm);
    core_->Now = std::move(clock);
}

TimerQueue::~TimerQueue() {
    core_->Arm = nullptr;
}

std::unique_ptr<WakeTimer> TimerQueue::MakeTimer() {
    return std::make_unique<Entry>(core_);
}

void TimerQueue::OnSystemTimer() {
    core_->ArmedFor.reset();
    RunDue();
}

// Between two firings the system timer stays set as it is: it fires for the deadline it was
// set for, which is no later than any left.
void TimerQueue::RunDue() {
    Core& core = *core_;
    const TimePoint now = core.Now();
    std::vector<Key> due;
    for (const auto& [key, entry] : core.Waiting) {
        if (key.first > now) break;
        due.push_back(key);
    }
    core.Running = true;
    // A handler may stop, start or destroy any timer: each is looked up again by its key.
    for (const Key& key : due) {
        const auto found = core.Waiting.find(key);
        if (found == core.Waiting.end()) continue;
        Entry* entry = found->second;
        core.Waiting.erase(found);
        const WakeTimer::Handler handler = entry->TakeDue();
        if (handler) handler();
    }
    core.Running = false;
    core.ArmForEarliest();
}

}  // namespace ymodem
