#include <gtest/gtest.h>

#include <QWidget>

#include "ListContract.h"
#include "QtListControl.h"
#include "QtProgressBarControl.h"

namespace ymodem {
namespace {

struct QtListUnderTest {
    ListControl& Control() { return *list; }
    QWidget window;
    QtListControl* list = new QtListControl(&window);
};

}  // namespace

namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, ListContract, QtListUnderTest);
}  // namespace contract

namespace {

TEST(QtControls, ProgressBarKeepsWhatWasSetAndNeverShowsBusy) {
    const struct {
        int max;
        int value;
        double drawn;  // the share of the bar filled; negative: not checked
    } cases[] = {
        {100, 100, 1.0}, {2, 1, 0.5}, {2, 5, 1.0}, {39, -1, 0.0}, {0, 0, 0.0}, {0, 3, -1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.max) + "/" + std::to_string(c.value));
        QtProgressBarControl bar;
        bar.SetValue(c.value);
        bar.SetMax(c.max);
        EXPECT_EQ(bar.Max(), c.max);
        EXPECT_EQ(bar.Value(), c.value);
        ASSERT_LT(bar.minimum(), bar.maximum());  // 0..0 is the busy animation
        const double drawn =
            double(bar.value() - bar.minimum()) / double(bar.maximum() - bar.minimum());
        if (c.drawn >= 0) {
            EXPECT_DOUBLE_EQ(drawn, c.drawn);
        }
    }
}

}  // namespace
}  // namespace ymodem
