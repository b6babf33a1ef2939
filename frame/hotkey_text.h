#pragma once
#include <string>

// The modifiers (MOD_ALT 1, MOD_CONTROL 2, MOD_SHIFT 4) and virtual-key code
// that a key text of the settings file names, such as "Ctrl+Shift+A".
struct HotkeyCombination {
    unsigned modifiers = 0;
    unsigned code = 0;  // 0 when the text names no key
};

HotkeyCombination ParseHotkey(const std::wstring& text);
