#pragma once

// What Form1 relies on from a list control, as one typed suite that every front-end's list
// passes. A List type gives Control(), a fresh empty list; its click handler is the test's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ListControl.h"

namespace ymodem::contract {

template <typename List>
class ListContract : public testing::Test {
protected:
    void SetUp() override {
        list_.Control().SetClickHandler([this] { clicks_.push_back(list_.Control().Text()); });
    }

    ListControl& Control() { return list_.Control(); }

    List list_;
    std::vector<std::string> clicks_;  // the selected text each click saw
};

TYPED_TEST_SUITE_P(ListContract);

TYPED_TEST_P(ListContract, AddingEntriesSelectsNothingAndRaisesNothing) {
    ListControl& list = this->Control();
    for (const char* entry : {"COM1", "串口2", "COM3"}) list.AddItem(entry);
    EXPECT_EQ(list.ListCount(), 3);
    EXPECT_EQ(list.ListIndex(), -1);
    EXPECT_EQ(list.Text(), "");
    EXPECT_EQ(list.List(1), "串口2");
    EXPECT_EQ(list.List(3), "");
    EXPECT_TRUE(this->clicks_.empty());
}

// The start-up applies the line settings through the click that selecting the saved entry
// raises, so a selection from code must raise it as a user's pick does, once it has taken
// effect; one that changes nothing raises nothing.
TYPED_TEST_P(ListContract, SelectingAnotherEntryRaisesTheClickOnceAfterTheChange) {
    ListControl& list = this->Control();
    for (const char* entry : {"9600", "19200", "38400"}) list.AddItem(entry);
    const struct {
        int Select;
        std::vector<std::string> Clicks;  // all so far
        int Index;
    } steps[] = {
        {2, {"38400"}, 2},
        {2, {"38400"}, 2},
        {0, {"38400", "9600"}, 0},
        {7, {"38400", "9600"}, 0},
        {-1, {"38400", "9600", ""}, -1},
        {-1, {"38400", "9600", ""}, -1},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.Select);
        list.SetListIndex(step.Select);
        EXPECT_EQ(this->clicks_, step.Clicks);
        EXPECT_EQ(list.ListIndex(), step.Index);
    }
    list.AddItem("57600");
    EXPECT_EQ(list.ListIndex(), -1);
    EXPECT_EQ(this->clicks_.size(), 3u);
}

REGISTER_TYPED_TEST_SUITE_P(ListContract, AddingEntriesSelectsNothingAndRaisesNothing,
                            SelectingAnotherEntryRaisesTheClickOnceAfterTheChange);

}  // namespace ymodem::contract
