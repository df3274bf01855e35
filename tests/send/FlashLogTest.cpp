#include <gtest/gtest.h>

#include <future>

#include "FlashLog.h"
#include "RecordWriter.h"
#include "Sha256.h"
#include "TempFolder.h"
#include "UtcTime.h"

namespace ymodem::test {
namespace {

TEST(Sha256, KnownDigests) {
    const struct {
        std::string Message;
        std::string Digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // 56 bytes: the length no longer fits the block, the padding takes one more.
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        const std::vector<std::uint8_t> bytes(c.Message.begin(), c.Message.end());
        EXPECT_EQ(Sha256::HexOf(bytes), c.Digest) << c.Message.size();
    }
}

// Each row appends two records to a fresh log, then one more after opening it again.
TEST(FlashLog, AppendsInEitherFormatAndKeepsWhatIsThere) {
    FlashRecord record;
    record.Time = std::chrono::sys_days(std::chrono::year(2026) / 12 / 7) + std::chrono::hours(23) +
                  std::chrono::minutes(35) + std::chrono::milliseconds(30123) +
                  std::chrono::microseconds(999);
    record.Port = "ttyUSB1";
    record.File = "fw/a,\"b\".bin";
    record.Size = 2100;
    record.Crc16 = "0x0832";
    record.Sha256 = "ab";
    record.Blocks = 4;
    record.DurationMs = 812;
    record.Status = "文件发送完毕!\xff";  // a byte that is no UTF-8 comes out as U+FFFD
    const std::string json =
        R"({"time":"2026-12-07T23:35:30.123Z","seq":%,"port":"ttyUSB1","file":"fw/a,\"b\".bin",)"
        R"("size":2100,"crc16":"0x0832","sha256":"ab","result":"ok","blocks":4,)"
        R"("duration_ms":812,"status":"文件发送完毕!�","device_text":""})"
        "\n";
    const std::string csv =
        "2026-12-07T23:35:30.123Z,%,ttyUSB1,\"fw/a,\"\"b\"\".bin\",2100,"
        "0x0832,ab,ok,4,812,文件发送完毕!�,\r\n";
    const std::string header =
        "time,seq,port,file,size,crc16,sha256,result,blocks,duration_ms,status,device_text\r\n";
    const struct {
        const char* Name;
        std::string Line, Header;
    } cases[] = {{"flash.jsonl", json, ""}, {"flash.CSV", csv, header}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TempFolder folder;
        const auto path = folder.Path() / c.Name;
        const auto numbered = [&](char seq) {
            std::string line = c.Line;
            line[line.find('%')] = seq;
            return line;
        };
        std::string error;
        for (const char* seqs : {"12", "1"}) {
            auto log = FlashLog::Open(Utf8FromPath(path), error);
            ASSERT_TRUE(log) << error;
            for (const char* seq = seqs; *seq != '\0'; ++seq) log->Append(record);
        }
        EXPECT_EQ(ReadBytes(path), c.Header + numbered('1') + numbered('2') + numbered('1'));
        // A last line cut short is ended, never joined to the next record.
        const std::string cut = c.Header + numbered('1').substr(0, 20);
        WriteBytes(path, cut);
        FlashLog::Open(Utf8FromPath(path), error)->Append(record);
        EXPECT_EQ(ReadBytes(path),
                  cut + c.Line.substr(c.Line.size() - (c.Header.empty() ? 1 : 2)) + numbered('1'));
    }
    std::string error;
    EXPECT_FALSE(FlashLog::Open(Utf8FromPath(TempFolder().Path() / "no" / "log"), error));
    EXPECT_FALSE(error.empty());
}

// A CSV file keeps the columns its header names, in its order; a column no record has
// leaves the file as it was.
TEST(FlashLog, CsvRowsFollowTheHeaderThereIs) {
    FlashRecord record;
    record.Port = "COM3";
    record.Result = FlashResult::Unverified;
    const struct {
        std::string Header, Row;
    } cases[] = {
        {"time,seq,port,file,size,crc16,sha256,result,blocks,duration_ms,status\r\n",
         "1970-01-01T00:00:00.000Z,1,COM3,,0,,,unverified,0,0,\r\n"},
        {"\xEF\xBB\xBF\"result\", port ,device_text\r\n", "unverified,COM3,\r\n"},
        {"seq,colour\r\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Header);
        const TempFolder folder;
        const auto path = folder.Path() / "flash.csv";
        WriteBytes(path, c.Header);
        std::string error;
        auto log = FlashLog::Open(Utf8FromPath(path), error);
        ASSERT_EQ(log.has_value(), !c.Row.empty()) << error;
        if (log) log->Append(record);
        if (log) log->WaitUntilWritten(std::nullopt);
        EXPECT_EQ(ReadBytes(path), c.Header + c.Row);
        EXPECT_EQ(error.find("'colour'") != std::string::npos, c.Row.empty()) << error;
    }
}

// A log disk that takes its time holds up none of the writer's callers, and the lines
// reach it in the order they were handed over.
TEST(RecordWriter, WritesInOrderBehindASlowDisk) {
    std::promise<void> diskFree;
    const std::shared_future<void> free = diskFree.get_future().share();
    std::string disk;
    RecordWriter writer([&](std::string_view line) {
        free.wait();
        disk += line;
        return line != "lost";
    });
    for (const char* line : {"1", "2", "lost", "3"}) writer.Write(line);
    EXPECT_FALSE(writer.WaitUntilWritten(std::chrono::milliseconds(20)));
    diskFree.set_value();
    EXPECT_TRUE(writer.WaitUntilWritten(std::nullopt));
    EXPECT_EQ(disk, "12lost3");
    EXPECT_TRUE(writer.Failed());
}

}  // namespace
}  // namespace ymodem::test
