#include "app/decimal.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseLeadingDecimalTest, Table) {
    const struct {
        const wchar_t* text;
        int32_t expected;
    } cases[] = {
        {L"123", 123},           {L"  \t\r\n42abc", 42}, {L"-17", -17},       {L"+8", 8},
        {L"", 0},                {L"abc", 0},            {L"-", 0},           {L"- 5", 0},
        {L"1.0.0.0", 1},         {L"007", 7},            {L"2147483647", 2147483647},
        {L"2147483648", INT32_MAX},                      {L"-2147483648", INT32_MIN},
        {L"-99999999999999999999999", INT32_MIN},        {L"\x3000" L"5", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "text #" << (&c - cases));
        EXPECT_EQ(ParseLeadingDecimal(c.text), c.expected);
    }
}

}  // namespace
