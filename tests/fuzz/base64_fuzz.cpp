// Any text must decode to at most the limit, never past it, without crashing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string decoded = DecodeBase64Limited(text);
    if (decoded.size() > kMaxBase64Bytes || decoded.find('\0') != std::string::npos) __builtin_trap();
    return 0;
}
