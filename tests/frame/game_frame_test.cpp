// The game frame's window states, caption strip and game-window messages,
// driven through its real handlers after a signed-in start.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "browser/my_html_view.h"
#include "frame/frame_driver.h"
#include "frame/stand_in_game_window.h"
#include "frame/window_messages.h"
#include "res/resource.h"
#include "widgets/png_image.h"

namespace {

enum class Event { Restore, Maximise, DoubleClick, FullScreen, Cancel, EscInPage, EnterInPage, Minimise, BossKey, Close };

void Click(ProbeFrame& frame, int id) {
    SendMessageW(frame.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(frame.GetSafeHwnd(), id)));
}

void KeyInPage(ProbeFrame& frame, WPARAM key) {
    PostMessageW(frame.m_htmlView->GetSafeHwnd(), WM_KEYDOWN, key, 0);
    PumpFor(30);
}

void Apply(ProbeFrame& frame, Event event) {
    HWND hwnd = frame.GetSafeHwnd();
    switch (event) {
    case Event::Restore: Click(frame, IDC_FRAME_RESTORE); break;
    case Event::Maximise: Click(frame, IDC_FRAME_MAXIMISE); break;
    case Event::DoubleClick: SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(300, 15)); break;
    case Event::FullScreen: Click(frame, IDC_FRAME_FULLSCREEN); break;
    case Event::Cancel: SendMessageW(hwnd, WM_COMMAND, IDCANCEL, 0); break;
    case Event::EscInPage: KeyInPage(frame, VK_ESCAPE); break;
    case Event::EnterInPage: KeyInPage(frame, VK_RETURN); break;
    case Event::Minimise: Click(frame, IDC_FRAME_MINIMISE); break;
    case Event::BossKey: Click(frame, IDC_FRAME_BOSSKEY); break;
    case Event::Close: SendMessageW(hwnd, WM_CLOSE, 0, 0); break;
    }
    PumpFor(20);
}

// Back to the state after start, whatever the previous row left.
void Reset(ProbeFrame& frame) {
    HWND hwnd = frame.GetSafeHwnd();
    if (frame.m_fullScreen) Apply(frame, Event::Cancel);
    if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
    ShowWindow(hwnd, SW_SHOW);
    Apply(frame, Event::Maximise);
}

enum class Place { WorkArea, Restored, Screen, Minimised, Hidden };

RECT Expected(Place place) {
    const RECT work = WorkArea();
    switch (place) {
    case Place::Restored: {
        const LONG left = work.left + (work.right - work.left - 1000) / 2;
        const LONG top = work.top + (work.bottom - work.top - 700) / 2;
        return {left, top, left + 1000, top + 700};
    }
    case Place::Screen: return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    default: return work;
    }
}

