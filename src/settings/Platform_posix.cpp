#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "Platform.h"
#include "TemporaryName.h"

namespace ymodem {

namespace fs = std::filesystem;

std::string_view NativeLineEnd() {
    return "\n";
}

std::optional<std::string> EnvironmentValue(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

FilePtr CreateNewFile(const fs::path& path) {
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) return nullptr;
    FilePtr file(::fdopen(descriptor, "wb"));
    if (!file) {
        ::close(descriptor);
        ::unlink(path.c_str());
    }
    return file;
}

bool SyncToDisk(std::FILE* file) {
    return ::fsync(::fileno(file)) == 0;
}

bool MoveOver(const fs::path& from, const fs::path& to) {
    std::error_code error;
    const fs::file_status old = fs::status(to, error);
    if (fs::exists(old)) {
        // A failure only costs the old file's permissions, not the content.
        fs::permissions(from, old.permissions(), error);
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool CanCreateFileIn(const fs::path& folder) {
    const fs::path probe = TemporaryPathBeside(folder / "YmodemCfg.ini", ".probe");
    const int descriptor = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor < 0) return false;
    ::close(descriptor);
    ::unlink(probe.c_str());
    return true;
}

}  // namespace ymodem
