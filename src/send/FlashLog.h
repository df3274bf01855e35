#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AppendOnlyFile.h"
#include "FlashRecord.h"
#include "RecordWriter.h"

namespace ymodem {

// The record of every transfer of a run, one line each, appended to a file that may
// already hold the lines of earlier runs: JSON Lines, or CSV (RFC 4180, CRLF) when the name
// ends in ".csv" in any case. A new or empty CSV file gets a header line with every field;
// one that has a header keeps its columns, so that a sheet made by an earlier version goes
// on as it was. The lines are numbered over the run, all ports together, and written in
// that order off the caller's thread.
class FlashLog {
public:
    // Nothing when the file cannot be opened for appending, or names a column no record
    // has, with the reason in error.
    static std::optional<FlashLog> Open(const std::string& path, std::string& error);

    // Queues the record as one line; it is on the disk once WaitUntilWritten says so.
    void Append(const FlashRecord& record);
    // See RecordWriter.
    bool WaitUntilWritten(std::optional<std::chrono::milliseconds> most);
    bool Failed() const;

private:
    enum class Format { JsonLines, Csv };
    FlashLog(std::unique_ptr<RecordWriter> writer, Format format, bool endLineFirst);
    std::string Line(const FlashRecord& record, int seq) const;

    std::unique_ptr<RecordWriter> writer_;
    Format format_;
    std::vector<std::string> columns_;  // CSV: the fields of a row, in order
    bool headerDue_ = false;
    int seq_ = 0;
    // The file's last line was left without its line break: the first record ends it, so
    // that it is not joined to that line.
    bool endLineFirst_;
};

}  // namespace ymodem
