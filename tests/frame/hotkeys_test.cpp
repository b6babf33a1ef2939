// The frame's system-wide hotkeys: which keys the settings file registers,
// real key presses arriving as WM_HOTKEY, and what each key does.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/file_utils.h"
#include "app/test_files.h"
#include "frame/frame_driver.h"
#include "frame/stand_in_game_window.h"
#include "res/resource.h"

namespace {

const int kBoss = 2;

struct Key {
    const char* name;
    UINT modifiers;
    UINT vk;
};

// Whether another window could register the combination now: false while
// the frame (or anyone) holds it.
bool Free(const Key& key) {
    HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const bool free = RegisterHotKey(probe, 77, key.modifiers, key.vk) != FALSE;
    if (free) UnregisterHotKey(probe, 77);
    DestroyWindow(probe);
    return free;
}

void WriteSettings(const std::string& setting) {
    const std::filesystem::path path = GetSettingsPath();
    std::filesystem::create_directories(path.parent_path());
    // start=1: the defaults are never extracted over this file.
    WriteBytes(path, "[Setting]\r\nstart=1\r\n" + setting);
}

const Key kF5 = {"F5", 0, VK_F5};
const Key kF10 = {"F10", 0, VK_F10};
const Key kF11 = {"F11", 0, VK_F11};
const Key kZero = {"0", 0, '0'};
const Key kCtrlShiftA = {"Ctrl+Shift+A", MOD_CONTROL | MOD_SHIFT, 'A'};
const Key kNoKey = {"no key at all", 0, 0};

TEST(HotkeysTest, RegisteredFromTheSettingsFile) {
    const struct {
        const char* what;
        std::string settings;
        std::vector<Key> held;
        std::vector<Key> free;
    } cases[] = {
        {"the default file", "screentoggle=F10\r\nfullscreen=F11\r\n", {kF5, kF10, kF11}, {kZero, kCtrlShiftA}},
        {"both keys missing", "soundoff=0\r\n", {kF5, kF10, kF11}, {kZero}},
        {"a combination, and an empty key", "screentoggle=Ctrl+Shift+A\r\nfullscreen=\r\n", {kF5, kCtrlShiftA},
         {kF10, kF11, kZero, kNoKey}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteSettings(c.settings);
        ProbeFrame frame;
        RunFrame(frame, RefusedGameUrl(), [&] {
            for (const Key& key : c.held) EXPECT_FALSE(Free(key)) << key.name << " is held";
            for (const Key& key : c.free) EXPECT_TRUE(Free(key)) << key.name << " is left alone";
            frame.ExitFrame();
        });
        for (const Key& key : c.held) EXPECT_TRUE(Free(key)) << key.name << " is let go with the frame";
    }
    std::filesystem::remove(GetSettingsPath());
}

// Input as the devices would give it, sent from a second thread while this
// one pumps: the frame's thread must be free to take what it causes.
void SendWhilePumping(std::vector<INPUT> inputs) {
    std::atomic<bool> done{false};
    std::thread device([&] {
        for (INPUT& input : inputs) {
            SendInput(1, &input, sizeof(input));
            Sleep(20);
        }
        done = true;
    });
    while (!done) PumpFor(10);
    device.join();
    PumpFor(150);
}

void Press(WORD vk) {
    INPUT down = {};
    down.type = INPUT_KEYBOARD;
    down.ki.wVk = vk;
    INPUT up = down;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    SendWhilePumping({down, up});
}

// Wine gives a window the keyboard focus when it is clicked.
void ClickAt(int x, int y) {
    INPUT press = {};
    press.type = INPUT_MOUSE;
    press.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    press.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    press.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN;
    INPUT release = press;
    release.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP;
    SendWhilePumping({press, release});
}

int Refreshes(StandInGameWindow& game) {
    int count = 0;
    for (const auto& record : game.Take()) count += record.message == WM_GAMEWND_REFRESH ? 1 : 0;
    return count;
}

// Records the WM_HOTKEY ids that reach the frame's window.
std::vector<WPARAM> g_hotkeys;
LRESULT CALLBACK RecordHotkeys(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && msg->message == WM_HOTKEY) g_hotkeys.push_back(msg->wParam);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(HotkeysTest, RealKeysActOnlyWhileTheFrameIsActive) {
    WriteSettings("screentoggle=F10\r\nfullscreen=F11\r\n");
    HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, RecordHotkeys, nullptr, GetCurrentThreadId());
    ProbeFrame frame;
    RunFrame(frame, RefusedGameUrl(), [&] {
        HWND hwnd = frame.GetSafeHwnd();
        StandInGameWindow game(hwnd);
        const RECT work = WorkArea();
        ClickAt(work.left + 300, work.top + 15);
        ASSERT_EQ(GetForegroundWindow(), hwnd);
        g_hotkeys.clear();

        Press(VK_F11);
        EXPECT_TRUE(frame.m_fullScreen) << "F11 enters full screen";
        Press(VK_F11);
        EXPECT_FALSE(frame.m_fullScreen) << "and leaves it";
        game.Take();
        Press(VK_F5);
        EXPECT_EQ(Refreshes(game), 1) << "F5 refreshes the game";
        Press(VK_F10);
        EXPECT_FALSE(IsWindowVisible(hwnd)) << "the boss key hides";
        Press(VK_F10);
        EXPECT_TRUE(IsWindowVisible(hwnd)) << "and shows";
        EXPECT_EQ(g_hotkeys, (std::vector<WPARAM>{3, 3, 1, 2, 2}));

        // Another window of the process in front: it still receives the keys.
        HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, work.left + 100, work.top + 100,
                                     200, 100, nullptr, nullptr, nullptr, nullptr);
        ClickAt(work.left + 150, work.top + 150);
        ASSERT_EQ(GetForegroundWindow(), other);
        g_hotkeys.clear();
        Press(VK_F11);
        EXPECT_FALSE(frame.m_fullScreen) << "F11 waits for the frame to be active";
        Press(VK_F5);
        EXPECT_EQ(Refreshes(game), 0) << "so does F5";
        Press(VK_F10);
        EXPECT_FALSE(IsWindowVisible(hwnd)) << "the boss key works from anywhere";
        EXPECT_EQ(g_hotkeys, (std::vector<WPARAM>{3, 1, 2}));
        DestroyWindow(other);
        frame.ExitFrame();
    });
    UnhookWindowsHookEx(hook);
    std::filesystem::remove(GetSettingsPath());
}

