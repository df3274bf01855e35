#include "SystemEncoding.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace ymodem {
namespace {

// Block 0's file name and the settings file use this text, so a Simplified-Chinese
// Windows must get GBK bytes; elsewhere UTF-8 passes unchanged.
TEST(TextSystemEncoding, UsesTheAnsiCodePageOnWindowsAndUtf8Elsewhere) {
    const std::string utf8 = "D:\\烧写\\固件 v1.bin";
#ifdef _WIN32
    if (GetACP() != 936) GTEST_SKIP() << "the expected bytes are those of code page 936";
    const std::string gbk = "D:\\\xC9\xD5\xD0\xB4\\\xB9\xCC\xBC\xFE v1.bin";
    EXPECT_EQ(ToSystem8Bit(utf8), gbk);
    EXPECT_EQ(FromSystem8Bit(gbk), utf8);
    EXPECT_EQ(ToSystem8Bit("설정"), "??");
#else
    EXPECT_EQ(ToSystem8Bit(utf8), utf8);
    EXPECT_EQ(FromSystem8Bit(utf8), utf8);
#endif
    EXPECT_EQ(ToSystem8Bit(""), "");
}

}  // namespace
}  // namespace ymodem
