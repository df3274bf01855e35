#pragma once

#include <string>

// Settings stored as INI text, in the same form and with the same matching rules as the
// Windows profile-string functions, so that files written by either read in the other.
// Names and values are UTF-8 text here; the file holds them in the system's 8-bit
// encoding, or as UTF-8 when it starts with the UTF-8 byte-order mark (Notepad's "UTF-8
// with BOM"), which it keeps. The file's path is UTF-8 text.
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
