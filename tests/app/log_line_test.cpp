#include "app/log_line.h"

#include <gtest/gtest.h>

namespace {

TEST(UpdateLogLineTest, NumbersArePaddedWithSpaces) {
    EXPECT_EQ(FormatUpdateLogLine({2014, 3, 5, 9, 7, 3}, L"Start Update."),
              L"2014- 3- 5  9: 7: 3 : \tUpdateModule\tStart Update.");
    EXPECT_EQ(FormatUpdateLogLine({2015, 12, 31, 23, 59, 59}, L"x"), L"2015-12-31 23:59:59 : \tUpdateModule\tx");
    EXPECT_EQ(FormatUpdateLogLine({2016, 1, 1, 0, 0, 0}, L""), L"2016- 1- 1  0: 0: 0 : \tUpdateModule\t");
}

}  // namespace
