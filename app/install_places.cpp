#include "app/install.h"

#include <windows.h>
#include <shlobj.h>

#include "framework/strings.h"
#include "res/resource.h"

std::wstring ShellFolder(int csidl) {
    wchar_t folder[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder))) return std::wstring();
    return folder;
}

std::wstring ExecutableFileName() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const wchar_t* slash = wcsrchr(path, L'\\');
    return slash ? slash + 1 : path;
}

std::wstring DesktopShortcutName() {
    return LoadResString(IDS_SHORTCUT_PUBLISHER) + L"《" + LoadResString(IDS_GAME_TITLE) + L"》.lnk";
}

std::wstring GameShortcutName() {
    return LoadResString(IDS_GAME_TITLE) + L".lnk";
}

std::wstring UninstallShortcutName() {
    return LoadResString(IDS_UNINSTALL_SHORTCUT) + L".lnk";
}

std::wstring PublisherMenuFolder(const std::wstring& programs) {
    return programs + L"\\" + LoadResString(IDS_PUBLISHER);
}

std::wstring GameMenuFolder(const std::wstring& programs) {
    return PublisherMenuFolder(programs) + L"\\" + LoadResString(IDS_GAME_TITLE);
}
