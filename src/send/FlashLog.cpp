#include "FlashLog.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <thread>
#include <utility>

#include <nlohmann/json.hpp>

#include "DeviceText.h"
#include "UtcTime.h"

namespace ymodem {

namespace {

using Json = nlohmann::ordered_json;

// The longest header line looked at; every known field together takes a tenth of it.
constexpr std::size_t kHeaderLimit = 4096;

const char* ResultText(FlashResult result) {
    switch (result) {
        case FlashResult::Ok:
            return "ok";
        case FlashResult::Rejected:
            return "rejected";
        case FlashResult::Timeout:
            return "timeout";
        case FlashResult::PortLost:
            return "port-lost";
        case FlashResult::Aborted:
            return "aborted";
        case FlashResult::Unverified:
            return "unverified";
    }
    return "aborted";
}

bool EndsWithCsv(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".csv";
}

// A dumped JSON text is valid UTF-8 whatever bytes it was given (a file name in another
// system's encoding), each bad sequence replaced by U+FFFD.
std::string Dump(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json RecordObject(const FlashRecord& record, int seq) {
    Json object;
    object["time"] = UtcTimeText(record.Time);
    object["seq"] = seq;
    object["port"] = record.Port;
    object["file"] = record.File;
    object["size"] = record.Size;
    object["crc16"] = record.Crc16;
    object["sha256"] = record.Sha256;
    object["result"] = ResultText(record.Result);
    object["blocks"] = record.Blocks;
    object["duration_ms"] = record.DurationMs;
    object["status"] = record.Status;
    object["device_text"] = record.DeviceText;
    return object;
}

std::vector<std::string> AllFields() {
    const Json object = RecordObject({}, 0);  // alive while its keys are read
    std::vector<std::string> fields;
    for (const auto& [field, value] : object.items()) fields.push_back(field);
    return fields;
}

// RFC 4180: a field with a comma, a quote or a line break is quoted, its quotes doubled.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string Trimmed(std::string text) {
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    while (!text.empty() && blank(static_cast<unsigned char>(text.back()))) text.pop_back();
    const auto first = std::find_if_not(text.begin(), text.end(), blank);
    text.erase(text.begin(), first);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
    }
    return text;
}

// The columns a header line names, or the first one no record has. A spreadsheet may have
// saved the file with a UTF-8 mark in front and its names quoted.
std::vector<std::string> HeaderColumns(std::string line, std::string& unknown) {
    if (line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
    const std::vector<std::string> known = AllFields();
    std::vector<std::string> columns;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t comma = std::min(line.find(',', start), line.size());
        std::string column = Trimmed(line.substr(start, comma - start));
        if (std::find(known.begin(), known.end(), column) == known.end()) {
            unknown = column;
            return {};
        }
        columns.push_back(std::move(column));
        start = comma + 1;
    }
    return columns;
}

// For the benchmark and the tests of a slow log disk only: every sync takes this much
// longer, as on a network share.
std::chrono::milliseconds SyncDelay() {
    const char* delay = std::getenv("YMODEM_SEND_TEST_SYNC_DELAY_MS");
    return std::chrono::milliseconds(delay != nullptr ? std::atoi(delay) : 0);
}

}  // namespace

FlashLog::FlashLog(std::unique_ptr<RecordWriter> writer, Format format, bool endLineFirst)
    : writer_(std::move(writer)), format_(format), endLineFirst_(endLineFirst) {}

std::optional<FlashLog> FlashLog::Open(const std::string& path, std::string& error) {
    auto file = AppendOnlyFile::Open(path, error);
    if (!file) return std::nullopt;
    const Format format = EndsWithCsv(path) ? Format::Csv : Format::JsonLines;
    std::vector<std::string> columns = AllFields();
    const bool empty = file->Empty();
    const std::string head = empty ? std::string() : file->Head(kHeaderLimit);
    // A file that cannot be read back gets every field, as it always has.
    if (format == Format::Csv && !head.empty()) {
        std::string unknown;
        columns = HeaderColumns(head.substr(0, head.find_first_of("\r\n")), unknown);
        if (columns.empty()) {
            error = "its header has the column '" + ValidUtf8(unknown) +
                    "', which no record has; the file was left as it was";
            return std::nullopt;
        }
    }
    const bool endLineFirst = file->EndsMidLine();
    auto shared = std::make_shared<AppendOnlyFile>(std::move(*file));
    auto writer =
        std::make_unique<RecordWriter>([shared, delay = SyncDelay()](std::string_view line) {
            const bool written = shared->Append(line);
            if (delay.count() > 0) std::this_thread::sleep_for(delay);
            return written;
        });
    FlashLog log(std::move(writer), format, endLineFirst);
    log.columns_ = std::move(columns);
    // The header goes with the first record, so that a file never holds a header alone.
    log.headerDue_ = format == Format::Csv && empty;
    return log;
}

std::string FlashLog::Line(const FlashRecord& record, int seq) const {
    const Json object = RecordObject(record, seq);
    if (format_ == Format::JsonLines) return Dump(object) + "\n";
    std::string line;
    for (const std::string& column : columns_) {
        const Json& value = object.at(column);
        if (!line.empty()) line += ',';
        line += CsvField(value.is_string() ? ValidUtf8(value.get<std::string>()) : Dump(value));
    }
    return line + "\r\n";
}

void FlashLog::Append(const FlashRecord& record) {
    ++seq_;
    std::string text;
    if (std::exchange(endLineFirst_, false)) text = format_ == Format::Csv ? "\r\n" : "\n";
    if (std::exchange(headerDue_, false)) {
        for (const std::string& column : columns_) text += (text.empty() ? "" : ",") + column;
        text += "\r\n";
    }
    writer_->Write(text + Line(record, seq_));
}

bool FlashLog::WaitUntilWritten(std::optional<std::chrono::milliseconds> most) {
    return writer_->WaitUntilWritten(most);
}

bool FlashLog::Failed() const {
    return writer_->Failed();
}

}  // namespace ymodem