// Shown in itself, whether or not the frame is.
bool Shown(HWND control) {
    return (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

int VisibleCaptionButtons(HWND frame) {
    const int ids[] = {IDC_FRAME_CLOSE,      IDC_FRAME_MAXIMISE, IDC_FRAME_RESTORE,
                       IDC_FRAME_MINIMISE,   IDC_FRAME_FULLSCREEN, IDC_FRAME_BOSSKEY,
                       IDC_FRAME_CLEARCACHE, IDC_FRAME_REFRESH,  IDC_FRAME_RESELECT};
    int visible = 0;
    for (int id : ids) visible += Shown(GetDlgItem(frame, id)) ? 1 : 0;
    return visible;
}

// Whether WM_ERASEBKGND paints the strip: a marker colour survives where it does not.
bool PaintsStrip(HWND frame) {
    HDC screen = GetDC(frame);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 400, 30);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const RECT all = {0, 0, 400, 30};
    HBRUSH marker = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(memory, &all, marker);
    DeleteObject(marker);
    SendMessageW(frame, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0);
    const COLORREF seen = GetPixel(memory, 300, 15);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(frame, screen);
    return seen != RGB(255, 0, 255);
}

struct StateCase {
    const char* what;
    std::vector<Event> events;
    Place place;
    bool maximiseShown;  // else restore, outside full screen
    bool buttonsShown;
    bool fullScreen;
    bool maximised;
    int minimisedByButton;
};

TEST(GameFrameTest, StateMachine) {
    const StateCase cases[] = {
        {"restore", {Event::Restore}, Place::Restored, true, true, false, false, 0},
        {"double click restores", {Event::DoubleClick}, Place::Restored, true, true, false, false, 0},
        {"restore, double click", {Event::Restore, Event::DoubleClick}, Place::WorkArea, false, true, false, true, 0},
        {"restore, maximise", {Event::Restore, Event::Maximise}, Place::WorkArea, false, true, false, true, 0},
        {"cancel while restored", {Event::Restore, Event::Cancel}, Place::Restored, true, true, false, false, 0},
        {"full screen", {Event::FullScreen}, Place::Screen, false, false, true, true, 0},
        {"full screen, cancel", {Event::FullScreen, Event::Cancel}, Place::WorkArea, false, true, false, true, 0},
        {"restored, full screen, cancel",
         {Event::Restore, Event::FullScreen, Event::Cancel},
         Place::WorkArea,
         false,
         true,
         false,
         true,
         0},
        {"Esc and Enter in the page", {Event::FullScreen, Event::EscInPage, Event::EnterInPage}, Place::Screen, false,
         false, true, true, 0},
        {"WM_CLOSE", {Event::Close}, Place::WorkArea, false, true, false, true, 0},
        {"minimise", {Event::Minimise}, Place::Minimised, false, true, false, true, 1},
        {"minimise, double click keeps the flag",
         {Event::Minimise, Event::DoubleClick},
         Place::WorkArea,
         false,
         true,
         false,
         true,
         1},
        {"minimise, full screen", {Event::Minimise, Event::FullScreen}, Place::Screen, false, false, true, true, 0},
        {"boss key", {Event::BossKey}, Place::Hidden, false, true, false, true, 0},
    };
    ProbeFrame frame;
    const INT_PTR result = RunFrame(frame, RefusedGameUrl(), [&] {
        HWND hwnd = frame.GetSafeHwnd();
        {
            SCOPED_TRACE("start");
            EXPECT_TRUE(SameRect(WindowRect(hwnd), Expected(Place::WorkArea))) << Describe(WindowRect(hwnd));
            EXPECT_TRUE(frame.m_maximised);
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(hwnd, IDC_FRAME_MAXIMISE)));
            EXPECT_TRUE(IsWindowVisible(GetDlgItem(hwnd, IDC_FRAME_RESTORE)));
            EXPECT_TRUE(PaintsStrip(hwnd));
            EXPECT_EQ(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CAPTION, 0);
        }
        for (const StateCase& c : cases) {
            SCOPED_TRACE(c.what);
            Reset(frame);
            for (Event event : c.events) Apply(frame, event);
            switch (c.place) {
            case Place::Minimised: EXPECT_TRUE(IsIconic(hwnd)); break;
            case Place::Hidden: EXPECT_FALSE(IsWindowVisible(hwnd)); break;
            default:
                EXPECT_TRUE(IsWindowVisible(hwnd));
                EXPECT_FALSE(IsIconic(hwnd));
                EXPECT_TRUE(SameRect(WindowRect(hwnd), Expected(c.place))) << Describe(WindowRect(hwnd));
            }
            EXPECT_EQ(frame.m_fullScreen, c.fullScreen);
            EXPECT_EQ(frame.m_maximised, c.maximised);
            EXPECT_EQ(frame.m_minimisedByButton, c.minimisedByButton);
            if (c.place != Place::Minimised) {
                EXPECT_EQ(PaintsStrip(hwnd), !c.fullScreen);
            }
            if (c.buttonsShown) {
                EXPECT_EQ(VisibleCaptionButtons(hwnd), 8) << "all but one of maximise and restore";
                EXPECT_EQ(Shown(GetDlgItem(hwnd, IDC_FRAME_MAXIMISE)), c.maximiseShown);
                EXPECT_EQ(Shown(GetDlgItem(hwnd, IDC_FRAME_RESTORE)), !c.maximiseShown);
            } else {
                EXPECT_EQ(VisibleCaptionButtons(hwnd), 0);
            }
            // The page always fills what the strip leaves.
            RECT client, view;
            GetClientRect(hwnd, &client);
            GetWindowRect(frame.m_htmlView->GetSafeHwnd(), &view);
            MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&view), 2);
            if (c.place != Place::Minimised) {
                const RECT below = {0, c.fullScreen ? 0 : 30, client.right, client.bottom};
                EXPECT_TRUE(SameRect(view, below)) << Describe(view);
            }
        }
        frame.ExitFrame();
    });
    EXPECT_EQ(result, 0);
}

