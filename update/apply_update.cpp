#include "app/run_modes.h"

#include <windows.h>

#include <vector>

#include "app/command_line.h"
#include "app/file_utils.h"
#include "update/client_updater.h"
#include "update/process_start.h"

decltype(&CreateProcessW) g_updateCreateProcess = CreateProcessW;

namespace {

// The old launcher may still hold its file for a moment after handing over.
const DWORD kCopyRetryMs = 5000;

std::wstring ErrorLine(DWORD error) {
    return L"Update failure.Error Code:" + std::to_wstring(static_cast<long>(error));
}

}  // namespace

bool StartHandOver(const std::wstring& application, const std::wstring* commandLine, DWORD& error) {
    SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, TRUE};
    SECURITY_ATTRIBUTES threadSecurity = security;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::vector<wchar_t> line;
    if (commandLine) line.assign(commandLine->c_str(), commandLine->c_str() + commandLine->size() + 1);
    if (!g_updateCreateProcess(application.c_str(), commandLine ? line.data() : nullptr, &security, &threadSecurity,
                               FALSE, CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr, &startup, &process)) {
        error = GetLastError();
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void LaunchUpdateApply(const std::wstring& tempExePath, const std::wstring& installedExePath) {
    const std::wstring commandLine = L"-d " + installedExePath;
    DWORD error = 0;
    if (!StartHandOver(tempExePath, &commandLine, error)) {
        // The login goes on: a launcher that vanished here would vanish at every start.
        WriteUpdateLog(ErrorLine(error));
        return;
    }
    ExitProcess(0);
}

void ApplyDownloadedUpdate(const std::wstring& commandLine) {
    if (commandLine == L"-d") return;
    const std::wstring target = SwitchArgument(commandLine);
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    DWORD error = 0;
    const auto copy = [&] { return CopyFileW(self, target.c_str(), FALSE) != FALSE; };
    if (!RetryWhileHeld(copy, kCopyRetryMs, error)) {
        WriteUpdateLog(ErrorLine(error));
        WriteUpdateLog(L"=====================");
        return;
    }
    std::wstring md5;
    GetFileMd5(target, md5);
    WriteUpdateLog(L"Finish download,current file md5=" + md5);
    WriteUpdateLog(L"Update success.Current Version:" + GetFileVersionString(target));
    WriteUpdateLog(L"=====================");
    if (!StartHandOver(target, nullptr, error)) {
        // This copy is the new version too: it goes on as the launcher.
        WriteUpdateLog(ErrorLine(error));
        return;
    }
    ExitProcess(0);
}
