// The timer queue on a simulated clock: which timers fire, in which order, and what the one
// system timer under them is asked to do.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "TimerQueue.h"

namespace ymodem {
namespace {

using std::chrono::milliseconds;

// A script of words: "a5" starts timer a for 5 ms, "a-" stops it, "a~" destroys it, "Q~"
// destroys the queue, "+3" lets 3 ms pass and fires the system timer, ">3" lets them pass
// without, "?" is a wake-up for something else. When a timer fires, its word in `onFire`
// ("a:b0") is played.
struct Row {
    const char* script;
    const char* onFire;
    const char* fired;
    std::vector<long long> arms;  // the waits the system timer was set to, in ms
};

class Bench {
public:
    explicit Bench(const Row& row) {
        std::istringstream actions(row.onFire);
        for (std::string action; actions >> action;) onFire_[action[0]] = action.substr(2);
        for (const char name : {'a', 'b', 'c'}) {
            timers_[name] = queue_->MakeTimer();
            timers_[name]->SetHandler([this, name] {
                fired_ += name;
                if (onFire_.contains(name)) Play(onFire_[name]);
            });
        }
    }

    void Play(const std::string& script) {
        std::istringstream words(script);
        for (std::string word; words >> word;) {
            const std::string rest = word.substr(1);
            if (word[0] == '+' || word[0] == '>') {
                now_ += milliseconds(std::stoi(rest));
                if (word[0] == '+' && queue_) queue_->OnSystemTimer();
            } else if (word == "?") {
                queue_->RunDue();
            } else if (word == "Q~") {
                queue_.reset();
            } else if (rest == "-") {
                timers_[word[0]]->Stop();
            } else if (rest == "~") {
                timers_[word[0]].reset();
            } else {
                timers_[word[0]]->Start(milliseconds(std::stoi(rest)));
            }
        }
    }

    std::string fired_;
    std::vector<long long> arms_;

private:
    TimerQueue::TimePoint now_{};
    std::unique_ptr<TimerQueue> queue_ = std::make_unique<TimerQueue>(
        [this](std::chrono::nanoseconds wait) {
            arms_.push_back(std::chrono::duration_cast<milliseconds>(wait).count());
        },
        [this] { return now_; });
    std::map<char, std::string> onFire_;
    std::map<char, std::unique_ptr<WakeTimer>> timers_;
};

TEST(TimerQueueTest, FiresDueTimersInOrderOnOneSystemTimer) {
    const Row rows[] = {
        // Deadline order, ties in starting order; the system timer is set for the earliest
        // only, and again for what is left.
        {"a5 b2 c2 +2 +3", "", "bca", {5, 2, 3}},
        // Starting again moves a deadline; a stopped timer never fires; a system timer set
        // too early finds nothing due and is set again.
        {"a2 b3 a4 b- +2 +2", "", "a", {2, 2}},
        // A system timer that fires early is set again; other wake-ups leave it as it is, and
        // run what is due.
        {"a2 b3 +1 ? +1 +1", "", "ab", {2, 1, 1}},
        {"a2 b5 >3 ? +2", "", "ab", {2}},
        // A handler starting its own timer with no wait is served at the next firing, not in
        // the same one.
        {"a1 +1 +0", "a:a0", "aa", {1, 0, 0}},
        // A timer stopped or destroyed by a handler due before it does not fire.
        {"a1 b1 +1", "a:b~", "a", {1}},
        {"a1 b1 +1", "a:b-", "a", {1}},
        {"a1 a~ +1", "", "", {1}},
        // Timers outliving their queue stop and start without effect.
        {"a1 Q~ b5 a- +5", "", "", {1}},
    };
    for (const Row& row : rows) {
        Bench bench(row);
        bench.Play(row.script);
        EXPECT_EQ(bench.fired_, row.fired) << row.script;
        EXPECT_EQ(bench.arms_, row.arms) << row.script;
    }
}

}  // namespace
}  // namespace ymodem
