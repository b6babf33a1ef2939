#include "app/default_settings.h"

#include <windows.h>

#include "app/decimal.h"
#include "app/file_utils.h"
#include "app/zip_archive.h"
#include "res/resource.h"

namespace {

const int kExtracted = 1001;
const wchar_t kSettingsEntry[] = L"systemset.ini";

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ExtractArchive(const std::wstring& resFolder) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_DEFAULT_SETTINGS), L"ZIP");
    if (!found) return;
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(module, found);
    if (!bytes || !size) return;

    ZipFilesWin files;
    ZipArchive archive(files);
    if (archive.Open(bytes, size) != kZipOk) return;
    archive.SetBaseFolder(resFolder);
    ZipEntry entry;
    if (archive.GetEntry(-1, entry) == kZipOk) {
        const int count = entry.index;
        for (int i = 0; i < count; ++i) {
            // A failed look-up leaves no trustworthy name to extract under.
            if (archive.GetEntry(i, entry) != kZipOk) continue;
            const std::wstring name(entry.name);
            // The player's settings outlive every later extraction.
            if (name == kSettingsEntry && Exists(resFolder + L"\\" + name)) continue;
            archive.ExtractEntry(i, name);
        }
    }
    archive.Close();
}

}  // namespace

void ExtractDefaultSettings(const std::wstring& dataFolder) {
    const std::wstring resFolder = dataFolder + L"\\res";
    if (ParseLeadingDecimal(ReadSetting(L"Setting", L"start", L"-1")) == kExtracted) return;
    if (!Exists(resFolder)) CreateDirectoryW(resFolder.c_str(), nullptr);

    ExtractArchive(resFolder);

    DeleteFileW((resFolder + L"\\data.zip").c_str());
    // Written whatever the extraction gave, so a broken archive is not retried on every start.
    WriteSetting(L"Setting", L"start", std::to_wstring(kExtracted).c_str());
}
