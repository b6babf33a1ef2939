#include "app/version_order.h"

#include <cstdint>
#include <vector>

namespace {

// Digits at the start of each dot-separated field; saturating, so a long run
// of digits cannot wrap into a smaller number.
std::vector<uint64_t> Fields(std::wstring_view version) {
    std::vector<uint64_t> fields;
    size_t start = 0;
    for (;;) {
        const size_t dot = version.find(L'.', start);
        const std::wstring_view field = version.substr(start, dot == std::wstring_view::npos ? dot : dot - start);
        uint64_t value = 0;
        for (wchar_t c : field) {
            if (c < L'0' || c > L'9') break;
            value = value > (UINT64_MAX - 9) / 10 ? UINT64_MAX : value * 10 + static_cast<uint64_t>(c - L'0');
        }
        fields.push_back(value);
        if (dot == std::wstring_view::npos) return fields;
        start = dot + 1;
    }
}

}  // namespace

int CompareVersions(std::wstring_view a, std::wstring_view b) {
    const std::vector<uint64_t> left = Fields(a);
    const std::vector<uint64_t> right = Fields(b);
    const size_t count = left.size() > right.size() ? left.size() : right.size();
    for (size_t i = 0; i < count; ++i) {
        const uint64_t x = i < left.size() ? left[i] : 0;
        const uint64_t y = i < right.size() ? right[i] : 0;
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

bool IsZeroVersion(std::wstring_view version) {
    return CompareVersions(version, L"") == 0;
}
