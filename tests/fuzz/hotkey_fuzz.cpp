// Any key text gives a combination without crashing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "frame/hotkey_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    ParseHotkey(text);
    return 0;
}
