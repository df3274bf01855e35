#pragma once

#include <filesystem>
#include <string>

namespace ymodem {

// The device offered in the window's ports folder: a symbolic link to the line the sender
// should open, there for as long as this object lives. Creating it throws
// std::filesystem::filesystem_error; removing it never throws.
class PortLink {
public:
    // The window's ports folder (see PortsFolder): $XDG_CONFIG_HOME/ymodem-burner/ports, or
    // ~/.config/ymodem-burner/ports.
    static std::filesystem::path DefaultFolder();

    // Replaces any entry of that name.
    PortLink(const std::filesystem::path& folder, const std::string& name, std::string target);
    ~PortLink();
    PortLink(const PortLink&) = delete;
    PortLink& operator=(const PortLink&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
    std::string target_;
};

}  // namespace ymodem
