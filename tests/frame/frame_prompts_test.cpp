// The ways out of the game frame, its tray icon and its tray menu.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "frame/frame_driver.h"
#include "frame/stand_in_game_window.h"
#include "frame/window_messages.h"
#include "framework/strings.h"
#include "res/resource.h"

namespace {

struct ProcessCall {
    std::wstring application;
    bool commandLine;
    BOOL inheritHandles;
    DWORD flags;
    DWORD startupSize;
    bool frameVisible;
};
std::vector<ProcessCall> g_processCalls;
HWND g_frameWindow = nullptr;

// Records the start instead of making it: a real one would run these tests again.
BOOL WINAPI RecordCreateProcess(LPCWSTR application, LPWSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                                BOOL inheritHandles, DWORD flags, LPVOID, LPCWSTR, LPSTARTUPINFOW startup,
                                LPPROCESS_INFORMATION) {
    g_processCalls.push_back({application ? application : L"", commandLine != nullptr, inheritHandles, flags,
                              startup ? startup->cb : 0, IsWindowVisible(g_frameWindow) != FALSE});
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

class FramePromptsTest : public testing::Test {
protected:
    void SetUp() override {
        g_notifyCalls.clear();
        g_processCalls.clear();
        g_frameNotifyIcon = RecordNotify;
        g_frameCreateProcess = RecordCreateProcess;
    }
    void TearDown() override {
        g_frameNotifyIcon = Shell_NotifyIconW;
        g_frameCreateProcess = CreateProcessW;
    }
};

std::wstring Title() {
    return LoadResString(IDS_LAUNCHER_TITLE);
}

const BoxQuestion kExit = {L"关闭提示", L"是否退出" + Title() + L"？"};
const BoxQuestion kReselect = {L"选服", L"您是否退出当前服务器，重新选择新服务器？"};
const BoxQuestion kSecond = {L"选服", L"是否退出当前区服，重新选择新区服？"};

void ClickButton(HWND frame, int id) {
    SendMessageW(frame, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(frame, id)));
}
void TrayExit(HWND frame) {
    SendMessageW(frame, WM_COMMAND, ID_TRAY_EXIT, 0);
}
void SystemClose(HWND frame) {
    SendMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
}
void CloseButton(HWND frame) {
    ClickButton(frame, IDC_FRAME_CLOSE);
}
void ReselectButton(HWND frame) {
    ClickButton(frame, IDC_FRAME_RESELECT);
}

struct WayOut {
    const char* what;
    void (*trigger)(HWND);
    std::vector<int> answers;
    std::vector<BoxQuestion> questions;
    int processes;
};

TEST_F(FramePromptsTest, EveryWayOutClosesTheGameWindowAndEndsWithZero) {
    const WayOut cases[] = {
        {"tray exit", TrayExit, {IDOK}, {kExit}, 0},
        {"system close", SystemClose, {IDOK}, {kExit}, 0},
        {"close button, restart", CloseButton, {IDOK, IDOK}, {kExit, kSecond}, 1},
        {"close button, no restart", CloseButton, {IDOK, IDCANCEL}, {kExit, kSecond}, 0},
        {"re-select", ReselectButton, {IDOK}, {kReselect}, 1},
    };
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    for (const WayOut& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        std::vector<BoxQuestion> asked;
        std::vector<StandInGameWindow::Record> closes;
        bool gameClosedBeforeSecond = false, trayGoneBeforeSecond = false;
        double ended = 0;
        INT_PTR result = -1;
        {
            ProbeFrame frame;
            result = RunFrame(frame, RefusedGameUrl(), [&] {
                HWND hwnd = frame.GetSafeHwnd();
                g_frameWindow = hwnd;
                StandInGameWindow game(hwnd);
                PumpFor(20);
                game.Take();
                AnswerBoxes(c.answers, &asked, [&] {
                    if (asked.size() != 2) return;
                    for (const auto& r : game.Take()) gameClosedBeforeSecond |= r.message == WM_CLOSE;
                    trayGoneBeforeSecond = !frame.m_trayIconAdded && NotifyCount(NIM_DELETE) == 1;
                });
                c.trigger(hwnd);
                ended = NowMs();
                for (const auto& r : game.Take()) {
                    if (r.message == WM_CLOSE) closes.push_back(r);
                }
                EXPECT_FALSE(c.processes && IsWindowVisible(hwnd)) << "hidden for the restart";
            });
        }
        EXPECT_EQ(result, 0);
        EXPECT_EQ(asked, c.questions);
        if (c.questions.size() == 2) {
            EXPECT_TRUE(gameClosedBeforeSecond);
            EXPECT_TRUE(trayGoneBeforeSecond);
        } else {
            ASSERT_EQ(closes.size(), 1u);
            EXPECT_GE(ended - closes[0].at, 49.5) << "the pause after WM_CLOSE";
        }
        EXPECT_EQ(NotifyCount(NIM_ADD), 1);
        EXPECT_EQ(NotifyCount(NIM_DELETE), 1);
        ASSERT_EQ(g_processCalls.size(), static_cast<size_t>(c.processes));
        for (const ProcessCall& p : g_processCalls) {
            EXPECT_EQ(p.application, self);
            EXPECT_FALSE(p.commandLine) << "no arguments: the ordinary start";
            EXPECT_FALSE(p.inheritHandles);
            EXPECT_EQ(p.flags, static_cast<DWORD>(CREATE_DEFAULT_ERROR_MODE));
            EXPECT_EQ(p.startupSize, sizeof(STARTUPINFOW));
            EXPECT_FALSE(p.frameVisible);
        }
    }
}

TEST_F(FramePromptsTest, RefusingChangesNothing) {
    const struct {
        const char* what;
        void (*trigger)(HWND);
        bool fromFullScreen;
    } cases[] = {
        {"tray exit", TrayExit, false},       {"system close", SystemClose, false},
        {"close button", CloseButton, false}, {"re-select", ReselectButton, false},
        {"system close in full screen", SystemClose, true},
    };
    ProbeFrame frame;
    std::vector<BoxQuestion> asked;
    const INT_PTR result = RunFrame(frame, RefusedGameUrl(), [&] {
        HWND hwnd = frame.GetSafeHwnd();
        StandInGameWindow game(hwnd);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.what);
            if (c.fromFullScreen) ClickButton(hwnd, IDC_FRAME_FULLSCREEN);
            AnswerBoxes({IDCANCEL}, &asked);
            c.trigger(hwnd);
            PumpFor(30);
            EXPECT_TRUE(IsWindowVisible(hwnd));
            EXPECT_TRUE(IsWindowEnabled(hwnd));
            EXPECT_TRUE(frame.m_trayIconAdded);
            for (const auto& r : game.Take()) EXPECT_NE(r.message, static_cast<UINT>(WM_CLOSE));
            // The system close goes on to IDCANCEL, which leaves full screen.
            EXPECT_FALSE(frame.m_fullScreen);
            EXPECT_TRUE(frame.m_maximised);
            EXPECT_TRUE(SameRect(WindowRect(hwnd), WorkArea())) << Describe(WindowRect(hwnd));
        }
        EXPECT_EQ(NotifyCount(NIM_DELETE), 0);
        EXPECT_TRUE(g_processCalls.empty());
        EXPECT_EQ(asked.size(), 5u) << "one question each";
        frame.ExitFrame();
    });
    EXPECT_EQ(result, 0);
}

