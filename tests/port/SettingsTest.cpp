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

}  // namespace
}  // namespace ymodem
