#include "widgets/png_pixels.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

namespace {

const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t BigEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

int Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// Undoes the row filters in place; rows are 1 filter byte + stride bytes.
// One loop per filter: the picture is megabytes, decoded before the window shows.
bool Unfilter(std::vector<uint8_t>& rows, uint32_t height, size_t stride, size_t channels) {
    const uint8_t* up = nullptr;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = rows.data() + y * (stride + 1);
        const uint8_t filter = row[0];
        uint8_t* line = row + 1;
        // The first row sees a row of zeros above it.
        const bool first = up == nullptr;
        switch (filter) {
        case 0:
            break;
        case 1:
            for (size_t x = channels; x < stride; ++x) line[x] = static_cast<uint8_t>(line[x] + line[x - channels]);
            break;
        case 2:
            if (!first) {
                for (size_t x = 0; x < stride; ++x) line[x] = static_cast<uint8_t>(line[x] + up[x]);
            }
            break;
        case 3:
            for (size_t x = 0; x < stride; ++x) {
                const int left = x >= channels ? line[x - channels] : 0;
                const int above = first ? 0 : up[x];
                line[x] = static_cast<uint8_t>(line[x] + (left + above) / 2);
            }
            break;
        case 4:
            for (size_t x = 0; x < stride; ++x) {
                const int left = x >= channels ? line[x - channels] : 0;
                const int above = first ? 0 : up[x];
                const int aboveLeft = !first && x >= channels ? up[x - channels] : 0;
                line[x] = static_cast<uint8_t>(line[x] + Paeth(left, above, aboveLeft));
            }
            break;
        default:
            return false;
        }
        up = line;
    }
    return true;
}

}  // namespace

bool DecodePngPremultiplied(const uint8_t* data, size_t size, PremultipliedPixels& out) {
    if (size < 8 || std::memcmp(data, kSignature, 8) != 0) return false;
    size_t at = 8;
    uint32_t width = 0, height = 0;
    size_t channels = 0;
    std::vector<uint8_t> compressed;
    bool header = false, ended = false;
    while (!ended) {
        if (size - at < 12) return false;
        const uint32_t length = BigEndian32(data + at);
        const uint8_t* type = data + at + 4;
        if (length > size - at - 12) return false;
        const uint8_t* body = data + at + 8;
        if (crc32(0, type, 4 + length) != BigEndian32(body + length)) return false;
        if (std::memcmp(type, "IHDR", 4) == 0) {
            // Depth 8; colour type 6 (RGBA) or 2 (RGB); deflate, standard filters, no interlace.
            if (header || length != 13 || body[8] != 8 || (body[9] != 6 && body[9] != 2) || body[10] != 0 ||
                body[11] != 0 || body[12] != 0) {
                return false;
            }
            width = BigEndian32(body);
            height = BigEndian32(body + 4);
            if (width == 0 || height == 0 || width > kMaxPngSide || height > kMaxPngSide) return false;
            channels = body[9] == 6 ? 4 : 3;
            header = true;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            if (!header) return false;
            compressed.insert(compressed.end(), body, body + length);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            ended = true;
        } else if (!(type[0] & 0x20)) {
            // A critical chunk this reader does not know (a palette, say).
            return false;
        }
        at += 12 + length;
    }
    if (!header || compressed.empty()) return false;

    const size_t stride = width * channels;
    std::vector<uint8_t> rows((stride + 1) * height);
    z_stream stream = {};
    if (inflateInit(&stream) != Z_OK) return false;
    stream.next_in = compressed.data();
    stream.avail_in = static_cast<uInt>(compressed.size());
    stream.next_out = rows.data();
    stream.avail_out = static_cast<uInt>(rows.size());
    const int inflated = inflate(&stream, Z_FINISH);
    const bool whole = inflated == Z_STREAM_END && stream.avail_out == 0;
    inflateEnd(&stream);
    if (!whole || !Unfilter(rows, height, stride, channels)) return false;

    out.width = width;
    out.height = height;
    out.bgra.resize(static_cast<size_t>(width) * height * 4);
    uint8_t* pixel = out.bgra.data();
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* source = rows.data() + y * (stride + 1) + 1;
        for (uint32_t x = 0; x < width; ++x, source += channels, pixel += 4) {
            const unsigned alpha = channels == 4 ? source[3] : 255;
            pixel[0] = static_cast<uint8_t>((source[2] * alpha + 127) / 255);
            pixel[1] = static_cast<uint8_t>((source[1] * alpha + 127) / 255);
            pixel[2] = static_cast<uint8_t>((source[0] * alpha + 127) / 255);
            pixel[3] = static_cast<uint8_t>(alpha);
        }
    }
    return true;
}