// A restore from the taskbar re-fits the maximised frame 10 ms later; a restored one is left alone.
TEST(GameFrameTest, TaskbarRestoreRefitsOnlyWhenMaximised) {
    ProbeFrame frame;
    RunFrame(frame, RefusedGameUrl(), [&] {
        HWND hwnd = frame.GetSafeHwnd();
        for (bool maximised : {true, false}) {
            SCOPED_TRACE(maximised ? "maximised" : "restored");
            Click(frame, maximised ? IDC_FRAME_MAXIMISE : IDC_FRAME_RESTORE);
            Click(frame, IDC_FRAME_MINIMISE);
            SendMessageW(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
            // Where the refit, if any, must still move it from.
            SetWindowPos(hwnd, nullptr, 10, 10, 500, 400, SWP_NOZORDER | SWP_NOACTIVATE);
            PumpFor(150);
            const RECT moved = {10, 10, 510, 410};
            EXPECT_TRUE(SameRect(WindowRect(hwnd), maximised ? WorkArea() : moved)) << Describe(WindowRect(hwnd));
        }
        frame.ExitFrame();
    });
}

// A real press on the strip, from a second thread while this one pumps.
void DragStrip(POINT from, int dx, int dy) {
    std::atomic<bool> done{false};
    std::thread mouse([&] {
        auto send = [](DWORD flags, LONG x, LONG y) {
            INPUT input = {};
            input.type = INPUT_MOUSE;
            input.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
            input.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
            input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
            SendInput(1, &input, sizeof(input));
            Sleep(60);
        };
        send(0, from.x, from.y);
        send(MOUSEEVENTF_LEFTDOWN, from.x, from.y);
        for (int step = 1; step <= 4; ++step) send(0, from.x + dx * step / 4, from.y + dy * step / 4);
        send(MOUSEEVENTF_LEFTUP, from.x + dx, from.y + dy);
        done = true;
    });
    while (!done) PumpFor(10);
    mouse.join();
    PumpFor(100);
}

TEST(GameFrameTest, StripDragsOnlyTheRestoredFrame) {
    ProbeFrame frame;
    RunFrame(frame, RefusedGameUrl(), [&] {
        HWND hwnd = frame.GetSafeHwnd();
        SetForegroundWindow(hwnd);
        for (Event state : {Event::Maximise, Event::FullScreen, Event::Restore}) {
            Reset(frame);
            Apply(frame, state);
            const RECT before = WindowRect(hwnd);
            DragStrip({before.left + 300, before.top + 15}, 60, 40);
            const RECT after = WindowRect(hwnd);
            if (state == Event::Restore) {
                const RECT moved = {before.left + 60, before.top + 40, before.right + 60, before.bottom + 40};
                EXPECT_TRUE(SameRect(after, moved)) << "restored: " << Describe(after);
                // Restore returns to where the player left it.
                Apply(frame, Event::Maximise);
                Apply(frame, Event::Restore);
                EXPECT_TRUE(SameRect(WindowRect(hwnd), moved)) << Describe(WindowRect(hwnd));
            } else {
                EXPECT_TRUE(SameRect(after, before)) << Describe(after);
            }
        }
        frame.ExitFrame();
    });
}

struct ButtonPlace {
    int id;
    int fromRight, width, height;
};

TEST(GameFrameTest, CaptionLayoutAndStrip) {
    const ButtonPlace places[] = {
        {IDC_FRAME_CLOSE, 28, 28, 26},       {IDC_FRAME_MAXIMISE, 57, 28, 26},  {IDC_FRAME_RESTORE, 57, 28, 26},
        {IDC_FRAME_MINIMISE, 86, 28, 26},    {IDC_FRAME_FULLSCREEN, 192, 85, 24}, {IDC_FRAME_BOSSKEY, 294, 97, 24},
        {IDC_FRAME_CLEARCACHE, 384, 85, 24}, {IDC_FRAME_REFRESH, 458, 78, 24},  {IDC_FRAME_RESELECT, 522, 59, 24},
    };
    std::unique_ptr<Gdiplus::Image> left(LoadPngImage(IDB_CAPTION_LEFT));
    std::unique_ptr<Gdiplus::Image> middle(LoadPngImage(IDB_CAPTION_MIDDLE));
    std::unique_ptr<Gdiplus::Image> right(LoadPngImage(IDB_CAPTION_RIGHT));
    ASSERT_TRUE(left && middle && right);
    ProbeFrame frame;
    RunFrame(frame, RefusedGameUrl(), [&] {
        HWND hwnd = frame.GetSafeHwnd();
        for (Event state : {Event::Restore, Event::Maximise}) {
            Apply(frame, state);
            RECT client;
            GetClientRect(hwnd, &client);
            SCOPED_TRACE(client.right);
            for (const ButtonPlace& p : places) {
                SCOPED_TRACE(p.id);
                RECT button;
                GetWindowRect(GetDlgItem(hwnd, p.id), &button);
                MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&button), 2);
                const RECT expected = {client.right - p.fromRight, 3, client.right - p.fromRight + p.width,
                                       3 + p.height};
                EXPECT_TRUE(SameRect(button, expected)) << Describe(button);
            }
        }
        // What the player sees of the maximised strip: one point of each piece.
        RedrawWindow(hwnd, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpFor(50);
        RECT client;
        GetClientRect(hwnd, &client);
        const struct {
            Gdiplus::Image* piece;
            int pieceX, screenX;
        } points[] = {{left.get(), 10, 10}, {middle.get(), 0, 700}, {right.get(), 2, client.right - 90}};
        HDC screen = GetDC(nullptr);
        POINT origin = {0, 0};
        ClientToScreen(hwnd, &origin);
        for (const auto& p : points) {
            SCOPED_TRACE(p.screenX);
            Gdiplus::Color art;
            static_cast<Gdiplus::Bitmap*>(p.piece)->GetPixel(p.pieceX, 15, &art);
            const COLORREF seen = GetPixel(screen, origin.x + p.screenX, origin.y + 15);
            EXPECT_NEAR(GetRValue(seen), art.GetR(), 2);
            EXPECT_NEAR(GetGValue(seen), art.GetG(), 2);
            EXPECT_NEAR(GetBValue(seen), art.GetB(), 2);
        }
        // In full screen the page covers the strip's place at once.
        Apply(frame, Event::FullScreen);
        PumpFor(100);
        Gdiplus::Color strip;
        static_cast<Gdiplus::Bitmap*>(middle.get())->GetPixel(0, 15, &strip);
        const COLORREF covered = GetPixel(screen, 700, 15);
        EXPECT_NE(covered, RGB(strip.GetR(), strip.GetG(), strip.GetB()));
        ReleaseDC(nullptr, screen);
        frame.ExitFrame();
    });
}

