// Any key text gives a combination of known modifiers and a code that is 0 or
// the code of the text after its last plus sign, without crashing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "frame/hotkey_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    const HotkeyCombination parsed = ParseHotkey(text);
    if (parsed.modifiers > 7) __builtin_trap();
    const size_t plus = text.rfind(L'+');
    const std::wstring key = plus == std::wstring::npos ? text : text.substr(plus + 1);
    if (parsed.code != 0 && ParseHotkey(key).code != parsed.code) __builtin_trap();
    return 0;
}
