#include "update/update_check.h"

#include <windows.h>

#include "app/file_utils.h"
#include "framework/strings.h"
#include "res/resource.h"
#include "update/client_updater.h"

namespace {

// A log past this size starts anew, so that it cannot grow without end.
const ULONGLONG kLogLimitBytes = 10ull * 1024 * 1024;

void LimitLog() {
    const std::wstring path = GetDataFolder() + L"res\\update.log";
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return;
    const ULONGLONG size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    if (size > kLogLimitBytes) DeleteFileW(path.c_str());
}

}  // namespace

void RunUpdateCheck() {
    LimitLog();
    const std::wstring subFolder = LoadResString(IDS_UPDATE_FOLDER) + LoadResString(IDS_DATA_FOLDER) + L"\\";
    CClientUpdater updater(LoadResString(IDS_UPDATE_TEMP_EXE), subFolder);
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring version = GetFileVersionString(self);
    const std::wstring base = LoadResString(IDS_VERSION_SERVER);
    const std::wstring query = LoadResString(IDS_VERSION_QUERY);
    WriteUpdateLog(base + L"/" + query + version);
    if (updater.CheckVersion(base, query, version)) updater.DownloadUpdate(updater.m_downloadUrl);
}
