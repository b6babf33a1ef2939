#include "app/version_order.h"

#include <gtest/gtest.h>

namespace {

TEST(VersionOrderTest, FieldByField) {
    const struct {
        const wchar_t* a;
        const wchar_t* b;
        int order;
    } cases[] = {
        {L"1.0.0.9", L"1.0.0.10", -1},
        {L"1.0.1.0", L"1.0.0.10", 1},    // a newer install is never replaced by an older one
        {L"1.0.0.0", L"1.0.0.0", 0},
        {L"2.0", L"1.9.9.9", 1},
        {L"1.0", L"1.0.0.0", 0},         // missing fields are 0
        {L"1.0.0.1", L"1.0", 1},
        {L"", L"0.0.0.0", 0},            // no installed copy
        {L"None VerSion Supprot", L"", 0},
        {L"None VerSion Supprot", L"1.0.0.0", -1},
        {L"1.2b.3", L"1.2.3", 0},        // digits up to the first other character
        {L"99999999999999999999999.1", L"99999999999999999999999.2", -1},  // saturates, then goes on
        {L"1..2", L"1.0.2", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "a=" << testing::PrintToString(std::wstring(c.a))
                                        << " b=" << testing::PrintToString(std::wstring(c.b)));
        EXPECT_EQ(CompareVersions(c.a, c.b), c.order);
        EXPECT_EQ(CompareVersions(c.b, c.a), -c.order);
    }
    EXPECT_TRUE(IsZeroVersion(L"None VerSion Supprot"));
    EXPECT_TRUE(IsZeroVersion(L""));
    EXPECT_FALSE(IsZeroVersion(L"0.0.0.1"));
}

}  // namespace