// The frame's WM_CONTEXTMENU arrivals, seen by a hook on the UI thread.
HWND g_contextMenuWatch = nullptr;
int g_contextMenus = 0;

LRESULT CALLBACK WatchContextMenus(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_CONTEXTMENU && call->hwnd == g_contextMenuWatch) ++g_contextMenus;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(GameViewTest, ChildWindowThatKeepsTheRightButton) {
    ProbeFrame frame;
    RunFrame(frame, RefusedGameUrl(), [&] {
        HWND hwnd = frame.GetSafeHwnd();
        HWND view = GetDlgItem(hwnd, IDC_GAME_VIEW);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view, frame.m_htmlView->GetSafeHwnd());
        wchar_t name[32] = L"";
        GetWindowTextW(view, name, 32);
        EXPECT_STREQ(name, L"MyWebBrowser");
        const LONG_PTR style = GetWindowLongPtrW(view, GWL_STYLE);
        EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN), WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN);

        // The browser's own innermost window, where the page's clicks land.
        HWND inner = view;
        while (HWND child = GetWindow(inner, GW_CHILD)) inner = child;
        EXPECT_NE(inner, view) << "the control is in place inside the view";
        const struct {
            UINT message;
            HWND target;
            bool swallowed;
        } mouse[] = {
            {WM_RBUTTONDOWN, inner, true}, {WM_RBUTTONDBLCLK, inner, true}, {WM_RBUTTONDOWN, view, true},
            {WM_RBUTTONUP, inner, false},  {WM_LBUTTONDOWN, inner, false},  {WM_RBUTTONDOWN, hwnd, false},
        };
        for (const auto& m : mouse) {
            SCOPED_TRACE(m.message);
            MSG msg = {m.target, m.message, 0, MAKELPARAM(40, 40), 0, {0, 0}};
            EXPECT_EQ(frame.m_htmlView->PreTranslateMessage(&msg), m.swallowed);
        }

        // Unhandled, a child's WM_CONTEXTMENU would go on to its parent.
        g_contextMenuWatch = hwnd;
        g_contextMenus = 0;
        HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, WatchContextMenus, nullptr, GetCurrentThreadId());
        SendMessageW(view, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(view), MAKELPARAM(200, 200));
        const int fromView = g_contextMenus;
        SendMessageW(GetDlgItem(hwnd, IDC_FRAME_CLOSE), WM_CONTEXTMENU, 0, MAKELPARAM(200, 200));
        const int fromButton = g_contextMenus - fromView;
        UnhookWindowsHookEx(hook);
        EXPECT_EQ(fromView, 0);
        EXPECT_EQ(fromButton, 1) << "the watch sees what a plain child passes on";

        // Without a loaded document (none ever loads here) a completion connects nothing.
        frame.m_htmlView->OnDocumentComplete();
        frame.m_htmlView->OnDocumentComplete();
        EXPECT_EQ(frame.m_htmlView->ConnectionCookie(), 0u);
        frame.ExitFrame();
    });
}

