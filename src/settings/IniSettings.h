#pragma once

#include <string>

// Settings stored as INI text, in the same form and with the same matching rules as the
// Windows profile-string functions, so that files written by either read in the other.
// Bytes are never converted: names and values are in the system's 8-bit encoding. The
// file's path is UTF-8 text.
namespace ymodem {

// Reads one value, whole whatever its length. When the file, the section or the key is
// missing, or the stored value is empty, writes `defaultValue` under the key (a failed
// write is ignored) and returns it.
std::string ReadIniStr(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& defaultValue);

// Writes one value, keeping every other byte of the file. A failure is ignored and leaves
// the file as it was; the caller carries on with the value it holds.
void WriteIniStr(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value);

}  // namespace ymodem
