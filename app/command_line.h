#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The start-up switches, tested on the raw command line in this order:
// "-d" at the start, "-u" at the end, "-u" at the start. A player's start
// begins with the (quoted) executable path and so matches none of them; the
// program's own temporary copies are started with the switch first.
enum class StartSwitch { None, UpdateApply, UninstallConfirm, UninstallRemove };

StartSwitch SelectStartSwitch(std::wstring_view commandLine);

// The path that follows "-d" or a leading "-u" and one separator: everything
// from index 3 on; empty when the command line is shorter.
std::wstring SwitchArgument(std::wstring_view commandLine);

// "-frameWnd=<decimal handle> " and "-gameurl=<url to the end>". A handle of 0
// (absent, unparsable, or with no space after it) means launcher mode.
struct GameHostArgs {
    int32_t frameHandle = 0;
    std::wstring gameUrl;
};

GameHostArgs ParseGameHostArgs(std::wstring_view commandLine);
