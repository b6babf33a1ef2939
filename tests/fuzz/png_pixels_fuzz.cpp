// Any bytes either give a picture whose pixels fill its size, with no colour
// above its alpha, or false; never a crash.
#include <cstddef>
#include <cstdint>

#include "widgets/png_pixels.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PremultipliedPixels pixels;
    if (!DecodePngPremultiplied(data, size, pixels)) return 0;
    if (pixels.width == 0 || pixels.height == 0 || pixels.width > kMaxPngSide || pixels.height > kMaxPngSide ||
        pixels.bgra.size() != static_cast<size_t>(pixels.width) * pixels.height * 4) {
        __builtin_trap();
    }
    for (size_t i = 0; i < pixels.bgra.size(); i += 4) {
        const uint8_t alpha = pixels.bgra[i + 3];
        if (pixels.bgra[i] > alpha || pixels.bgra[i + 1] > alpha || pixels.bgra[i + 2] > alpha) __builtin_trap();
    }
    return 0;
}
