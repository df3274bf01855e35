#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ymodem {

// A file that is only ever appended to, each piece in one write and on the disk before
// Append returns, so that a crash or a power cut keeps every piece appended before it and
// no piece is ever half there. Lines already in the file are never touched.
class AppendOnlyFile {
public:
    // Opens path (UTF-8 on Windows, the system's bytes elsewhere), creating it when it is
    // missing; nothing when the system refuses, with its reason in error.
    static std::optional<AppendOnlyFile> Open(const std::string& path, std::string& error);

    ~AppendOnlyFile();
    AppendOnlyFile(AppendOnlyFile&& other) noexcept;
    AppendOnlyFile& operator=(AppendOnlyFile&& other) noexcept;
    AppendOnlyFile(const AppendOnlyFile&) = delete;
    AppendOnlyFile& operator=(const AppendOnlyFile&) = delete;

    // Whether the file holds nothing yet.
    bool Empty() const;
    // Whether the file's last line has no line break yet (another program cut short, say),
    // so that the next piece would be joined to it. False where the file cannot be read.
    bool EndsMidLine() const;
    // The first bytes of the file, at most most of them; none where it cannot be read.
    std::string Head(std::size_t most) const;
    // Writes bytes at the end and syncs them to the disk; gives whether both succeeded.
    bool Append(std::string_view bytes);

private:
    using Handle = std::intptr_t;  // a descriptor, or a Windows handle
    // No file: -1 is both no descriptor and INVALID_HANDLE_VALUE.
    static constexpr Handle kClosed = -1;
    explicit AppendOnlyFile(Handle handle) : handle_(handle) {}
    void Close();

    Handle handle_;
};

}  // namespace ymodem
