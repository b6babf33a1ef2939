// Starts the real launcher executable with the command lines of each run mode.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

std::wstring LauncherPath() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return (std::filesystem::path(std::wstring(path, length)).parent_path() / L"Morvane.exe").wstring();
}

// Runs the launcher with exactly this command line; returns its exit code,
// or -1 when it could not start or did not end within the time allowed.
long RunLauncher(std::wstring commandLine) {
    const std::wstring exe = LauncherPath();
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return -1;
    }
    DWORD exitCode = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &exitCode);
    } else {
        TerminateProcess(process.hProcess, 99);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<long>(exitCode);
}

// The modes' windows are not built yet; each mode must still start, choose and end cleanly.
TEST(StartModesTest, EveryModeStartsAndEndsCleanly) {
    const std::wstring quoted = L"\"" + LauncherPath() + L"\"";
    const std::wstring commandLines[] = {
        quoted,                                          // launcher
        quoted + L" -frameWnd=0 -gameurl=abc",           // launcher: handle 0
        quoted + L" -frameWnd=65538 -gameurl=http://h/", // game host
        L"-d",                                           // update apply, goes on as launcher
        L"-d C:\\no\\such\\folder\\Morvane.exe",         // update apply, goes on as launcher
        quoted + L" -u",                                 // uninstall confirmation
        L"-u C:\\no\\such\\folder\\Morvane.exe",         // uninstall removal
        L"-frameWnd=\xFFFF\"\"\" -gameurl",              // garbage
    };
    for (const std::wstring& commandLine : commandLines) {
        SCOPED_TRACE(testing::Message() << "command line of " << commandLine.size() << " characters");
        EXPECT_EQ(RunLauncher(commandLine), 0);
    }
}

}  // namespace