TEST(HotkeysTest, BossKeyAfterTheMinimiseButton) {
    const struct {
        const char* what;
        int layoutButton;
        bool maximised;
    } cases[] = {
        {"maximised before", IDC_FRAME_MAXIMISE, true},
        {"restored before", IDC_FRAME_RESTORE, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ProbeFrame frame;
        RunFrame(frame, RefusedGameUrl(), [&] {
            HWND hwnd = frame.GetSafeHwnd();
            auto click = [&](int id) {
                SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hwnd, id)));
                PumpFor(30);
            };
            click(c.layoutButton);
            const RECT laidOut = WindowRect(hwnd);
            click(IDC_FRAME_MINIMISE);
            ASSERT_TRUE(IsIconic(hwnd));

            SendMessageW(hwnd, WM_HOTKEY, kBoss, 0);
            PumpFor(200);
            EXPECT_TRUE(IsWindowVisible(hwnd));
            EXPECT_FALSE(IsIconic(hwnd));
            EXPECT_EQ(frame.m_maximised, c.maximised);
            EXPECT_TRUE(SameRect(WindowRect(hwnd), laidOut)) << Describe(WindowRect(hwnd));
            EXPECT_EQ(frame.m_minimisedByButton, 0);
            EXPECT_EQ(GetForegroundWindow(), hwnd);

            SendMessageW(hwnd, WM_HOTKEY, kBoss, 0);
            PumpFor(30);
            EXPECT_FALSE(IsWindowVisible(hwnd)) << "the next press hides";
            frame.ExitFrame();
        });
    }
}

}  // namespace
