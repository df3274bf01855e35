#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "Crc16.h"
#include "EngineHarness.h"
#include "Frames.h"
#include "RangeError.h"

namespace ymodem::test {
namespace {

Bytes Ascii(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes Counting(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

TEST(TransferCrc, KnownVectors) {
    struct Case {
        Bytes Data;
        std::array<std::uint8_t, 2> Expected;
    };
    const Case cases[] = {
        {Ascii("123456789"), {0x31, 0xC3}},
        {Ascii("abc"), {0x9D, 0xD6}},
        {Bytes{}, {0x00, 0x00}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CalcCrc16(c.Data, 0, static_cast<std::int16_t>(c.Data.size())), c.Expected);
    }
}

TEST(TransferCrc, TableMatchesTheBitwiseRegisterOnRandomData) {
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        Bytes data(random() % 2000);
        for (auto& byte : data) byte = static_cast<std::uint8_t>(random());
        const auto crc = CalcCrc16(data, 0, static_cast<std::int16_t>(data.size()));
        const std::uint16_t expected = ReferenceCrc16(data);
        EXPECT_EQ(crc[0], expected >> 8);
        EXPECT_EQ(crc[1], expected & 0xFF);
    }
}

TEST(TransferCrc, ReadsExactlyTheRangeAndRefusesToLeaveIt) {
    Bytes frame(131, 0xEE);
    frame[2] = 1;
    EXPECT_NO_THROW(CalcCrc16(frame, 3, 128));  // elements 3 to 130, the last one there is
    Bytes shorter(130);
    EXPECT_THROW(CalcCrc16(shorter, 3, 128), RangeError);
    Bytes big(32767);
    EXPECT_NO_THROW(CalcCrc16(big, 0, 32767));
    EXPECT_THROW(CalcCrc16(big, 1, 32767), RangeError);
    EXPECT_THROW(CalcCrc16(big, -1, 2), RangeError);
    EXPECT_EQ(CalcCrc16(shorter, 130, 0), (std::array<std::uint8_t, 2>{0, 0}));
}

TEST(TransferFrames, DataBlocksFollowTheLayout) {
    const Bytes image = Counting(1300);
    struct Case {
        std::int16_t Offset;
        std::int16_t Length;
        std::uint8_t Pgno;
        std::size_t ExpectedSize;
        bool RanPastEnd;
    };
    const Case cases[] = {
        {0, 1024, 1, 1024, false},   // a 1024-byte block never tests the end
        {1295, 128, 3, 128, true},   // the last 5 bytes, then 123 fill bytes
        {1172, 128, 3, 128, false},  // ends exactly on the file's last byte
        {1300, 128, 4, 128, true},   // wholly past the end
        {1400, 128, 5, 128, true},
        {0, 5000, 0, 1024, false},  // 1024 or more selects the long block
        {0, 127, 255, 128, false},  // anything less the short one
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Offset);
        const DataFrame frame = BuildDataFrame(image, 1300, c.Offset, c.Length, c.Pgno);
        EXPECT_EQ(frame.Bytes, ExpectedDataFrame(image, c.Offset, c.ExpectedSize, c.Pgno));
        EXPECT_EQ(frame.RanPastEnd, c.RanPastEnd);
    }
}

TEST(TransferFrames, BlockNumberAndComplement) {
    const Bytes image = Counting(10);
    for (const auto& [pgno, complement] : {std::pair{0, 0xFF}, {255, 0x00}, {1, 0xFE}}) {
        const auto frame = BuildDataFrame(image, 10, 0, 128, static_cast<std::uint8_t>(pgno));
        EXPECT_EQ(frame.Bytes[1], pgno);
        EXPECT_EQ(frame.Bytes[2], complement);
    }
}

TEST(TransferFrames, PositionsOutsideTheImageAreRefused) {
    const Bytes image = Counting(1000);
    EXPECT_THROW(BuildDataFrame(image, 1000, 0, 1024, 1), RangeError);
    EXPECT_THROW(BuildDataFrame(image, 1000, 32700, 128, 1), RangeError);
    EXPECT_THROW(BuildDataFrame(image, 2000, 990, 128, 1), RangeError);
}

TEST(TransferFrames, HeadFrameCarriesNameAndSize) {
    const auto identity = [](std::string_view text) { return std::string(text); };
    struct Case {
        std::string Name;
        std::int32_t Size;
        Bytes ExpectedName;
    };
    const Case cases[] = {
        {"app.bin", 5000, Ascii("app.bin")},
        {"", 100, Bytes{}},
        {"empty.bin", 0, Ascii("empty.bin")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildHeadFrame(c.Name, c.Size, identity),
                  ExpectedHeadFrame(c.ExpectedName, c.Size));
    }
    const Bytes head = BuildHeadFrame("app.bin", 5000, identity);
    const Bytes digits{0x35, 0x30, 0x30, 0x30, 0x00};
    EXPECT_TRUE(std::equal(digits.begin(), digits.end(), head.begin() + 11));
}

TEST(TransferFrames, LongNamesAreShortenedAtCharacterBoundaries) {
    struct Case {
        std::string Name;
        std::int32_t Size;
        std::size_t ExpectedNameBytes;
    };
    std::string wide;
    for (int i = 0; i < 70; ++i) wide += "烧";  // two bytes each in 8-bit text
    const Case cases[] = {
        {std::string(121, 'a'), 32767, 121},  // fits exactly with five digits
        {std::string(122, 'a'), 32767, 121},
        {std::string(200, 'a'), 7, 125},
        {wide, 32767, 120},  // 121 would split a character
        {wide, 1000, 122},
    };
    for (const auto& c : cases) {
        const Bytes head = BuildHeadFrame(c.Name, c.Size, TwoBytesPerWideCharacter);
        ASSERT_EQ(head.size(), 133u);
        const auto nameEnd = std::find(head.begin() + 3, head.end(), 0);
        EXPECT_EQ(static_cast<std::size_t>(nameEnd - head.begin() - 3), c.ExpectedNameBytes);
        const std::string encoded = TwoBytesPerWideCharacter(c.Name);
        const Bytes name(encoded.begin(), encoded.begin() + static_cast<long>(c.ExpectedNameBytes));
        EXPECT_EQ(head, ExpectedHeadFrame(name, static_cast<std::size_t>(c.Size)));
    }
}

TEST(TransferFrames, LastPathComponent) {
    EXPECT_EQ(LastPathComponent("C:\\fw\\app.bin", '\\'), "app.bin");
    EXPECT_EQ(LastPathComponent("C:\\", '\\'), "");
    EXPECT_EQ(LastPathComponent("app.bin", '\\'), "app.bin");
    EXPECT_EQ(LastPathComponent("a/b\\c", '\\'), "c");
    EXPECT_EQ(LastPathComponent("/home/u/a\\b.bin", '/'), "a\\b.bin");
}

}  // namespace
}  // namespace ymodem::test
