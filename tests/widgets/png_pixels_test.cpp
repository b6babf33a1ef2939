#include "widgets/png_pixels.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void Chunk(Bytes& png, const char* type, const Bytes& body, bool goodCrc = true) {
    Put32(png, static_cast<uint32_t>(body.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    png.insert(png.end(), typed.begin(), typed.end());
    const uint32_t crc = static_cast<uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size())));
    Put32(png, goodCrc ? crc : crc ^ 1);
}

Bytes Header(uint32_t width, uint32_t height, uint8_t colourType, uint8_t depth = 8, uint8_t interlace = 0) {
    Bytes body;
    Put32(body, width);
    Put32(body, height);
    body.insert(body.end(), {depth, colourType, 0, 0, interlace});
    return body;
}

Bytes Deflated(const Bytes& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
    out.resize(size);
    return out;
}

// A whole PNG: rows are the filtered scanlines, each led by its filter byte.
Bytes Png(const Bytes& header, const Bytes& rows) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", Deflated(rows));
    Chunk(png, "IEND", {});
    return png;
}

// Two RGBA pixels per row, two rows: opaque red, half-transparent white;
// transparent green, (2, 20, 30) at alpha 64, where rounding shows.
// Premultiplied BGRA as a window takes it.
const Bytes kPixels = {255, 0, 0, 255, 255, 255, 255, 128, 0, 255, 0, 0, 2, 20, 30, 64};
const Bytes kExpected = {0, 0, 255, 255, 128, 128, 128, 128, 0, 0, 0, 0, 8, 5, 1, 64};

// Filters the two rows of kPixels with one filter type, as an encoder would.
Bytes Filtered(uint8_t filter) {
    const size_t stride = 8;
    Bytes rows;
    for (size_t y = 0; y < 2; ++y) {
        rows.push_back(filter);
        for (size_t x = 0; x < stride; ++x) {
            const int value = kPixels[y * stride + x];
            const int left = x >= 4 ? kPixels[y * stride + x - 4] : 0;
            const int up = y > 0 ? kPixels[(y - 1) * stride + x] : 0;
            const int upLeft = y > 0 && x >= 4 ? kPixels[(y - 1) * stride + x - 4] : 0;
            int predicted = 0;
            if (filter == 1) predicted = left;
            if (filter == 2) predicted = up;
            if (filter == 3) predicted = (left + up) / 2;
            if (filter == 4) {
                const int p = left + up - upLeft;
                const int pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
                predicted = pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
            }
            rows.push_back(static_cast<uint8_t>(value - predicted));
        }
    }
    return rows;
}

TEST(PngPixelsTest, EveryFilterGivesThePremultipliedPixels) {
    for (uint8_t filter = 0; filter <= 4; ++filter) {
        SCOPED_TRACE(testing::Message() << "filter " << int(filter));
        const Bytes png = Png(Header(2, 2, 6), Filtered(filter));
        PremultipliedPixels pixels;
        ASSERT_TRUE(DecodePngPremultiplied(png.data(), png.size(), pixels));
        EXPECT_EQ(pixels.width, 2u);
        EXPECT_EQ(pixels.height, 2u);
        EXPECT_EQ(pixels.bgra, kExpected);
    }
}

TEST(PngPixelsTest, RgbIsOpaque) {
    const Bytes png = Png(Header(2, 1, 2), {0, 1, 2, 3, 200, 100, 50});
    PremultipliedPixels pixels;
    ASSERT_TRUE(DecodePngPremultiplied(png.data(), png.size(), pixels));
    EXPECT_EQ(pixels.bgra, (Bytes{3, 2, 1, 255, 50, 100, 200, 255}));
}

TEST(PngPixelsTest, LargestSideTaken) {
    const Bytes png = Png(Header(kMaxPngSide, 1, 6), Bytes(1 + kMaxPngSide * 4, 0));
    PremultipliedPixels pixels;
    EXPECT_TRUE(DecodePngPremultiplied(png.data(), png.size(), pixels));
}

TEST(PngPixelsTest, WhatItDoesNotTake) {
    const Bytes good = Png(Header(2, 2, 6), Filtered(0));
    Bytes badCrc = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Chunk(badCrc, "IHDR", Header(2, 2, 6), false);
    Chunk(badCrc, "IDAT", Deflated(Filtered(0)));
    Chunk(badCrc, "IEND", {});
    Bytes dataFirst = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Chunk(dataFirst, "IDAT", Deflated(Filtered(0)));
    Chunk(dataFirst, "IHDR", Header(2, 2, 6));
    Chunk(dataFirst, "IEND", {});
    Bytes palette = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Chunk(palette, "IHDR", Header(2, 2, 6));
    Chunk(palette, "PLTE", {0, 0, 0});
    Chunk(palette, "IDAT", Deflated(Filtered(0)));
    Chunk(palette, "IEND", {});
    Bytes shortRows = Filtered(0);
    shortRows.pop_back();
    Bytes longRows = Filtered(0);
    longRows.push_back(0);
    Bytes filter5 = Filtered(0);
    filter5[9] = 5;

    const struct {
        const char* what;
        Bytes png;
    } cases[] = {
        {"empty", {}},
        {"signature only", Bytes(good.begin(), good.begin() + 8)},
        {"not a PNG", Bytes(good.begin() + 1, good.end())},
        {"cut before the end", Bytes(good.begin(), good.end() - 12)},
        {"cut inside a chunk", Bytes(good.begin(), good.begin() + 30)},
        {"a checksum wrong", badCrc},
        {"data before the header", dataFirst},
        {"an unknown critical chunk", palette},
        {"palette colours", Png(Header(2, 2, 3), Filtered(0))},
        {"16-bit channels", Png(Header(2, 2, 6, 16), Filtered(0))},
        {"interlaced", Png(Header(2, 2, 6, 8, 1), Filtered(0))},
        {"no width", Png(Header(0, 2, 6), {})},
        {"too wide", Png(Header(kMaxPngSide + 1, 1, 6), Bytes(1 + (kMaxPngSide + 1) * 4, 0))},
        {"too tall", Png(Header(1, kMaxPngSide + 1, 6), Bytes((1 + 4) * (kMaxPngSide + 1), 0))},
        {"far too tall", Png(Header(1, 0xFFFFFFFF, 6), Filtered(0))},
        {"rows too short", Png(Header(2, 2, 6), shortRows)},
        {"rows too long", Png(Header(2, 2, 6), longRows)},
        {"an unknown filter", Png(Header(2, 2, 6), filter5)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PremultipliedPixels pixels;
        EXPECT_FALSE(DecodePngPremultiplied(c.png.data(), c.png.size(), pixels));
    }
}

}  // namespace
