#include "frame/hotkey_text.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseHotkeyTest, KeyTexts) {
    const struct {
        const wchar_t* text;
        unsigned modifiers;
        unsigned code;
    } cases[] = {
        {L"F10", 0, 0x79},
        {L"Ctrl+Shift+A", 6, 0x41},
        {L"Alt+Alt+X", 1, 0x58},        // a repeated modifier is still one flag
        {L"Ctrl+Alt+Shift+F12", 7, 0x7B},
        {L"ctrl+a", 0, 0},              // names are case-sensitive
        {L"Ctrl + A", 0, 0},            // spaces are part of the names
        {L"Win+A", 0, 0x41},            // an unknown modifier is skipped
        {L"+A", 0, 0x41},               // so is an empty one
        {L"Ctrl++", 2, 0},              // every plus separates: "+" itself cannot be named
        {L"Ctrl", 0, 0x11},             // a modifier alone names its own key
        {L"Shift+Ctrl", 4, 0x11},
        {L"0", 0, 0x30},
        {L"Num0", 0, 0x60},
        {L"Num9", 0, 0x69},
        {L"Num*", 0, 0x6A},
        {L"Num-", 0, 0x6D},
        {L"NumDel", 0, 0x6E},
        {L"Num/", 0, 0x6F},
        {L"F1", 0, 0x70},
        {L"F13", 0, 0},
        {L"PageDown", 0, 0x22},
        {L"Delete", 0, 0x2E},
        {L"Z", 0, 0x5A},
        {L"Alt+;", 1, 0xBA},
        {L"`", 0, 0xC0},
        {L"Ctrl+\\", 2, 0xDC},
        {L"'", 0, 0xDE},
        {L"", 0, 0},
        {L"AB", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        const HotkeyCombination parsed = ParseHotkey(c.text);
        EXPECT_EQ(parsed.modifiers, c.modifiers);
        EXPECT_EQ(parsed.code, c.code);
    }
}

}  // namespace
