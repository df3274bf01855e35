#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include "Platform.h"
#include "TemporaryName.h"
#include "WideText_win.h"

namespace ymodem {

namespace fs = std::filesystem;

namespace {

std::wstring Utf16FromUtf8(std::string_view text) {
    return WideFromBytes(text, CP_UTF8);
}

std::string Utf8FromUtf16(std::wstring_view wide) {
    return BytesFromWide(wide, CP_UTF8);
}

}  // namespace

std::string_view NativeLineEnd() {
    return "\r\n";
}

std::optional<std::string> EnvironmentValue(const std::string& name) {
    const std::wstring wideName = Utf16FromUtf8(name);
    // The size asked for includes the terminator; a variable may change in between.
    std::wstring value(MAX_PATH, L'\0');
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD size = GetEnvironmentVariableW(wideName.c_str(), value.data(),
                                                   static_cast<DWORD>(value.size()));
        if (size == 0) {
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
            return std::string();
        }
        if (size < value.size()) {
            value.resize(size);
            return Utf8FromUtf16(value);
        }
        value.resize(size);
    }
}

FilePtr CreateNewFile(const fs::path& path) {
    int descriptor = -1;
    if (_wsopen_s(&descriptor, path.c_str(),
                  _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                  _S_IREAD | _S_IWRITE) != 0) {
        return nullptr;
    }
    FilePtr file(_wfdopen(descriptor, L"wb"));
    if (!file) {
        _close(descriptor);
        DeleteFileW(path.c_str());
    }
    return file;
}

bool SyncToDisk(std::FILE* file) {
    return _commit(_fileno(file)) == 0;
}

bool MoveOver(const fs::path& from, const fs::path& to) {
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool CanCreateFileIn(const fs::path& folder) {
    const fs::path probe = TemporaryPathBeside(folder / "YmodemCfg.ini", ".probe");
    const HANDLE handle =
        CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    CloseHandle(handle);
    return true;
}

}  // namespace ymodem
