#include "app/base64.h"

#include <gtest/gtest.h>

namespace {

TEST(Base64Test, SkippedCharactersDoNotChangeTheResult) {
    const struct {
        const char* encoded;
        const char* decoded;
    } cases[] = {
        {"", ""},
        {"cGFzc3dvcmQ=", "password"},
        {"cGFzc3dvcmQ", "password"},
        {"cGFz c3dv\r\ncmQ=", "password"},
        {"=c=G=F=z=c3dvcmQ", "password"},
        {"YQ==", "a"},
        {"YWI=", "ab"},
        {"YWJj", "abc"},
        {"Y", ""},                 // one character gives no byte
        {"!!!***", ""},
        {"YQBi", "a"},             // stops at the decoded NUL
        {"5a+G56CB", "\xe5\xaf\x86\xe7\xa0\x81"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.encoded);
        EXPECT_EQ(DecodeBase64Limited(c.encoded), c.decoded);
    }
}

// 1364 valid characters are 341 groups, 1023 bytes: the most that is decoded.
TEST(Base64Test, OutputStopsAt1023Bytes) {
    std::string encoded;
    for (int i = 0; i < 400; ++i) encoded += "QUJD";  // "ABC" each
    const std::string first1364 = encoded.substr(0, 1364);

    for (size_t extra : {0, 1, 2, 3, 4, 236}) {
        SCOPED_TRACE(extra);
        std::string decoded = DecodeBase64Limited(encoded.substr(0, 1364 + extra));
        ASSERT_EQ(decoded.size(), kMaxBase64Bytes);
        EXPECT_EQ(decoded, DecodeBase64Limited(first1364));
        EXPECT_EQ(decoded.substr(0, 3), "ABC");
    }
    // A short group that still fits is decoded.
    EXPECT_EQ(DecodeBase64Limited(encoded.substr(0, 1360) + "QUI").size(), 1022u);
    EXPECT_EQ(DecodeBase64Limited(encoded.substr(0, 1360) + "QUJ").substr(1020), "AB");
}

}  // namespace
