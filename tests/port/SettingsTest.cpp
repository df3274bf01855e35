#include <gtest/gtest.h>

#include <utility>

#include "FakeSerialControl.h"
#include "PortTestSupport.h"

namespace ymodem {
namespace {

// Every control checks settings texts with the same checks; the fake shows them.
TEST(PortSettings, TextsAreTakenInCanonicalFormOrRefusedWith380) {
    FakeSerialControl control;
    const std::pair<const char*, const char*> taken[] = {{"115200,N,8,1", "115200,N,8,1"},
                                                         {"9600,e,7,2", "9600,E,7,2"},
                                                         {"300,o,5,1.5", "300,O,5,1.5"},
                                                         {"57600,M,6,1", "57600,M,6,1"},
                                                         {"1200,s,8,2", "1200,S,8,2"},
                                                         {" 19200 , n , 8 , 1 ", "19200,N,8,1"},
                                                         {"\u3000"
                                                          "19200\t,N,8,1\u00A0",
                                                          "19200,N,8,1"}};
    for (const auto& [text, canonical] : taken) {
        control.SetSettings(text);
        EXPECT_EQ(control.Settings(), canonical) << text;
    }
    // A refused text keeps the settings as they were.
    for (const char* text : {"", "115200", "115200,N,8", "115200,N,8,1,1", "0,N,8,1", "-9600,N,8,1",
                             "+9600,N,8,1", "9600.5,N,8,1", "99999999999,N,8,1", "baud,N,8,1",
                             "9600,X,8,1", "9600,NN,8,1", "9600,,8,1", "9600,N,4,1", "9600,N,9,1",
                             "9600,N,8,0", "9600,N,8,3", "9600,N,8,1.0", "\uFF19600,N,8,1"}) {
        EXPECT_EQ(ErrorNumberOf([&] { control.SetSettings(text); }),
                  CommError::kInvalidPropertyValue)
            << text;
        EXPECT_EQ(control.Settings(), "19200,N,8,1") << text;
    }
}

}  // namespace
}  // namespace ymodem
