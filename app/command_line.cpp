#include "app/command_line.h"

#include "app/decimal.h"

namespace {
std::wstring_view Head(std::wstring_view text) {
    return text.substr(0, 2);
}
std::wstring_view Tail(std::wstring_view text) {
    return text.size() < 2 ? text : text.substr(text.size() - 2);
}
}  // namespace

StartSwitch SelectStartSwitch(std::wstring_view commandLine) {
    if (Head(commandLine) == L"-d") return StartSwitch::UpdateApply;
    if (Tail(commandLine) == L"-u") return StartSwitch::UninstallConfirm;
    if (Head(commandLine) == L"-u") return StartSwitch::UninstallRemove;
    return StartSwitch::None;
}

std::wstring SwitchArgument(std::wstring_view commandLine) {
    return commandLine.size() > 3 ? std::wstring(commandLine.substr(3)) : std::wstring();
}

GameHostArgs ParseGameHostArgs(std::wstring_view commandLine) {
    static constexpr std::wstring_view kFrameSwitch = L"-frameWnd=";
    static constexpr std::wstring_view kUrlSwitch = L"-gameurl=";

    GameHostArgs args;
    std::wstring_view rest = commandLine;
    size_t frame = commandLine.find(kFrameSwitch);
    if (frame != std::wstring_view::npos) {
        rest = commandLine.substr(frame + kFrameSwitch.size());
        size_t space = rest.find(L' ');
        if (space != std::wstring_view::npos) {
            args.frameHandle = ParseLeadingDecimal(rest.substr(0, space));
            rest = rest.substr(space);
        }
    }
    size_t url = rest.find(kUrlSwitch);
    if (url != std::wstring_view::npos) args.gameUrl = std::wstring(rest.substr(url + kUrlSwitch.size()));
    return args;
}
