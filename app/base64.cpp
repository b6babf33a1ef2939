#include "app/base64.h"

namespace {

int Base64Value(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Appends the n - 1 bytes of a group of n six-bit values; false when they do not fit.
bool AppendGroup(const int (&group)[4], size_t count, std::string& out) {
    if (count < 2) return true;
    if (out.size() + count - 1 > kMaxBase64Bytes) return false;
    out.push_back(static_cast<char>((group[0] << 2) | (group[1] >> 4)));
    if (count > 2) out.push_back(static_cast<char>(((group[1] & 0x0F) << 4) | (group[2] >> 2)));
    if (count > 3) out.push_back(static_cast<char>(((group[2] & 0x03) << 6) | group[3]));
    return true;
}

}  // namespace

std::string DecodeBase64Limited(std::string_view text) {
    std::string out;
    int group[4] = {};
    size_t count = 0;
    bool fits = true;
    for (char c : text) {
        int value = Base64Value(static_cast<unsigned char>(c));
        if (value < 0) continue;
        group[count++] = value;
        if (count == 4) {
            fits = AppendGroup(group, count, out);
            count = 0;
            if (!fits) break;
        }
    }
    if (fits) AppendGroup(group, count, out);

    size_t nul = out.find('\0');
    if (nul != std::string::npos) out.resize(nul);
    return out;
}
