#include "frame/hotkey_text.h"

#include <map>

namespace {

const unsigned kModAlt = 1;
const unsigned kModControl = 2;
const unsigned kModShift = 4;

// The key names a setting may use, with their virtual-key codes.
std::map<std::wstring, unsigned> MakeKeyNameTable() {
    std::map<std::wstring, unsigned> table = {
        {L"Alt", 0x12},    {L"Ctrl", 0x11},     {L"Shift", 0x10},  {L"Space", 0x20},   {L"PageUp", 0x21},
        {L"PageDown", 0x22}, {L"End", 0x23},    {L"Home", 0x24},   {L"Left", 0x25},    {L"Up", 0x26},
        {L"Right", 0x27},  {L"Down", 0x28},     {L"Insert", 0x2D}, {L"Delete", 0x2E},  {L"Num*", 0x6A},
        {L"Num+", 0x6B},   {L"Num-", 0x6D},     {L"NumDel", 0x6E}, {L"Num/", 0x6F},    {L";", 0xBA},
        {L"+", 0xBB},      {L",", 0xBC},        {L"-", 0xBD},      {L".", 0xBE},       {L"/", 0xBF},
        {L"`", 0xC0},      {L"[", 0xDB},        {L"\\", 0xDC},     {L"]", 0xDD},       {L"'", 0xDE},
    };
    for (unsigned i = 0; i < 10; ++i) {
        table[std::wstring(1, static_cast<wchar_t>(L'0' + i))] = 0x30 + i;
        table[L"Num" + std::to_wstring(i)] = 0x60 + i;
    }
    for (unsigned i = 0; i < 26; ++i) table[std::wstring(1, static_cast<wchar_t>(L'A' + i))] = 0x41 + i;
    for (unsigned i = 1; i <= 12; ++i) table[L"F" + std::to_wstring(i)] = 0x70 + i - 1;
    return table;
}

}  // namespace

HotkeyCombination ParseHotkey(const std::wstring& text) {
    HotkeyCombination combination;
    std::wstring rest = text;
    size_t plus;
    while (!rest.empty() && (plus = rest.find(L'+')) != std::wstring::npos) {
        const std::wstring token = rest.substr(0, plus);
        rest.erase(0, plus + 1);
        if (token == L"Alt") combination.modifiers |= kModAlt;
        if (token == L"Ctrl") combination.modifiers |= kModControl;
        if (token == L"Shift") combination.modifiers |= kModShift;
    }
    static const std::map<std::wstring, unsigned> table = MakeKeyNameTable();
    const auto key = table.find(rest);
    if (key != table.end()) combination.code = key->second;
    return combination;
}
