#include "IniDocument.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace ymodem {
namespace {

using namespace std::string_literals;

struct ReadCase {
    const char* name;
    std::string bytes;
    std::optional<std::string> expected;  // the value of Para1/SaveComm
};

TEST(SettingsIniDocument, FindsValuesLikeTheWindowsProfileFunctions) {
    const ReadCase cases[] = {
        {"names ignore ASCII case", "[pArA1]\nsavecomm=COM2\n", "COM2"},
        {"blanks trimmed", " \t[ Para1 ]\t\n \tSaveComm \t= \tCOM 2 \t\n", "COM 2"},
        {"CRLF lines", "[Para1]\r\nSaveComm=COM2\r\n", "COM2"},
        {"last line unfinished", "[Para1]\nSaveComm=COM2", "COM2"},
        {"lone CR ends the file", "[Para1]\nSaveComm=COM2\r", "COM2"},
        {"'=' inside the value", "[Para1]\nSaveComm=a=b\n", "a=b"},
        {"text after the header", "[Para1] ; note\nSaveComm=COM2\n", "COM2"},
        {"behind the UTF-8 mark", "\xEF\xBB\xBF[Para1]\r\nSaveComm=COM2\r\n", "COM2"},
        {"GBK bytes untouched", "[Para1]\nSaveComm=\xC9\xD5\xD0\xB4\n", "\xC9\xD5\xD0\xB4"},
        {"NUL bytes", "\0\0[x\n[Para1]\n\0junk\nSaveComm=CO\0M\n"s, "CO\0M"s},
        {"empty value is present", "[Para1]\nSaveComm=\n", ""},
        {"first key wins", "[Para1]\nSaveComm=COM2\nSaveComm=COM3\n", "COM2"},
        {"only the first section counts", "[Para1]\nX=1\n[Para1]\nSaveComm=COM3\n", std::nullopt},
        {"other section", "[Other]\nSaveComm=COM2\n[Para1]\n", std::nullopt},
        {"key before any section", "SaveComm=COM2\n[Para1]\n", std::nullopt},
        {"comments", "[Para1]\n;SaveComm=COM2\n  ; SaveComm=COM3\n", std::nullopt},
        {"unclosed header", "[Para1\nSaveComm=COM2\n", std::nullopt},
        {"line without '='", "[Para1]\nSaveComm\n", std::nullopt},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IniDocument(c.bytes).Value("Para1", "SaveComm"), c.expected);
    }
}

struct WriteCase {
    const char* name;
    std::string before;
    std::string lineEnd;
    std::string after;  // once Para1/SaveComm is set to COM1
};

TEST(SettingsIniDocument, WritesOneValueAndKeepsEveryOtherByte) {
    const WriteCase cases[] = {
        {"empty file", "", "\n", "[Para1]\nSaveComm=COM1\n"},
        {"empty file, CRLF", "", "\r\n", "[Para1]\r\nSaveComm=COM1\r\n"},
        {"replace keeps key spelling and line end", "[para1]\r\n  SAVECOMM = COM2 \r\nX=1\r\n",
         "\n", "[para1]\r\n  SAVECOMM =COM1\r\nX=1\r\n"},
        {"empty value replaced", "[Para1]\nSaveComm=\nX=1\n", "\n",
         "[Para1]\nSaveComm=COM1\nX=1\n"},
        {"new key after the section's last key", "[Para1]\nX=1\n; about Next\n\n[Next]\nY=2\n",
         "\n", "[Para1]\nX=1\nSaveComm=COM1\n; about Next\n\n[Next]\nY=2\n"},
        {"new key in a section without keys", "[Para1]\n; note\n[Next]\n", "\n",
         "[Para1]\nSaveComm=COM1\n; note\n[Next]\n"},
        {"unfinished last key line", "[Para1]\nX=1", "\r\n", "[Para1]\nX=1\r\nSaveComm=COM1\r\n"},
        {"lone CR ends the file", "[Para1]\nX=1\r", "\r\n", "[Para1]\nX=1\r\nSaveComm=COM1\r\n"},
        {"new section at the end", "[Other]\r\nX=1", "\r\n",
         "[Other]\r\nX=1\r\n[Para1]\r\nSaveComm=COM1\r\n"},
        {"only the first key and section change",
         "[Para1]\nSaveComm=a\nSaveComm=b\n[Para1]\nSaveComm=c\n", "\n",
         "[Para1]\nSaveComm=COM1\nSaveComm=b\n[Para1]\nSaveComm=c\n"},
        {"a UTF-8 mark alone", "\xEF\xBB\xBF", "\r\n", "\xEF\xBB\xBF[Para1]\r\nSaveComm=COM1\r\n"},
        {"lines not understood", "\0\xff\nno equals\n[Para1]\n???\n"s, "\n",
         "\0\xff\nno equals\n[Para1]\nSaveComm=COM1\n???\n"s},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        IniDocument document(c.before);
        EXPECT_TRUE(document.SetValue("Para1", "SaveComm", "COM1", c.lineEnd));
        EXPECT_EQ(document.Bytes(), c.after);
        EXPECT_EQ(document.Value("Para1", "SaveComm"), "COM1");
    }
}

TEST(SettingsIniDocument, RefusesEntriesThatWouldNotReadBack) {
    const std::string before = "[Para1]\nX=1\n";
    const char* entries[][3] = {
        {"Para1", "Save\nComm", "v"}, {"Para1", "SaveComm", "a\r\nb"}, {"Pa\rra1", "SaveComm", "v"},
        {"Pa]ra1", "SaveComm", "v"},  {"Para1", "a=b", "v"},           {"Para1", ";SaveComm", "v"},
        {"Para1", "[k]", "v"},
    };
    for (const auto& [section, key, value] : entries) {
        SCOPED_TRACE(std::string(section) + "/" + key + "=" + value);
        IniDocument document(before);
        EXPECT_FALSE(document.SetValue(section, key, value, "\n"));
        EXPECT_EQ(document.Bytes(), before);
    }
}

}  // namespace
}  // namespace ymodem
