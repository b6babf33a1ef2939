#pragma once
#include <cstdint>
#include <string_view>

// Reads a signed decimal number at the start of text: leading white space,
// an optional sign, then digits up to the first non-digit. Text without
// digits gives 0. Values beyond the 32-bit range saturate instead of wrapping.
int32_t ParseLeadingDecimal(std::wstring_view text);
