#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The pixels of a PNG as a layered window takes them: top-down rows of
// 32-bit BGRA, colour premultiplied by alpha. Only what the launcher's own art
// uses is read: 8-bit RGBA or RGB, not interlaced. Anything else, and any
// file that fails its checksums or does not decode whole, gives false.
struct PremultipliedPixels {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> bgra;
};

// Larger pictures are refused rather than allocated.
const uint32_t kMaxPngSide = 4096;

bool DecodePngPremultiplied(const uint8_t* data, size_t size, PremultipliedPixels& out);
