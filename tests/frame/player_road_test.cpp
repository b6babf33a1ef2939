// The player's road: the login page's own navigation to the game URL ends the
// login window, and the frame that follows asks the server for that page.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/loopback_listener.h"
#include "frame/frame_driver.h"
#include "res/resource.h"

namespace {

int TempFolderEntries() {
    wchar_t folder[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, folder);
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((std::wstring(folder) + L"*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do {
        ++count;
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return count;
}

bool LoginWindowsGone() {
    return !FindThreadWindow<CLoginPopupDlg>() && !FindThreadWindow<CRivedoLogin>();
}

TEST(PlayerRoadTest, SignInHandsTheGameUrlToTheFrame) {
    LoopbackListener server;
    const std::wstring path = L"/play_gamecode?server=1&token=road7";
    const std::wstring game = server.Url(path.c_str());
    g_notifyCalls.clear();
    g_frameNotifyIcon = RecordNotify;
    const int tempBefore = TempFolderEntries();

    std::vector<std::string> requests;
    bool loginGone = false;
    RECT placed = {};
    bool restoreShown = false, maximiseShown = true;
    std::wstring frameUrl;
    int adds = 0;
    INT_PTR result = -1;
    {
        ProbeFrame frame;
        result = RunFrame(
            frame, game,
            [&] {
                HWND hwnd = frame.GetSafeHwnd();
                loginGone = LoginWindowsGone();
                placed = WindowRect(hwnd);
                restoreShown = IsWindowVisible(GetDlgItem(hwnd, IDC_FRAME_RESTORE));
                maximiseShown = IsWindowVisible(GetDlgItem(hwnd, IDC_FRAME_MAXIMISE));
                frameUrl = frame.m_gameUrl;
                adds = NotifyCount(NIM_ADD);
                const DWORD end = GetTickCount() + 8000;
                while (requests.empty() && static_cast<LONG>(end - GetTickCount()) > 0) {
                    PumpFor(20);
                    for (const std::string& line : server.TakeRequestLines()) requests.push_back(line);
                }
                // Anything late, such as a second request, is caught too.
                PumpFor(300);
                for (const std::string& line : server.TakeRequestLines()) requests.push_back(line);
                frame.ExitFrame();
            },
            true);
    }
    g_frameNotifyIcon = Shell_NotifyIconW;

    EXPECT_EQ(result, 0);
    EXPECT_TRUE(loginGone);
    EXPECT_EQ(frameUrl, game);
    EXPECT_TRUE(SameRect(placed, WorkArea())) << Describe(placed);
    EXPECT_TRUE(restoreShown);
    EXPECT_FALSE(maximiseShown);
    EXPECT_EQ(adds, 1);
    // The cancelled sign-in navigation never reached the server; the game view's did.
    const std::string expected = "GET " + std::string(path.begin(), path.end()) + " HTTP/1.1";
    EXPECT_EQ(requests, std::vector<std::string>{expected});
    EXPECT_EQ(TempFolderEntries(), tempBefore) << "no scratch file is left in the Temp folder";
}

}  // namespace
