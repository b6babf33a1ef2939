#include "app/install.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "app/default_settings.h"
#include "app/decimal.h"
#include "app/file_utils.h"
#include "app/version_order.h"
#include "framework/strings.h"
#include "framework/win_app.h"
#include "res/resource.h"

namespace {

const wchar_t kUninstallRoot[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const wchar_t kEntryName[] = L"TolvikMorvane";

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void MakeFolder(const std::wstring& path) {
    if (!Exists(path)) CreateDirectoryW(path.c_str(), nullptr);
}

struct EntryValue {
    const wchar_t* name;
    std::wstring data;
};

void WriteUninstallEntry(const EntryValue (&values)[4]) {
    HKEY root = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallRoot, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &root) !=
        ERROR_SUCCESS) {
        return;
    }
    HKEY entry = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(root, kEntryName, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                        nullptr, &entry, &disposition) == ERROR_SUCCESS) {
        // An existing entry is left as it is.
        if (disposition == REG_CREATED_NEW_KEY) {
            for (const EntryValue& v : values) {
                RegSetValueExW(entry, v.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.data.c_str()),
                               static_cast<DWORD>((v.data.size() + 1) * sizeof(wchar_t)));
            }
        }
        RegCloseKey(entry);
    }
    RegCloseKey(root);
}

}  // namespace

bool CreateShortcut(const std::wstring& target, const std::wstring& arguments, const std::wstring& folder,
                    const std::wstring& fileName, bool uninstallIcon) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_ALL, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))) ||
        !link) {
        return false;
    }
    IPersistFile* file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) || !file) {
        link->Release();
        return false;
    }
    link->SetPath(target.c_str());
    link->SetArguments(arguments.c_str());
    link->SetDescription(L"");
    if (uninstallIcon) {
        const std::wstring icon = target.substr(0, target.find_last_of(L'\\')) + L"\\res\\uninstall.ico";
        link->SetIconLocation(icon.c_str(), 0);
    }
    link->SetShowCmd(SW_SHOWNORMAL);
    const bool saved = SUCCEEDED(file->Save((folder + L"\\" + fileName).c_str(), TRUE));
    file->Release();
    link->Release();
    return saved;
}

void InstallForUser() {
    wchar_t module[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    const std::wstring self = module;

    // Without the player's folders every path below would land at a drive's root.
    const std::wstring appData = ShellFolder(CSIDL_APPDATA);
    if (appData.empty()) return;
    std::wstring dataFolder = appData + L"\\" + LoadResString(IDS_PLATFORM_FOLDER);
    MakeFolder(dataFolder);
    dataFolder += L"\\" + LoadResString(IDS_DATA_FOLDER);
    MakeFolder(dataFolder);
    ExtractDefaultSettings(dataFolder);

    const std::wstring target = dataFolder + L"\\" + ExecutableFileName();
    const std::wstring desktopName = DesktopShortcutName();

    const std::wstring desktop = ShellFolder(CSIDL_DESKTOP);
    // A shortcut the player kept, wherever it points, is theirs.
    if (!desktop.empty() && !Exists(desktop + L"\\" + desktopName)) {
        CreateShortcut(target, L"1", desktop, desktopName, false);
    }

    const std::wstring programs = ShellFolder(CSIDL_PROGRAMS);
    if (!programs.empty()) {
        MakeFolder(PublisherMenuFolder(programs));
        const std::wstring menu = GameMenuFolder(programs);
        MakeFolder(menu);
        CreateShortcut(target, L"1", menu, GameShortcutName(), false);
        CreateShortcut(target, L"-u", menu, UninstallShortcutName(), true);
    }

    const std::wstring installedVersion = GetFileVersionString(target);
    const std::wstring runningVersion = GetFileVersionString(self);

    // Quoted: a path with spaces would otherwise start another program.
    const EntryValue values[4] = {
        {L"Path", target},
        {L"DisplayName", LoadResString(IDS_GAME_TITLE)},
        {L"Publisher", LoadResString(IDS_SHORTCUT_PUBLISHER)},
        {L"UninstallString", L"\"" + target + L"\" -u"},
    };
    WriteUninstallEntry(values);
    if (CWinApp* app = GetApp()) {
        if (app->GetProfileString(kEntryName, L"Path", L"no find!") != target) {
            for (const EntryValue& v : values) app->WriteProfileString(kEntryName, v.name, v.data);
        }
    }

    // Never replaced by an older build: versions compare field by field.
    if (IsZeroVersion(installedVersion) || CompareVersions(installedVersion, runningVersion) < 0) {
        CopyFileW(self.c_str(), target.c_str(), FALSE);
        if (ParseLeadingDecimal(ReadSetting(L"Start", L"firststart", L"0")) != 0) {
            WriteSetting(L"Start", L"firststart", L"0");
        }
    }
}
