#include <windows.h>

#include "AppendOnlyFile.h"
#include "Utf8Path.h"

namespace ymodem {

namespace {

HANDLE AsHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

std::string SystemMessage(DWORD code) {
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(code) : message;
}

}  // namespace

std::optional<AppendOnlyFile> AppendOnlyFile::Open(const std::string& path, std::string& error) {
    // FILE_APPEND_DATA alone makes every write go to the end, as O_APPEND does.
    // Read access too where it is granted, for the look at the last byte.
    const auto open = [&](DWORD access) {
        return CreateFileW(PathFromUtf8(path).c_str(),
                           access | FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE handle = open(FILE_READ_DATA);
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) handle = open(0);
    if (handle == INVALID_HANDLE_VALUE) {
        error = SystemMessage(GetLastError());
        return std::nullopt;
    }
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        error = "not a regular file";
        CloseHandle(handle);
        return std::nullopt;
    }
    return AppendOnlyFile(reinterpret_cast<std::intptr_t>(handle));
}

void AppendOnlyFile::Close() {
    if (handle_ != kClosed) CloseHandle(AsHandle(handle_));
    handle_ = kClosed;
}

bool AppendOnlyFile::Empty() const {
    LARGE_INTEGER size{};
    return GetFileSizeEx(AsHandle(handle_), &size) && size.QuadPart == 0;
}

bool AppendOnlyFile::EndsMidLine() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(AsHandle(handle_), &size) || size.QuadPart == 0) return false;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(size.QuadPart - 1);
    at.OffsetHigh = static_cast<DWORD>((size.QuadPart - 1) >> 32);
    char last = '\n';
    DWORD read = 0;
    return ReadFile(AsHandle(handle_), &last, 1, &read, &at) && read == 1 && last != '\n';
}

std::string AppendOnlyFile::Head(std::size_t most) const {
    std::string head(most, '\0');
    OVERLAPPED at{};  // from the start, whatever the file's pointer
    DWORD read = 0;
    if (!ReadFile(AsHandle(handle_), head.data(), static_cast<DWORD>(most), &read, &at)) read = 0;
    head.resize(read);
    return head;
}

bool AppendOnlyFile::Append(std::string_view bytes) {
    DWORD written = 0;
    const BOOL ok = WriteFile(AsHandle(handle_), bytes.data(), static_cast<DWORD>(bytes.size()),
                              &written, nullptr);
    if (!ok || written != bytes.size()) return false;
    return FlushFileBuffers(AsHandle(handle_)) != 0;
}

}  // namespace ymodem
