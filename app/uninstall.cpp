#include "app/run_modes.h"
#include "app/uninstall_shell.h"

#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "app/command_line.h"
#include "app/file_utils.h"
#include "app/install.h"
#include "frame/custom_message_box.h"
#include "framework/strings.h"
#include "res/resource.h"
#include "update/process_start.h"

namespace {

// The confirmation stage ends right after starting this one and may still hold
// its executable for a moment.
const DWORD kDeleteRetryMs = 5000;

bool DeleteExecutable(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    DWORD error = 0;
    return RetryWhileHeld([&] { return DeleteFileW(path.c_str()) != FALSE; }, kDeleteRetryMs, error);
}

}  // namespace

bool ShellDeletePath(const std::wstring& path) {
    // No real name holds a wildcard, and the shell would expand one into a pattern.
    if (path.empty() || path.find_first_of(L"*?") != std::wstring::npos) return false;
    std::vector<wchar_t> from(path.begin(), path.end());
    from.resize(from.size() + 2, L'\0');
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.data();
    // FOF_NOERRORUI as well: the player is never shown an error, and none is reported.
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOERRORUI;
    return SHFileOperationW(&operation) == 0;
}

void NotifyShellRemoved(std::wstring& path) {
    SHChangeNotify(SHCNE_RMDIR | SHCNE_INTERRUPT, SHCNF_PATHW | SHCNF_FLUSH, path.c_str(), nullptr);
    const size_t cut = path.rfind(L'\\');
    if (cut == std::wstring::npos) return;
    path.resize(cut);
    SHChangeNotify(SHCNE_UPDATEDIR | SHCNE_INTERRUPT, SHCNF_PATHW | SHCNF_FLUSH, path.c_str(), nullptr);
}

bool DeleteAndNotify(const std::wstring& path) {
    if (!ShellDeletePath(path)) return false;
    std::wstring notified = path;
    NotifyShellRemoved(notified);
    return true;
}

bool IsFolderEmpty(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return true;
    bool empty = true;
    do {
        if (wcscmp(entry.cFileName, L".") != 0 && wcscmp(entry.cFileName, L"..") != 0) empty = false;
    } while (empty && FindNextFileW(find, &entry));
    FindClose(find);
    return empty;
}

void RunUninstallConfirmation() {
    // Only OK goes on: a box that failed to come up must not count as a yes.
    if (!ConfirmBox(L"卸载", L"您是否确认卸载《" + LoadResString(IDS_GAME_TITLE) + L"》？")) return;

    wchar_t self[MAX_PATH] = L"";
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    // A cut path would name some other file for removal.
    if (length == 0 || length >= MAX_PATH) return;
    const std::wstring appData = ShellFolder(CSIDL_APPDATA);
    if (appData.empty()) return;

    CreateDirectoryW((appData + L"\\cache").c_str(), nullptr);
    const std::wstring temp = appData + LoadResString(IDS_UNINSTALL_TEMP_EXE);
    // Without a fresh copy nothing is removed, rather than starting whatever lies there.
    if (!CopyFileW(self, temp.c_str(), FALSE)) return;
    const std::wstring commandLine = L"-u " + std::wstring(self, length);
    DWORD error = 0;
    StartHandOver(temp, &commandLine, error);
}

void RunUninstallRemoval(const std::wstring& commandLine) {
    const std::wstring desktop = ShellFolder(CSIDL_DESKTOP);
    if (!desktop.empty()) DeleteAndNotify(desktop + L"\\" + DesktopShortcutName());

    const std::wstring programs = ShellFolder(CSIDL_PROGRAMS);
    const std::wstring gameFolder = programs.empty() ? std::wstring() : GameMenuFolder(programs);
    if (!gameFolder.empty()) {
        DeleteAndNotify(gameFolder + L"\\" + UninstallShortcutName());
        DeleteAndNotify(gameFolder + L"\\" + GameShortcutName());
    }

    const std::wstring executable = SwitchArgument(commandLine);
    if (!executable.empty()) {
        DeleteExecutable(executable);
        // Without a folder in the argument there is no "res" of it, only one of the drive root.
        const size_t cut = executable.rfind(L'\\');
        if (cut != std::wstring::npos) DeleteAndNotify(executable.substr(0, cut) + L"\\res");
    }

    if (!gameFolder.empty()) {
        if (IsFolderEmpty(gameFolder)) DeleteAndNotify(gameFolder);
        const std::wstring publisherFolder = PublisherMenuFolder(programs);
        if (IsFolderEmpty(publisherFolder)) DeleteAndNotify(publisherFolder);
    }
}
