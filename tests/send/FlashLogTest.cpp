#include <gtest/gtest.h>

#include "FlashLog.h"
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
        R"("duration_ms":812,"status":"文件发送完毕!�"})"
        "\n";
    const std::string csv =
        "2026-12-07T23:35:30.123Z,%,ttyUSB1,\"fw/a,\"\"b\"\".bin\",2100,"
        "0x0832,ab,ok,4,812,文件发送完毕!�\r\n";
    const std::string header =
        "time,seq,port,file,size,crc16,sha256,result,blocks,duration_ms,status\r\n";
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
            for (const char* seq = seqs; *seq != '\0'; ++seq) EXPECT_TRUE(log->Append(record));
        }
        EXPECT_EQ(ReadBytes(path), c.Header + numbered('1') + numbered('2') + numbered('1'));
        // A last line cut short is ended, never joined to the next record.
        const std::string cut = c.Header + numbered('1').substr(0, 20);
        WriteBytes(path, cut);
        ASSERT_TRUE(FlashLog::Open(Utf8FromPath(path), error)->Append(record));
        EXPECT_EQ(ReadBytes(path),
                  cut + c.Line.substr(c.Line.size() - (c.Header.empty() ? 1 : 2)) + numbered('1'));
    }
    std::string error;
    EXPECT_FALSE(FlashLog::Open(Utf8FromPath(TempFolder().Path() / "no" / "log"), error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace ymodem::test
