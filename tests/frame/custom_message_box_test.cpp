#include "frame/custom_message_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>
#include <vector>

#include "framework/win_app.h"
#include "res/resource.h"
#include "widgets/png_image.h"
#include "widgets/test_parent.h"

namespace {

std::function<void(HWND)> g_action;

// Runs action once the box is up and painted, from a thread timer inside the box's own modal loop.
void WhenBoxIsUp(std::function<void(HWND)> action) {
    g_action = std::move(action);
    SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR id, DWORD) {
        HWND box = FindBox();
        if (!box || !g_action) return;
        KillTimer(nullptr, id);
        auto action = std::move(g_action);
        g_action = nullptr;
        action(box);
    });
}

TEST(CustomMessageBoxTest, AnswersByButtonAndKey) {
    const struct {
        const char* what;
        std::function<void(HWND)> act;
        INT_PTR expected;
    } cases[] = {
        {"OK", [](HWND box) { PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0); }, IDOK},
        {"Cancel", [](HWND box) { PostMessageW(GetDlgItem(box, IDCANCEL), BM_CLICK, 0, 0); }, IDCANCEL},
        {"close", [](HWND box) { PostMessageW(GetDlgItem(box, IDC_BOX_CLOSE), BM_CLICK, 0, 0); }, IDCANCEL},
        {"Escape", [](HWND box) { PostMessageW(GetDlgItem(box, IDOK), WM_KEYDOWN, VK_ESCAPE, 0); }, IDCANCEL},
        {"Enter", [](HWND box) { PostMessageW(GetDlgItem(box, IDCANCEL), WM_KEYDOWN, VK_RETURN, 0); }, IDOK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CCustomMessageBox box;
        box.SetMessage(L"关闭提示", L"是否退出Morvane登录器？");
        WhenBoxIsUp(c.act);
        EXPECT_EQ(box.DoModal(), c.expected);
    }

    WhenBoxIsUp([](HWND box) { PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0); });
    EXPECT_TRUE(ConfirmBox(L"选服", L"是否退出当前区服，重新选择新区服？"));
    WhenBoxIsUp([](HWND box) { PostMessageW(GetDlgItem(box, IDC_BOX_CLOSE), BM_CLICK, 0, 0); });
    EXPECT_FALSE(ConfirmBox(L"选服", L"是否退出当前区服，重新选择新区服？"));
}

RECT ClientRectIn(HWND child, HWND parent) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Presses the left button at a screen point, moves by (dx, dy) and releases,
// as input events from another thread while this one runs its messages (a
// press on a caption runs a modal move loop inside the dispatch).
void DragMouse(POINT from, int dx, int dy) {
    SetCursorPos(from.x, from.y);
    PumpMessages();
    std::thread mouse([=] {
        const POINT path[] = {from, {from.x + dx / 2, from.y + dy / 2}, {from.x + dx, from.y + dy}};
        auto send = [](DWORD flags) {
            INPUT in = {};
            in.type = INPUT_MOUSE;
            in.mi.dwFlags = flags;
            SendInput(1, &in, sizeof(in));
        };
        Sleep(100);
        send(MOUSEEVENTF_LEFTDOWN);
        for (const POINT& p : path) {
            Sleep(60);
            SetCursorPos(p.x, p.y);
        }
        Sleep(60);
        send(MOUSEEVENTF_LEFTUP);
    });
    const DWORD end = GetTickCount() + 1000;
    while (GetTickCount() < end) {
        PumpMessages();
        Sleep(10);
    }
    mouse.join();
}

