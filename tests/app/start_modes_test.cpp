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

// A visible top-level window of the process that fits.
HWND FindWindowOf(DWORD processId, bool (*fits)(HWND)) {
    struct Search {
        DWORD processId;
        bool (*fits)(HWND);
        HWND found;
    } search = {processId, fits, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner != s->processId || !IsWindowVisible(hwnd) || !s->fits(hwnd)) return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindowOf(DWORD processId, bool (*fits)(HWND)) {
    for (int i = 0; i < 300; ++i) {
        if (HWND hwnd = FindWindowOf(processId, fits)) return hwnd;
        Sleep(50);
    }
    return nullptr;
}

bool IsLoginWindow(HWND hwnd) {
    wchar_t title[64] = L"";
    GetWindowTextW(hwnd, title, 64);
    return std::wstring(title) == L"Morvane登录器";
}

bool IsConfirmBox(HWND hwnd) {
    return GetDlgItem(hwnd, 1001) && GetDlgItem(hwnd, IDOK) && GetDlgItem(hwnd, IDCANCEL);
}

enum class Shows { Nothing, LoginWindow, UninstallQuestion };

// Runs the launcher with exactly this command line; returns its exit code, or
// -1 when it could not start or did not end in time. In launcher mode the
// login window comes up; it is left the way a player leaves it: Alt+F4 and OK.
// The uninstall question is answered with Cancel.
long RunLauncher(std::wstring commandLine, Shows shows) {
    const std::wstring exe = LauncherPath();
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return -1;
    }
    if (shows == Shows::UninstallQuestion) {
        HWND box = WaitForWindowOf(process.dwProcessId, IsConfirmBox);
        EXPECT_NE(box, nullptr) << "the uninstall asks first";
        if (box) PostMessageW(GetDlgItem(box, IDCANCEL), BM_CLICK, 0, 0);
    }
    if (shows == Shows::LoginWindow) {
        HWND login = WaitForWindowOf(process.dwProcessId, IsLoginWindow);
        EXPECT_NE(login, nullptr) << "the login window came up";
        if (login) {
            PostMessageW(login, WM_SYSCOMMAND, SC_CLOSE, 0);
            HWND box = WaitForWindowOf(process.dwProcessId, IsConfirmBox);
            EXPECT_NE(box, nullptr) << "Alt+F4 asks first";
            if (box) PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        }
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

// Every mode starts, chooses and ends cleanly.
TEST(StartModesTest, EveryModeStartsAndEndsCleanly) {
    const std::wstring quoted = L"\"" + LauncherPath() + L"\"";
    const struct {
        std::wstring commandLine;
        Shows shows;
    } cases[] = {
        {quoted, Shows::LoginWindow},
        {quoted + L" -frameWnd=0 -gameurl=abc", Shows::LoginWindow},
        {quoted + L" -frameWnd=65538 -gameurl=http://h/", Shows::Nothing},  // game host
        {L"-d", Shows::LoginWindow},                                        // update apply goes on as launcher
        {L"-d C:\\no\\such\\folder\\Morvane.exe", Shows::LoginWindow},
        {quoted + L" -u", Shows::UninstallQuestion},                        // uninstall confirmation
        {L"-u C:\\no\\such\\folder\\Morvane.exe", Shows::Nothing},          // removal of nothing there
        {L"-frameWnd=\xFFFF\"\"\" -gameurl", Shows::LoginWindow},           // garbage: handle 0
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "command line of " << c.commandLine.size() << " characters");
        EXPECT_EQ(RunLauncher(c.commandLine, c.shows), 0);
    }
}

}  // namespace