TEST(GameFrameTest, MessagesToTheGameWindow) {
    ProbeFrame frame;
    std::vector<BoxQuestion> asked;
    RunFrame(frame, RefusedGameUrl(), [&] {
        HWND hwnd = frame.GetSafeHwnd();
        StandInGameWindow game(hwnd);
        EXPECT_EQ(frame.m_gameWnd, game.Hwnd());
        PumpFor(30);
        EXPECT_TRUE(game.Take().empty()) << "no layout at attach";

        const struct {
            const char* what;
            std::function<void()> act;
            WPARAM layout;
        } steps[] = {
            {"full screen", [&] { Apply(frame, Event::FullScreen); }, 1},
            {"resize in full screen", [&] { SetWindowPos(hwnd, nullptr, 0, 0, 800, 600, SWP_NOZORDER); }, 1},
            {"leave full screen", [&] { Apply(frame, Event::Cancel); }, 0},
            {"restore", [&] { Apply(frame, Event::Restore); }, 0},
            {"double click", [&] { Apply(frame, Event::DoubleClick); }, 0},
            {"resize", [&] { SetWindowPos(hwnd, nullptr, 0, 0, 900, 600, SWP_NOZORDER); }, 0},
        };
        for (const auto& step : steps) {
            SCOPED_TRACE(step.what);
            step.act();
            const std::vector<StandInGameWindow::Record> got = game.Take();
            ASSERT_FALSE(got.empty());
            for (const auto& r : got) {
                EXPECT_EQ(r.message, static_cast<UINT>(WM_GAMEWND_LAYOUT));
                EXPECT_EQ(r.wParam, step.layout);
            }
        }

        Click(frame, IDC_FRAME_REFRESH);
        PumpFor(50);
        const std::vector<StandInGameWindow::Record> refresh = game.Take();
        ASSERT_EQ(refresh.size(), 1u);
        EXPECT_EQ(refresh[0].message, static_cast<UINT>(WM_GAMEWND_REFRESH));

        AnswerBoxes({IDOK}, &asked);
        SendMessageW(hwnd, WM_COMMAND, ID_TRAY_EXIT, 0);
        const double ended = NowMs();
        const std::vector<StandInGameWindow::Record> close = game.Take();
        ASSERT_EQ(close.size(), 1u);
        EXPECT_EQ(close[0].message, static_cast<UINT>(WM_CLOSE));
        EXPECT_GE(ended - close[0].at, 49.5) << "the pause after WM_CLOSE";
    });
    EXPECT_EQ(asked.size(), 1u);
}

}  // namespace