TEST(CustomMessageBoxTest, LayoutAndDragAreas) {
    CCustomMessageBox box;
    ASSERT_TRUE(box.Create(nullptr));
    HWND hwnd = box.GetSafeHwnd();
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 253);
    EXPECT_EQ(client.bottom, 106);
    EXPECT_FALSE(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CAPTION);

    const struct {
        int id;
        RECT expected;
    } buttons[] = {
        {IDC_BOX_CLOSE, {228, 10, 256, 36}},
        {IDOK, {45, 61, 127, 95}},
        {IDCANCEL, {137, 61, 219, 95}},
    };
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.id);
        EXPECT_TRUE(SameRect(ClientRectIn(GetDlgItem(hwnd, b.id), hwnd), b.expected));
    }

    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    PumpMessages();
    POINT background = {10, 80};
    ClientToScreen(hwnd, &background);
    EXPECT_EQ(SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(background.x, background.y)), HTCAPTION);
    // A press on a button goes to the button, which answers as client: no drag.
    POINT onOk = {80, 75};
    ClientToScreen(hwnd, &onOk);
    HWND under = WindowFromPoint(onOk);
    EXPECT_EQ(under, GetDlgItem(hwnd, IDOK));
    EXPECT_EQ(SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(onOk.x, onOk.y)), HTCLIENT);

    // A real drag with the mouse: by the background the box follows, by a button it stays.
    RECT before;
    GetWindowRect(hwnd, &before);
    DragMouse(background, 40, 30);
    RECT moved;
    GetWindowRect(hwnd, &moved);
    EXPECT_EQ(moved.left - before.left, 40);
    EXPECT_EQ(moved.top - before.top, 30);

    POINT onCancel = {170, 75};
    ClientToScreen(hwnd, &onCancel);
    DragMouse(onCancel, 40, 30);
    RECT after;
    GetWindowRect(hwnd, &after);
    EXPECT_TRUE(SameRect(after, moved));
}

