#pragma once

#include <optional>
#include <string>

#include "AppendOnlyFile.h"
#include "FlashRecord.h"

namespace ymodem {

// The record of every transfer of a run, one line each, appended to a file that may
// already hold the lines of earlier runs: JSON Lines, or CSV (RFC 4180, CRLF, a header
// line in a new or empty file) when the name ends in ".csv" in any case. The lines are
// numbered over the run, all ports together.
class FlashLog {
public:
    // Nothing when the file cannot be opened for appending, with the reason in error.
    static std::optional<FlashLog> Open(const std::string& path, std::string& error);

    // Appends the record as one line, on the disk once this returns; gives whether it is.
    bool Append(const FlashRecord& record);

    // The record as the line the log would get, for the given place in the run.
    std::string JsonLine(const FlashRecord& record, int seq) const;
    std::string CsvLine(const FlashRecord& record, int seq) const;

private:
    enum class Format { JsonLines, Csv };
    FlashLog(AppendOnlyFile file, Format format);

    AppendOnlyFile file_;
    Format format_;
    int seq_ = 0;
    // The file's last line was left without its line break: the first record ends it, so
    // that it is not joined to that line.
    bool endLineFirst_;
};

}  // namespace ymodem
