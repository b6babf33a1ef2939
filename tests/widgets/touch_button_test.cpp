#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "res/resource.h"
#include "widgets/test_parent.h"

namespace {

const COLORREF kBackground = RGB(10, 120, 200);

struct Rgb {
    int r, g, b;
};

Rgb PixelAt(const CDC& dc, int x, int y) {
    COLORREF c = GetPixel(dc.GetSafeHdc(), x, y);
    return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

int Brighten(int channel) {
    return std::min(255, static_cast<int>(std::lround(channel * 1.05 + 0.05 * 255)));
}

bool Near(int a, int b) {
    return std::abs(a - b) <= 2;
}

class TouchButtonTest : public testing::Test {
protected:
    void ShowAndPaint() {
        ASSERT_TRUE(parent.Create(nullptr));
        ShowWindow(parent.GetSafeHwnd(), SW_SHOWNOACTIVATE);
        UpdateWindow(parent.GetSafeHwnd());
        PumpMessages();
    }
    TestParent parent{kBackground};
};

// Same image for every state: hover is that image brightened, per channel, where it is opaque.
TEST_F(TouchButtonTest, StatesAreComposedOverTheCapturedBackground) {
    // Loading happens before the first paint, as the owners do it.
    ASSERT_TRUE(parent.Create(nullptr));
    EXPECT_TRUE(parent.first.LoadImages(IDB_OK, IDB_OK, IDB_OK));
    EXPECT_FALSE(parent.second.LoadImages(IDB_BOX_CLOSE, 4242, IDB_OK_HOVER)) << "hover image is missing";
    ShowWindow(parent.GetSafeHwnd(), SW_SHOWNOACTIVATE);
    UpdateWindow(parent.GetSafeHwnd());
    PumpMessages();

    ProbeButton& same = parent.first;
    ProbeButton& mixed = parent.second;
    ASSERT_NE(same.m_dcHover.GetSafeHdc(), nullptr);
    ASSERT_NE(mixed.m_dcHover.GetSafeHdc(), nullptr);

    CGdiPlusBitmapResource ok;
    ASSERT_TRUE(ok.Load(IDB_OK));
    CGdiPlusBitmapResource okHover;
    ASSERT_TRUE(okHover.Load(IDB_OK_HOVER));
    CGdiPlusBitmapResource cross;
    ASSERT_TRUE(cross.Load(IDB_BOX_CLOSE));

    RECT client;
    GetClientRect(same.GetSafeHwnd(), &client);
    int opaqueChecked = 0;
    int clearChecked = 0;
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x) {
            const Rgb bk = PixelAt(same.m_dcBk, x, y);
            ASSERT_TRUE(bk.r == 10 && bk.g == 120 && bk.b == 200) << "background at " << x << "," << y;

            Gdiplus::Color image;
            if (x < static_cast<int>(ok.m_pBitmap->GetWidth()) && y < static_cast<int>(ok.m_pBitmap->GetHeight()) &&
                ok.m_pBitmap->GetPixel(x, y, &image) == Gdiplus::Ok && image.GetA() == 255) {
                const Rgb normal = PixelAt(same.m_dcNormal, x, y);
                const Rgb hover = PixelAt(same.m_dcHover, x, y);
                EXPECT_TRUE(Near(normal.r, image.GetR()) && Near(normal.g, image.GetG()) && Near(normal.b, image.GetB()));
                EXPECT_TRUE(Near(hover.r, Brighten(normal.r)) && Near(hover.g, Brighten(normal.g)) &&
                            Near(hover.b, Brighten(normal.b)))
                    << "hover at " << x << "," << y;
                ++opaqueChecked;
            }

            // The mixed button: a missing hover image leaves only the background.
            const Rgb mixedHover = PixelAt(mixed.m_dcHover, x, y);
            EXPECT_TRUE(mixedHover.r == 10 && mixedHover.g == 120 && mixedHover.b == 200);
            Gdiplus::Color pressedImage;
            if (okHover.m_pBitmap->GetPixel(x, y, &pressedImage) == Gdiplus::Ok && pressedImage.GetA() == 255) {
                const Rgb pressed = PixelAt(mixed.m_dcPressed, x, y);
                EXPECT_TRUE(Near(pressed.r, pressedImage.GetR()) && Near(pressed.g, pressedImage.GetG()) &&
                            Near(pressed.b, pressedImage.GetB()));
            }
            Gdiplus::Color crossPixel(0, 0, 0, 0);
            const bool onCross = x < static_cast<int>(cross.m_pBitmap->GetWidth()) &&
                                 y < static_cast<int>(cross.m_pBitmap->GetHeight());
            if (onCross) cross.m_pBitmap->GetPixel(x, y, &crossPixel);
            if (crossPixel.GetA() == 0) {
                const Rgb normal = PixelAt(mixed.m_dcNormal, x, y);
                EXPECT_TRUE(normal.r == 10 && normal.g == 120 && normal.b == 200) << "clear pixel shows background";
                ++clearChecked;
            }
        }
    }
    EXPECT_GT(opaqueChecked, 1000);
    EXPECT_GT(clearChecked, 100);

    // The background was captured once: a new parent colour does not reach the states.
    parent.SetBackground(RGB(250, 0, 0));
    RedrawWindow(parent.GetSafeHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
    const Rgb after = PixelAt(mixed.m_dcNormal, client.right - 1, client.bottom - 1);
    EXPECT_TRUE(after.r == 10 && after.g == 120 && after.b == 200);
}

TEST_F(TouchButtonTest, DoubleClickCountsAsTwoPresses) {
    ASSERT_TRUE(parent.Create(nullptr));
    parent.first.LoadImages(IDB_OK, IDB_OK_HOVER, IDB_OK_HOVER);
    ShowWindow(parent.GetSafeHwnd(), SW_SHOWNOACTIVATE);
    PumpMessages();
    HWND button = parent.first.GetSafeHwnd();
    const LPARAM at = MAKELPARAM(5, 5);
    PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(button, WM_LBUTTONUP, 0, at);
    PostMessageW(button, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageW(button, WM_LBUTTONUP, 0, at);
    PumpMessages();
    EXPECT_EQ(parent.clicks, 2);
}

TEST_F(TouchButtonTest, HandCursorAndLazyTooltip) {
    ShowAndPaint();
    ProbeButton& button = parent.first;
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(SendMessageW(button.GetSafeHwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(button.GetSafeHwnd()),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));

    // No text: hovering creates no tooltip.
    SendMessageW(button.GetSafeHwnd(), WM_MOUSEHOVER, 0, 0);
    EXPECT_EQ(button.m_pToolTip, nullptr);
    button.SetTooltipText(L"");
    EXPECT_EQ(button.m_pToolTip, nullptr);

    // With text, every hover makes a fresh tooltip.
    button.SetTooltipText(L"刷新");
    HWND firstTip = button.m_pToolTip;
    ASSERT_NE(firstTip, nullptr);
    SendMessageW(button.GetSafeHwnd(), WM_MOUSEHOVER, 0, 0);
    HWND secondTip = button.m_pToolTip;
    ASSERT_NE(secondTip, nullptr);
    EXPECT_FALSE(IsWindow(firstTip));
    EXPECT_EQ(SendMessageW(secondTip, TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessageW(secondTip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 2000);
}

}  // namespace
