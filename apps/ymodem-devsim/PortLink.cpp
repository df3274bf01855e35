#include "PortLink.h"

#include <unistd.h>

#include <system_error>

#include "UserFolders.h"

namespace ymodem {

namespace fs = std::filesystem;

fs::path PortLink::DefaultFolder() {
    if (auto folder = PortsFolder()) return *folder;
    throw fs::filesystem_error("HOME is not set",
                               std::make_error_code(std::errc::invalid_argument));
}

PortLink::PortLink(const fs::path& folder, const std::string& name, std::string target)
    : path_(folder / name), target_(std::move(target)) {
    fs::create_directories(folder);
    // A fresh link renamed over the old name replaces it in one step, so the window never
    // sees the name missing or pointing elsewhere half way.
    const fs::path fresh = folder / ("." + name + "." + std::to_string(::getpid()));
    std::error_code ignored;
    fs::remove(fresh, ignored);
    fs::create_symlink(target_, fresh);
    try {
        fs::rename(fresh, path_);
    } catch (const fs::filesystem_error&) {
        fs::remove(fresh, ignored);
        throw;
    }
}

PortLink::~PortLink() {
    // Another device may have taken the name over since; its link stays.
    std::error_code error;
    if (fs::read_symlink(path_, error) == fs::path(target_) && !error) fs::remove(path_, error);
}

}  // namespace ymodem
