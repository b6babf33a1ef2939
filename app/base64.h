#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Decoded Base64 never exceeds this many bytes; the rest of a longer text is dropped.
constexpr size_t kMaxBase64Bytes = 1023;

// Decodes standard-alphabet Base64. Characters outside the alphabet ("=",
// white space, line breaks) are skipped. Valid characters are taken in groups
// of four, the last one possibly shorter; n characters give n - 1 bytes.
// Decoding stops before a group that would bring the output past
// kMaxBase64Bytes, and the result ends at the first NUL byte.
std::string DecodeBase64Limited(std::string_view text);