// The tray menu, opened as the tray does it; keys choose one of its items.
RECT OpenTrayMenuAndChoose(HWND frame, int item) {
    RECT menuRect = {};
    WhenReady(
        [] {
            HWND menu = FindWindowW(L"#32768", nullptr);
            return menu && IsWindowVisible(menu);
        },
        [&menuRect, item] {
            HWND menu = FindWindowW(L"#32768", nullptr);
            GetWindowRect(menu, &menuRect);
            for (int i = 0; i <= item; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
        });
    SendMessageW(frame, WM_TRAYICON, 0, WM_RBUTTONUP);
    PumpFor(30);
    return menuRect;
}

TEST_F(FramePromptsTest, TrayIconAndMenu) {
    ProbeFrame frame;
    std::vector<BoxQuestion> asked;
    RECT firstMenu = {}, lastMenu = {};
    const INT_PTR result = RunFrame(frame, RefusedGameUrl(), [&] {
        HWND hwnd = frame.GetSafeHwnd();
        ASSERT_EQ(NotifyCount(NIM_ADD), 1);
        const NOTIFYICONDATAW& icon = g_notifyCalls[0].data;
        EXPECT_EQ(icon.cbSize, sizeof(NOTIFYICONDATAW));
        EXPECT_EQ(icon.hWnd, hwnd);
        EXPECT_EQ(icon.uID, 0u);
        EXPECT_EQ(icon.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
        EXPECT_EQ(icon.uCallbackMessage, static_cast<UINT>(WM_TRAYICON));
        EXPECT_NE(icon.hIcon, nullptr);
        EXPECT_EQ(std::wstring(icon.szTip), Title());

        // A left click shows the hidden frame in front; a minimised one stays minimised.
        ClickButton(hwnd, IDC_FRAME_BOSSKEY);
        EXPECT_FALSE(IsWindowVisible(hwnd));
        EXPECT_EQ(SendMessageW(hwnd, WM_TRAYICON, 0, WM_LBUTTONDOWN), 0);
        EXPECT_TRUE(IsWindowVisible(hwnd));
        EXPECT_EQ(GetForegroundWindow(), hwnd);
        ClickButton(hwnd, IDC_FRAME_MINIMISE);
        SendMessageW(hwnd, WM_TRAYICON, 0, WM_LBUTTONDOWN);
        EXPECT_TRUE(IsIconic(hwnd));
        ClickButton(hwnd, IDC_FRAME_MAXIMISE);

        // Other mouse messages of the icon do nothing.
        SendMessageW(hwnd, WM_TRAYICON, 0, WM_MOUSEMOVE);
        SendMessageW(hwnd, WM_TRAYICON, 0, WM_LBUTTONDBLCLK);
        EXPECT_TRUE(IsWindowVisible(hwnd));

        // The activation that the maximise began settles first; a menu opened
        // during it closes at once here.
        SetCursorPos(900, 500);
        PumpFor(200);
        firstMenu = OpenTrayMenuAndChoose(hwnd, 0);
        EXPECT_FALSE(IsWindowVisible(hwnd)) << "hide/show hid the frame";
        OpenTrayMenuAndChoose(hwnd, 0);
        EXPECT_TRUE(IsWindowVisible(hwnd)) << "and shows it again";

        SetCursorPos(1500, 300);
        AnswerBoxes({IDOK}, &asked);
        lastMenu = OpenTrayMenuAndChoose(hwnd, 2);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(asked, std::vector<BoxQuestion>{kExit});
    EXPECT_EQ(firstMenu.left, 900 - 130);
    EXPECT_EQ(firstMenu.top, 500);
    EXPECT_EQ(lastMenu.left, 1500 - 130);
    EXPECT_EQ(lastMenu.top, 300);
    EXPECT_EQ(NotifyCount(NIM_ADD), 1);
    EXPECT_EQ(NotifyCount(NIM_DELETE), 1);
}

}  // namespace
