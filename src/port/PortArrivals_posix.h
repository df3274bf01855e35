#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PortWatch.h"

namespace ymodem {

// Tells the ports waited for when a folder where one of them would appear has changed, from
// one inotify descriptor for all of them: a waiting port then costs nothing until something
// happens in its folders. A folder not there yet is watched through the nearest one that
// is. The loop watches Fd() and calls OnReadable() when it can be read; every handler is
// then called, after the folders are watched anew, so that what came meanwhile is seen by
// the handlers' own looks.
class PortArrivals {
public:
    using FoldersFor = std::function<std::vector<std::filesystem::path>(const std::string& port)>;

    explicit PortArrivals(FoldersFor foldersFor);
    ~PortArrivals();
    PortArrivals(const PortArrivals&) = delete;
    PortArrivals& operator=(const PortArrivals&) = delete;

    // -1 when the system gave no descriptor (its limit of them reached).
    int Fd() const;
    // Null when the system cannot tell: the port is then looked for on a beat alone.
    std::unique_ptr<PortWatch> Watch(const std::string& port, std::function<void()> changed);
    void OnReadable();

private:
    class Registration;
    struct Core;

    std::shared_ptr<Core> core_;
};

}  // namespace ymodem
