#include "SettingsLocation.h"

#include <system_error>

#include "Platform.h"
#include "Utf8Path.h"
#include "WholeFile.h"

namespace ymodem {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFileName = "YmodemCfg.ini";

bool IsFile(const fs::path& path) {
    std::error_code error;
    return !path.empty() && fs::is_regular_file(path, error);
}

void ImportFirstFound(const std::vector<fs::path>& sources, const fs::path& file) {
    for (const fs::path& source : sources) {
        if (!IsFile(source)) continue;
        if (const std::optional<std::string> bytes = ReadWholeFile(source)) {
            ReplaceWholeFile(file, *bytes);
            return;
        }
    }
}

}  // namespace

#ifdef _WIN32

SettingsPlaces SystemSettingsPlaces(const EnvironmentLookup& environment) {
    const fs::path shared = fs::path(L"c:\\") / kFileName;
    const std::optional<fs::path> local = UserConfigFolder(environment);
    if (!local) return {shared, shared, {}};
    return {shared,
            *local / "ymodem-burner" / kFileName,
            {*local / "VirtualStore" / kFileName, shared}};
}

#else

SettingsPlaces SystemSettingsPlaces(const EnvironmentLookup& environment) {
    const std::optional<fs::path> config = UserConfigFolder(environment);
    return {{}, config ? *config / kFileName : fs::path(kFileName), {}};
}

#endif

fs::path ChooseSettingsFile(const SettingsPlaces& places, const FolderCheck& canTakeNewFile) {
    if (IsFile(places.SharedFile) && canTakeNewFile(places.SharedFile.parent_path())) {
        return places.SharedFile;
    }
    std::error_code error;
    if (places.UserFile.has_parent_path())
        fs::create_directories(places.UserFile.parent_path(), error);
    if (!fs::exists(fs::symlink_status(places.UserFile, error))) {
        ImportFirstFound(places.ImportFrom, places.UserFile);
    }
    return places.UserFile;
}

std::string SettingsFilePath() {
    return Utf8FromPath(
        ChooseSettingsFile(SystemSettingsPlaces(EnvironmentValue), CanCreateFileIn));
}

}  // namespace ymodem
