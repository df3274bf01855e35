#include "NativeSeparators.h"

#include <gtest/gtest.h>

#include "Frames.h"
#include "SystemFileNaming.h"

namespace ymodem {
namespace {

struct PathCase {
    const char* entered;
    const char* native;
    const char* name;  // what block 0 carries
};

#ifdef _WIN32
const PathCase kCases[] = {
    {"C:/fw/烧写.bin", "C:\\fw\\烧写.bin", "烧写.bin"},
    {"C:\\fw\\app.bin", "C:\\fw\\app.bin", "app.bin"},
    {"//server/share/a.bin", "\\\\server\\share\\a.bin", "a.bin"},
    {"D:\\fw/sub/app.bin", "D:\\fw\\sub\\app.bin", "app.bin"},
    {"app.bin", "app.bin", "app.bin"},
};
#else
const PathCase kCases[] = {
    {"/home/u/fw/烧写.bin", "/home/u/fw/烧写.bin", "烧写.bin"},
    {"/home/u/a\\b.bin", "/home/u/a\\b.bin", "a\\b.bin"},
    {"app.bin", "app.bin", "app.bin"},
};
#endif

TEST(FilesNativeSeparators, EnteredPathsTakeTheSystemsSeparatorSoBlockZeroNamesTheFile) {
    for (const PathCase& c : kCases) {
        SCOPED_TRACE(c.entered);
        const std::string native = ToNativeSeparators(c.entered);
        EXPECT_EQ(native, c.native);
        EXPECT_EQ(LastPathComponent(native, SystemPathSeparator()), c.name);
    }
}

}  // namespace
}  // namespace ymodem
