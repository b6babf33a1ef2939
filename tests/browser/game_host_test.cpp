// The game-host mode end to end: the real launcher started as a second process
// with a stand-in frame of this process, driven by the frame's messages.
#include "browser/loopback_listener.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "frame/window_messages.h"
#include "framework/wnd.h"

namespace {

const UINT IDC_GAME_VIEW = 10000;

double NowMs() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Pumps (the host sends to the frame) until done() or the time runs out.
template <typename Done>
bool PumpUntil(Done done, double ms) {
    const double end = NowMs() + ms;
    while (!done()) {
        if (NowMs() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Pump();
    }
    return true;
}

// A bound window like the real frame: its binding property holds a pointer
// into this process, readable from the host.
class StandInFrame : public CWnd {
public:
    explicit StandInFrame(bool destroyOnAttach = false) : m_destroyOnAttach(destroyOnAttach) {
        const RECT rect = {0, 0, 1000, 700};
        Create(L"stand-in frame", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, rect, nullptr, 0);
    }
    ~StandInFrame() override {
        if (m_hWnd) DestroyWindow(m_hWnd);
    }

    HWND attached = nullptr;
    double attachedAt = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_GAMEWND_ATTACH) {
            attached = reinterpret_cast<HWND>(wParam);
            attachedAt = NowMs();
            if (m_destroyOnAttach) DestroyWindow(m_hWnd);
            return 0;
        }
        return CWnd::WindowProc(msg, wParam, lParam);
    }

private:
    bool m_destroyOnAttach;
};

// Morvane.exe beside this test, in the game-host mode.
class HostProcess {
public:
    HostProcess(HWND frame, const std::wstring& url) {
        wchar_t path[MAX_PATH];
        const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring exe(path, length);
        exe.erase(exe.find_last_of(L"\\/") + 1);
        exe += L"Morvane.exe";
        std::wstring commandLine = L"\"" + exe + L"\" -frameWnd=" +
                                   std::to_wstring(static_cast<long>(reinterpret_cast<INT_PTR>(frame))) +
                                   L" -gameurl=" + url;
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info = {};
        if (CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &info)) {
            CloseHandle(info.hThread);
            m_process = info.hProcess;
            m_id = info.dwProcessId;
        }
    }
    ~HostProcess() {
        if (!m_process) return;
        if (Running()) TerminateProcess(m_process, 99);
        WaitForSingleObject(m_process, 5000);
        CloseHandle(m_process);
    }
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    bool Started() const { return m_process != nullptr; }
    DWORD Id() const { return m_id; }
    bool Running() const { return WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT; }

    // Milliseconds from since until the process ended, pumping meanwhile; -1 if it did not within limitMs.
    double WaitForExit(double since, double limitMs) {
        if (!PumpUntil([this] { return !Running(); }, limitMs + 1000)) return -1;
        return NowMs() - since;
    }
    DWORD ExitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(m_process, &code);
        return code;
    }

private:
    HANDLE m_process = nullptr;
    DWORD m_id = 0;
};

// The window's rectangle in the frame's client coordinates.
RECT RectIn(HWND window, HWND frame) {
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Text(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

// Posted messages are handled in order: once the posted layout has taken
// effect, everything posted before it has been handled too.
bool DrainPosted(HWND dialog, HWND frame) {
    const RECT whole = {0, 0, 1000, 700};
    PostMessageW(dialog, WM_GAMEWND_LAYOUT, 1, 0);
    return PumpUntil(
        [&] {
            RECT rect = RectIn(dialog, frame);
            return EqualRect(&rect, &whole) != FALSE;
        },
        5000);
}

// A host attached to a live frame; the game URL is a listener that never answers.
class GameHostTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(frame.m_hWnd, nullptr);
        host = std::make_unique<HostProcess>(frame.m_hWnd, listener.Url(L"/play_gamecode?server=1"));
        ASSERT_TRUE(host->Started());
        ASSERT_TRUE(PumpUntil([this] { return frame.attached != nullptr || !host->Running(); }, 10000));
        ASSERT_NE(frame.attached, nullptr) << "exit code " << host->ExitCode();
        dialog = frame.attached;
    }

    // The host takes sent messages while its start-up still waits on this
    // process; only a posted one proves that its message loop runs.
    bool WaitUntilLoopRuns() { return DrainPosted(dialog, frame.m_hWnd); }

    LoopbackListener listener;
    StandInFrame frame;
    std::unique_ptr<HostProcess> host;
    HWND dialog = nullptr;
};

TEST_F(GameHostTest, AttachesBelowTheStripWithTheViewOverIt) {
    DWORD process = 0;
    GetWindowThreadProcessId(dialog, &process);
    EXPECT_EQ(process, host->Id()) << "the window belongs to the host";
    EXPECT_EQ(GetParent(dialog), frame.m_hWnd);
    EXPECT_TRUE(PumpUntil([&] { return (GetWindowLongPtrW(dialog, GWL_STYLE) & WS_VISIBLE) != 0; }, 3000))
        << "shown after its start";

    const RECT below = {0, 30, 1000, 700};
    RECT placed = RectIn(dialog, frame.m_hWnd);
    EXPECT_TRUE(EqualRect(&placed, &below)) << Text(placed);

    HWND view = GetDlgItem(dialog, IDC_GAME_VIEW);
    ASSERT_NE(view, nullptr);
    wchar_t name[32] = L"";
    GetWindowTextW(view, name, 32);
    EXPECT_STREQ(name, L"MyWebBrowser");
    const RECT over = {0, 30, 1000, 700};
    placed = RectIn(view, frame.m_hWnd);
    EXPECT_TRUE(EqualRect(&placed, &over)) << "view " << Text(placed);
}

