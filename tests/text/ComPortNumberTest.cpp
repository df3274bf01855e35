#include "ComPortNumber.h"

#include <gtest/gtest.h>

#include <optional>

namespace ymodem {
namespace {

struct ListText {
    const char* text;
    std::optional<int> number;
};

TEST(TextComPortNumber, IsReadFromTheFourthCharacterOnAndRounded) {
    const ListText cases[] = {
        {"COM1", 1},
        {"COM12 - USB Serial Port", 12},
        {"XYZ7", 7},
        {"串口7", 0},
        {"串口A7", 7},
        {"COM", 0},
        {"COM 3", 3},
        {"COM2.5", 2},
        {"COM3.5", 4},
        {"COM-1", -1},
        {"COMx", 0},
        {"COM32767", 32767},
        {"CO", std::nullopt},
        {"", std::nullopt},
        {"COM32768", std::nullopt},
        {"COM-32769", std::nullopt},
    };
    for (const ListText& c : cases) {
        EXPECT_EQ(ComPortNumberFromListText(c.text), c.number) << c.text;
    }
}

TEST(TextComPortNumber, ScanNamesAndOpenableNumbers) {
    EXPECT_EQ(kComScanCount, 16);
    EXPECT_EQ(ComPortName(16), "COM16");
    for (const char* name : {"COM1", "COM255", "XYZ9"}) {
        EXPECT_TRUE(IsOpenableComPortName(name)) << name;
    }
    for (const char* name : {"COM", "COM0", "COM256", "COM-3", "COM3x", "CO"}) {
        EXPECT_FALSE(IsOpenableComPortName(name)) << name;
    }
}

}  // namespace
}  // namespace ymodem
