#include <gtest/gtest.h>

#include "PortTestSupport.h"
#include "QtSerialControl.h"

namespace ymodem {
namespace {

struct GoodSettings {
    const char* text;
    const char* canonical;
};

class PortSettingsGood : public testing::TestWithParam<GoodSettings> {};

TEST_P(PortSettingsGood, AreTakenInCanonicalForm) {
    QtSerialControl control(NamingWith());
    control.SetSettings(QString::fromUtf8(GetParam().text));
    EXPECT_EQ(control.Settings().toStdString(), GetParam().canonical);
}

INSTANTIATE_TEST_SUITE_P(Texts, PortSettingsGood,
                         testing::Values(GoodSettings{"115200,N,8,1", "115200,N,8,1"},
                                         GoodSettings{"9600,e,7,2", "9600,E,7,2"},
                                         GoodSettings{"300,o,5,1.5", "300,O,5,1.5"},
                                         GoodSettings{"57600,M,6,1", "57600,M,6,1"},
                                         GoodSettings{"1200,s,8,2", "1200,S,8,2"},
                                         GoodSettings{" 19200 , n , 8 , 1 ", "19200,N,8,1"}));

class PortSettingsBad : public testing::TestWithParam<const char*> {};

TEST_P(PortSettingsBad, FailWith380AndKeepTheOldSettings) {
    QtSerialControl control(NamingWith());
    control.SetSettings("115200,E,7,2");
    EXPECT_EQ(ErrorNumberOf([&] { control.SetSettings(QString::fromUtf8(GetParam())); }),
              CommError::kInvalidPropertyValue);
    EXPECT_EQ(control.Settings(), "115200,E,7,2");
}

INSTANTIATE_TEST_SUITE_P(Texts, PortSettingsBad,
                         testing::Values("", "115200", "115200,N,8", "115200,N,8,1,1", "0,N,8,1",
                                         "-9600,N,8,1", "+9600,N,8,1", "9600.5,N,8,1",
                                         "99999999999,N,8,1", "baud,N,8,1", "9600,X,8,1",
                                         "9600,NN,8,1", "9600,,8,1", "9600,N,4,1", "9600,N,9,1",
                                         "9600,N,8,0", "9600,N,8,3", "9600,N,8,1.0"));

TEST(PortSettings, NegativeSizesAndNonZeroCountsFailWith380) {
    QtSerialControl control(NamingWith());
    const std::vector<std::function<void()>> operations = {
        [&] { control.SetInBufferSize(-1); },  [&] { control.SetOutBufferSize(-1); },
        [&] { control.SetRThreshold(-1); },    [&] { control.SetSThreshold(-1); },
        [&] { control.SetInputLen(-1); },      [&] { control.SetInputMode(2); },
        [&] { control.SetOutBufferCount(5); }, [&] { control.SetInBufferCount(5); },
    };
    for (std::size_t i = 0; i < operations.size(); ++i) {
        EXPECT_EQ(ErrorNumberOf(operations[i]), CommError::kInvalidPropertyValue) << "case " << i;
    }
    // While closed the sizes of the old control's defaults are simply taken.
    control.SetInBufferSize(1024);
    control.SetOutBufferSize(512);
    control.SetOutBufferCount(0);
}

}  // namespace
}  // namespace ymodem
