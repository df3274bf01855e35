#include "FlashLog.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include <nlohmann/json.hpp>

#include "UtcTime.h"

namespace ymodem {

namespace {

using Json = nlohmann::ordered_json;

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

std::string ValidUtf8(const std::string& text) {
    return Json::parse(Dump(Json(text))).get<std::string>();
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
    return object;
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

}  // namespace

FlashLog::FlashLog(AppendOnlyFile file, Format format)
    : file_(std::move(file)), format_(format), endLineFirst_(file_.EndsMidLine()) {}

std::optional<FlashLog> FlashLog::Open(const std::string& path, std::string& error) {
    auto file = AppendOnlyFile::Open(path, error);
    if (!file) return std::nullopt;
    return FlashLog(std::move(*file), EndsWithCsv(path) ? Format::Csv : Format::JsonLines);
}

std::string FlashLog::JsonLine(const FlashRecord& record, int seq) const {
    return Dump(RecordObject(record, seq)) + "\n";
}

std::string FlashLog::CsvLine(const FlashRecord& record, int seq) const {
    const Json object = RecordObject(record, seq);
    std::string line;
    for (const auto& [key, value] : object.items()) {
        if (!line.empty()) line += ',';
        line += CsvField(value.is_string() ? ValidUtf8(value.get<std::string>()) : Dump(value));
    }
    return line + "\r\n";
}

bool FlashLog::Append(const FlashRecord& record) {
    ++seq_;
    std::string text;
    if (std::exchange(endLineFirst_, false)) text = format_ == Format::Csv ? "\r\n" : "\n";
    if (format_ == Format::JsonLines) return file_.Append(text + JsonLine(record, seq_));
    // The header goes with the first record, so that a file never holds a header alone.
    if (file_.Empty()) {
        const Json fields = RecordObject(record, seq_);
        for (const auto& [field, value] : fields.items()) {
            text += (text.empty() ? "" : ",") + field;
        }
        text += "\r\n";
    }
    return file_.Append(text + CsvLine(record, seq_));
}

}  // namespace ymodem
