#include "app/file_utils.h"

#include <shlobj.h>

#include "framework/strings.h"
#include "res/resource.h"

namespace {
std::wstring g_dataFolder;
const DWORD kSettingCapacity = 260;
}  // namespace

std::wstring GetDataFolder() {
    if (!g_dataFolder.empty()) return g_dataFolder;
    wchar_t appData[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)) || !appData[0]) {
        return std::wstring();
    }
    g_dataFolder = std::wstring(appData) + L"\\" + LoadResString(IDS_PLATFORM_FOLDER) + L"\\" +
                   LoadResString(IDS_DATA_FOLDER) + L"\\";
    return g_dataFolder;
}

std::wstring GetSettingsPath() {
    return GetDataFolder() + LoadResString(IDS_SETTINGS_FILE);
}

std::wstring ReadSetting(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue) {
    wchar_t value[kSettingCapacity] = L"";
    DWORD length = GetPrivateProfileStringW(section, key, defaultValue, value, kSettingCapacity,
                                            GetSettingsPath().c_str());
    return std::wstring(value, length);
}

void WriteSetting(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    WritePrivateProfileStringW(section, key, value, GetSettingsPath().c_str());
}