TEST(CustomMessageBoxTest, DisablesItsOwnerAndCentres) {
    // Without a main window: centred on the work area.
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT boxRect = {};
    WhenBoxIsUp([&](HWND box) {
        GetWindowRect(box, &boxRect);
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    CCustomMessageBox lonely;
    EXPECT_EQ(lonely.DoModal(), IDCANCEL);
    EXPECT_NEAR((boxRect.left + boxRect.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((boxRect.top + boxRect.bottom) / 2, (work.top + work.bottom) / 2, 1);

    // With a main window: owned by it, which is disabled meanwhile, and centred over it.
    CWinApp app;
    TestParent main(RGB(0, 0, 0));
    ASSERT_TRUE(main.Create(nullptr));
    SetWindowPos(main.GetSafeHwnd(), nullptr, 100, 100, 600, 400, SWP_NOZORDER | SWP_SHOWWINDOW);
    app.m_pMainWnd = &main;
    HWND owner = nullptr;
    bool ownerEnabled = true;
    WhenBoxIsUp([&](HWND box) {
        owner = GetWindow(box, GW_OWNER);
        ownerEnabled = IsWindowEnabled(main.GetSafeHwnd());
        GetWindowRect(box, &boxRect);
        PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    });
    CCustomMessageBox owned;
    EXPECT_EQ(owned.DoModal(), IDOK);
    EXPECT_EQ(owner, main.GetSafeHwnd());
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(main.GetSafeHwnd()));
    EXPECT_NEAR((boxRect.left + boxRect.right) / 2, 400, 1);
    EXPECT_NEAR((boxRect.top + boxRect.bottom) / 2, 300, 1);
}

// Renders the box's own drawing into a bitmap, to compare rows of pixels.
class RenderedBox : public CCustomMessageBox {
public:
    std::vector<COLORREF> Render(const std::wstring& text) {
        m_text = text;
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 253, 106);
        HGDIOBJ old = SelectObject(memory, bitmap);
        Paint(memory);
        std::vector<COLORREF> pixels(253 * 106);
        for (int y = 0; y < 106; ++y)
            for (int x = 0; x < 253; ++x) pixels[y * 253 + x] = GetPixel(memory, x, y);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        return pixels;
    }
};

bool RowsEqual(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b, int top, int bottom) {
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < 253; ++x)
            if (a[y * 253 + x] != b[y * 253 + x]) return false;
    return true;
}

TEST(CustomMessageBoxTest, TextBeyondTwoLinesIsCutWithEllipsis) {
    RenderedBox box;
    ASSERT_TRUE(box.Create(nullptr));
    const std::wstring twoLines = L"Your progress is saved on the server. Leave the game";
    const std::wstring longer = twoLines + L" now and come back later to find everything where you left it";
    const auto empty = box.Render(L"");
    const auto fits = box.Render(twoLines);
    const auto cut = box.Render(longer);

    EXPECT_FALSE(RowsEqual(fits, empty, 33, 46)) << "the first line is drawn";
    EXPECT_FALSE(RowsEqual(fits, empty, 46, 60)) << "the second line is drawn";
    EXPECT_TRUE(RowsEqual(cut, fits, 0, 46)) << "the first line is the same";
    EXPECT_FALSE(RowsEqual(cut, fits, 46, 64)) << "the second line ends with the ellipsis";
    EXPECT_TRUE(RowsEqual(cut, empty, 64, 106)) << "nothing is drawn below the text's rectangle";
}

TEST(LoadPngImageTest, FailuresAndResources) {
    EXPECT_EQ(LoadPngImage(4242), nullptr) << "missing";
    EXPECT_EQ(LoadPngImage(IDB_TEST_EMPTY), nullptr) << "zero size";
    std::unique_ptr<Gdiplus::Image> notPng(LoadPngImage(IDB_TEST_NOT_PNG));
    ASSERT_NE(notPng, nullptr) << "an image object that draws nothing";
    EXPECT_EQ(notPng->GetWidth(), 0u);
    EXPECT_EQ(notPng->GetHeight(), 0u);

    // Every PNG the launcher carries, at the size its users lay out for.
    // A face may show less than its image: the button it sits on is smaller,
    // and nothing may be drawn where the button would cut it off.
    const struct {
        WORD id;
        UINT width, height;
        UINT shownWidth, shownHeight;
    } art[] = {
        {IDB_BOX_BACKGROUND, 253, 106, 253, 106},
        {IDB_CANCEL_HOVER, 82, 34, 82, 34},
        {IDB_CANCEL, 82, 34, 82, 34},
        {IDB_OK_HOVER, 82, 34, 82, 34},
        {IDB_OK, 82, 34, 82, 34},
        {IDB_BOX_CLOSE, 11, 10, 11, 10},
        {IDB_LOGIN_SKIN, 1210, 746, 1210, 746},
        {IDB_MIN, 29, 30, 28, 28},
        {IDB_MIN_HOVER, 29, 30, 28, 28},
        {IDB_MIN_PRESSED, 29, 30, 28, 28},
        {IDB_CLOSE, 29, 30, 28, 26},
        {IDB_CLOSE_HOVER, 29, 30, 28, 26},
        {IDB_CLOSE_PRESSED, 29, 30, 28, 26},
        {IDB_CAPTION_LEFT, 203, 30, 203, 30},
        {IDB_CAPTION_MIDDLE, 1, 30, 1, 30},
        {IDB_CAPTION_RIGHT, 92, 30, 92, 30},
        {IDB_FRAME_CLOSE, 28, 26, 28, 26},
        {IDB_FRAME_CLOSE_HOVER, 28, 26, 28, 26},
        {IDB_FRAME_CLOSE_PRESSED, 28, 26, 28, 26},
        {IDB_FRAME_MAXIMISE, 28, 26, 28, 26},
        {IDB_FRAME_MAXIMISE_HOVER, 28, 26, 28, 26},
        {IDB_FRAME_MAXIMISE_PRESSED, 28, 26, 28, 26},
        {IDB_FRAME_RESTORE, 28, 26, 28, 26},
        {IDB_FRAME_RESTORE_HOVER, 28, 26, 28, 26},
        {IDB_FRAME_RESTORE_PRESSED, 28, 26, 28, 26},
        {IDB_FRAME_MINIMISE, 28, 26, 28, 26},
        {IDB_FRAME_MINIMISE_HOVER, 28, 26, 28, 26},
        {IDB_FRAME_MINIMISE_PRESSED, 28, 26, 28, 26},
        {IDB_FRAME_FULLSCREEN, 59, 24, 59, 24},
        {IDB_FRAME_FULLSCREEN_HOVER, 59, 24, 59, 24},
        {IDB_FRAME_FULLSCREEN_PRESSED, 59, 24, 59, 24},
        {IDB_FRAME_BOSSKEY, 97, 24, 97, 24},
        {IDB_FRAME_BOSSKEY_HOVER, 97, 24, 97, 24},
        {IDB_FRAME_BOSSKEY_PRESSED, 97, 24, 97, 24},
        {IDB_FRAME_CLEARCACHE, 78, 24, 78, 24},
        {IDB_FRAME_CLEARCACHE_HOVER, 78, 24, 78, 24},
        {IDB_FRAME_CLEARCACHE_PRESSED, 78, 24, 78, 24},
        {IDB_FRAME_REFRESH, 78, 24, 78, 24},
        {IDB_FRAME_REFRESH_HOVER, 78, 24, 78, 24},
        {IDB_FRAME_REFRESH_PRESSED, 78, 24, 78, 24},
        {IDB_FRAME_RESELECT, 59, 24, 59, 24},
        {IDB_FRAME_RESELECT_HOVER, 59, 24, 59, 24},
        {IDB_FRAME_RESELECT_PRESSED, 59, 24, 59, 24},
        {IDB_OVERLAY_BACKGROUND, 1, 1, 1, 1},
        {IDB_WHEEL_1, 23, 23, 23, 23},
        {IDB_WHEEL_2, 23, 23, 23, 23},
        {IDB_WHEEL_3, 23, 23, 23, 23},
        {IDB_WHEEL_4, 23, 23, 23, 23},
    };
    for (const auto& a : art) {
        SCOPED_TRACE(a.id);
        std::unique_ptr<Gdiplus::Image> image(LoadPngImage(a.id));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->GetWidth(), a.width);
        EXPECT_EQ(image->GetHeight(), a.height);
        GUID format;
        image->GetRawFormat(&format);
        EXPECT_TRUE(IsEqualGUID(format, Gdiplus::ImageFormatPNG));
        EXPECT_TRUE(Gdiplus::IsAlphaPixelFormat(image->GetPixelFormat()));
        auto* bitmap = static_cast<Gdiplus::Bitmap*>(image.get());
        int drawnOutside = 0;
        for (UINT y = 0; y < a.height; ++y) {
            for (UINT x = 0; x < a.width; ++x) {
                if (x < a.shownWidth && y < a.shownHeight) continue;
                Gdiplus::Color c;
                bitmap->GetPixel(static_cast<INT>(x), static_cast<INT>(y), &c);
                drawnOutside += c.GetA() != 0 ? 1 : 0;
            }
        }
        EXPECT_EQ(drawnOutside, 0) << "pixels outside the part that the button shows";
    }
}

// The tray icon carries the three sizes that the shell and the taskbar ask for.
TEST(LoadPngImageTest, TrayIconSizes) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDI_TRAY), RT_GROUP_ICON);
    ASSERT_NE(found, nullptr);
    const BYTE* group = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    ASSERT_NE(group, nullptr);
    // ICONDIR header (6 bytes), then 14-byte entries whose first byte is the width.
    const WORD count = *reinterpret_cast<const WORD*>(group + 4);
    std::vector<int> widths, heights;
    for (WORD i = 0; i < count; ++i) {
        widths.push_back(group[6 + 14 * i]);
        heights.push_back(group[6 + 14 * i + 1]);
    }
    std::sort(widths.begin(), widths.end());
    std::sort(heights.begin(), heights.end());
    EXPECT_EQ(widths, (std::vector<int>{16, 32, 48}));
    EXPECT_EQ(heights, (std::vector<int>{16, 32, 48}));
}

}  // namespace
