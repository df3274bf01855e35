#include "PortArrivals_posix.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <map>
#include <set>
#include <utility>

namespace ymodem {

namespace {

// A name made or moved in, a node's mode changed (udev's permissions), or the watched
// folder itself gone, after which the nearest folder left is watched.
constexpr std::uint32_t kChanges =
    IN_CREATE | IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

std::filesystem::path NearestExistingFolder(std::filesystem::path folder) {
    std::error_code error;
    while (!std::filesystem::is_directory(folder, error) && folder.has_relative_path()) {
        folder = folder.parent_path();
    }
    return folder.empty() ? std::filesystem::path(".") : folder;
}

}  // namespace

struct PortArrivals::Core {
    struct Waiter {
        std::string Port;
        std::function<void()> Changed;
    };

    int Fd = -1;
    FoldersFor Folders;
    std::map<std::uint64_t, Waiter> Waiters;
    std::set<int> Watches;
    std::uint64_t NextId = 0;

    // New watches are added before the old ones are dropped, so that a folder watched before
    // and after is never left unwatched in between.
    void WatchAnew() {
        std::set<std::filesystem::path> folders;
        for (const auto& [id, waiter] : Waiters) {
            for (const auto& folder : Folders(waiter.Port)) {
                folders.insert(NearestExistingFolder(folder));
            }
        }
        std::set<int> watches;
        for (const auto& folder : folders) {
            const int watch = inotify_add_watch(Fd, folder.c_str(), kChanges);
            if (watch >= 0) watches.insert(watch);
        }
        for (const int old : Watches) {
            if (!watches.contains(old)) inotify_rm_watch(Fd, old);
        }
        Watches = std::move(watches);
    }

    // Whether anything was read: the events themselves only say that something changed.
    bool Drain() {
        alignas(inotify_event) std::array<char, 4096> buffer;
        bool any = false;
        for (;;) {
            const ssize_t got = read(Fd, buffer.data(), buffer.size());
            if (got > 0) {
                any = true;
                continue;
            }
            if (got < 0 && errno == EINTR) continue;
            return any;
        }
    }
};

class PortArrivals::Registration final : public PortWatch {
public:
    Registration(std::weak_ptr<Core> core, std::uint64_t id) : core_(std::move(core)), id_(id) {}
    ~Registration() override {
        if (const auto core = core_.lock()) {
            core->Waiters.erase(id_);
            core->WatchAnew();
        }
    }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

private:
    std::weak_ptr<Core> core_;
    std::uint64_t id_;
};

PortArrivals::PortArrivals(FoldersFor foldersFor) : core_(std::make_shared<Core>()) {
    core_->Fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    core_->Folders = std::move(foldersFor);
}

PortArrivals::~PortArrivals() {
    if (core_->Fd >= 0) close(core_->Fd);
}

int PortArrivals::Fd() const {
    return core_->Fd;
}

std::unique_ptr<PortWatch> PortArrivals::Watch(const std::string& port,
                                               std::function<void()> changed) {
    if (core_->Fd < 0) return nullptr;
    const std::uint64_t id = core_->NextId++;
    core_->Waiters.emplace(id, Core::Waiter{port, std::move(changed)});
    core_->WatchAnew();
    if (core_->Watches.empty()) {
        core_->Waiters.erase(id);
        return nullptr;
    }
    return std::make_unique<Registration>(core_, id);
}

// A handler may drop any watch, its own or another's: each is looked up again before its
// call.
void PortArrivals::OnReadable() {
    Core& core = *core_;
    if (!core.Drain()) return;
    core.WatchAnew();
    std::vector<std::uint64_t> ids;
    for (const auto& [id, waiter] : core.Waiters) ids.push_back(id);
    for (const std::uint64_t id : ids) {
        const auto found = core.Waiters.find(id);
        if (found == core.Waiters.end()) continue;
        const auto changed = found->second.Changed;
        if (changed) changed();
    }
}

}  // namespace ymodem