TEST_F(GameHostTest, LayoutFollowsTheFrame) {
    const struct {
        int frameWidth, frameHeight;
        WPARAM mode;
        bool hideFirst;
        RECT expected;
    } cases[] = {
        {1000, 700, 1, false, {0, 0, 1000, 700}},
        {1000, 700, 0, false, {0, 30, 1000, 700}},
        {800, 500, 0, false, {0, 30, 800, 500}},
        {800, 500, 7, true, {0, 0, 800, 500}},
        {1000, 700, 0, true, {0, 30, 1000, 700}},
    };
    ASSERT_TRUE(WaitUntilLoopRuns());
    HWND view = GetDlgItem(dialog, IDC_GAME_VIEW);
    ASSERT_NE(view, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case #" << (&c - cases));
        SetWindowPos(frame.m_hWnd, nullptr, 0, 0, c.frameWidth, c.frameHeight, SWP_NOMOVE | SWP_NOZORDER);
        if (c.hideFirst) {
            ShowWindow(dialog, SW_HIDE);
            ASSERT_FALSE(IsWindowVisible(dialog));
        }
        EXPECT_EQ(SendMessageW(dialog, WM_GAMEWND_LAYOUT, c.mode, 0), 0);
        RECT placed = RectIn(dialog, frame.m_hWnd);
        EXPECT_TRUE(EqualRect(&placed, &c.expected)) << Text(placed);
        EXPECT_TRUE(IsWindowVisible(dialog));
        placed = RectIn(view, frame.m_hWnd);
        EXPECT_TRUE(EqualRect(&placed, &c.expected)) << "the view follows: " << Text(placed);
    }
}

// Refresh is posted along: this Wine's browser has no document after a failed
// navigation and refreshes nothing, so only its harmlessness shows here.
TEST_F(GameHostTest, EnterEscOkCancelAndRefreshLeaveTheWindowOpen) {
    ASSERT_TRUE(WaitUntilLoopRuns());
    HWND view = GetDlgItem(dialog, IDC_GAME_VIEW);
    ASSERT_NE(view, nullptr);
    HWND inner = view;
    while (HWND child = GetWindow(inner, GW_CHILD)) inner = child;
    for (HWND target : {inner, view, dialog}) {
        for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
            PostMessageW(target, WM_KEYDOWN, key, 1);
            PostMessageW(target, WM_KEYUP, key, 0xC0000001);
        }
    }
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    PostMessageW(dialog, WM_GAMEWND_REFRESH, 0, 0);
    ASSERT_TRUE(DrainPosted(dialog, frame.m_hWnd));

    EXPECT_TRUE(host->Running());
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(GetParent(dialog), frame.m_hWnd);
    EXPECT_EQ(GetDlgItem(dialog, IDC_GAME_VIEW), view);
}

// How the host ends: by the frame's WM_CLOSE at once, by the watchdog about a
// second after the frame has gone (plus a second of grace when the window went
// with it); always with exit code 0.
TEST(GameHostEnd, EndsWhenTheFrameClosesOrGoes) {
    enum class End { SendClose, PostCloseTwice, DestroyFrame, GoneAtStart, GoneAtAttach };
    const struct {
        const char* name;
        End end;
        double maxMs;
    } cases[] = {
        {"frame sends WM_CLOSE", End::SendClose, 800},
        {"two WM_CLOSE, a refresh between", End::PostCloseTwice, 800},
        {"frame destroyed", End::DestroyFrame, 2500},
        {"frame gone before the start", End::GoneAtStart, 1000},
        {"frame gone when the window attaches", End::GoneAtAttach, 1500},
    };
    LoopbackListener listener;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StandInFrame frame(c.end == End::GoneAtAttach);
        const HWND frameHandle = frame.m_hWnd;
        ASSERT_NE(frameHandle, nullptr);
        if (c.end == End::GoneAtStart) DestroyWindow(frame.m_hWnd);
        double since = NowMs();
        HostProcess host(frameHandle, listener.Url(L"/play_gamecode"));
        ASSERT_TRUE(host.Started());
        if (c.end != End::GoneAtStart) {
            ASSERT_TRUE(PumpUntil([&] { return frame.attached != nullptr || !host.Running(); }, 10000));
            ASSERT_NE(frame.attached, nullptr);
            since = frame.attachedAt;
            DWORD_PTR answer = 0;
            if (c.end != End::GoneAtAttach) {
                ASSERT_TRUE(SendMessageTimeoutW(frame.attached, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer));
                since = NowMs();
            }
            switch (c.end) {
            case End::SendClose:
                EXPECT_EQ(SendMessageW(frame.attached, WM_CLOSE, 0, 0), 0);
                break;
            case End::PostCloseTwice:
                // Both are handled before the quit message: the second and the
                // refresh find no view.
                PostMessageW(frame.attached, WM_CLOSE, 0, 0);
                PostMessageW(frame.attached, WM_GAMEWND_REFRESH, 0, 0);
                PostMessageW(frame.attached, WM_CLOSE, 0, 0);
                break;
            case End::DestroyFrame:
                DestroyWindow(frame.m_hWnd);
                break;
            default:
                break;
            }
        }
        const double took = host.WaitForExit(since, c.maxMs);
        EXPECT_GE(took, 0) << "the host did not end";
        EXPECT_LE(took, c.maxMs);
        EXPECT_EQ(host.ExitCode(), 0u);
        std::printf("%s: %.0f ms\n", c.name, took);
    }
}

}  // namespace
