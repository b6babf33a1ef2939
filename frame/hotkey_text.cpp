#include "frame/hotkey_text.h"

HotkeyCombination ParseHotkey(const std::wstring&) {
    return {};
}
