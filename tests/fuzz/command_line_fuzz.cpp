// Any command line must select a mode without crashing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // UTF-16 code units, as Windows hands them over.
    std::wstring commandLine;
    for (size_t i = 0; i + 1 < size; i += 2) commandLine.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    StartSwitch mode = SelectStartSwitch(commandLine);
    if (mode == StartSwitch::UpdateApply || mode == StartSwitch::UninstallRemove) SwitchArgument(commandLine);
    GameHostArgs args = ParseGameHostArgs(commandLine);
    if (args.gameUrl.size() > commandLine.size()) __builtin_trap();
    return 0;
}
