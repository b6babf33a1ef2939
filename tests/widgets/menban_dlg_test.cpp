#include "widgets/menban_dlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "res/resource.h"
#include "widgets/png_image.h"
#include "widgets/test_parent.h"

namespace {

// Opens the overlay's animation state to the tests.
class ProbeOverlay : public CMenbanDlg {
public:
    using CMenbanDlg::m_nFrame;
    using CMenbanDlg::m_pCurImage;
    using CMenbanDlg::m_pImages;

    // As if none of the resources could be loaded.
    void DropImages() {
        for (Gdiplus::Image*& image : m_pImages) {
            delete image;
            image = nullptr;
        }
        m_pCurImage = nullptr;
    }
};

struct Rgb {
    int r, g, b;
};

bool Near(const Rgb& a, const Rgb& b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

const Rgb kMask = {25, 25, 25};
const int kWidth = 1000;
const int kHeight = 700;
const RECT kWheel = {488, 298, 488 + 23, 298 + 23};
const RECT kText = {400, 334, 400 + 200, 334 + 31};

// What the player sees: the overlay's client area read back from the screen.
// Xvfb has no compositor, so the window's alpha of 229 shows as opaque and
// the screen holds exactly the overlay's own pixels.
class Shot {
public:
    explicit Shot(HWND hwnd) {
        RECT client;
        GetClientRect(hwnd, &client);
        m_width = client.right;
        m_height = client.bottom;
        POINT origin = {0, 0};
        ClientToScreen(hwnd, &origin);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = m_width;
        info.bmiHeader.biHeight = -m_height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, m_width, m_height, screen, origin.x, origin.y, SRCCOPY);
        GdiFlush();
        const auto* pixels = static_cast<const uint32_t*>(bits);
        m_pixels.assign(pixels, pixels + static_cast<size_t>(m_width) * m_height);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }

    Rgb At(int x, int y) const {
        const uint32_t p = m_pixels[static_cast<size_t>(y) * m_width + x];
        return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)};
    }
    bool operator==(const Shot& other) const { return m_pixels == other.m_pixels; }
    int m_width = 0;
    int m_height = 0;

private:
    std::vector<uint32_t> m_pixels;
};

// A wheel frame as it must look on the mask: the image over RGB(25, 25, 25).
std::vector<Rgb> FrameOnMask(WORD id) {
    std::unique_ptr<Gdiplus::Image> image(LoadPngImage(id));
    std::vector<Rgb> pixels;
    if (!image) return pixels;
    auto* bitmap = static_cast<Gdiplus::Bitmap*>(image.get());
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 23; ++x) {
            Gdiplus::Color c;
            bitmap->GetPixel(x, y, &c);
            auto over = [&](int channel) { return (channel * c.GetA() + kMask.r * (255 - c.GetA()) + 127) / 255; };
            pixels.push_back({over(c.GetR()), over(c.GetG()), over(c.GetB())});
        }
    }
    return pixels;
}

// Pixels of the wheel's box that differ from that frame.
int FrameMismatches(const Shot& shot, const std::vector<Rgb>& frame) {
    int mismatches = 0;
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 23; ++x)
            mismatches += Near(shot.At(kWheel.left + x, kWheel.top + y), frame[y * 23 + x], 2) ? 0 : 1;
    return mismatches;
}

bool Inside(const RECT& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The overlay over a frame-like owner, shown as the frame shows it: created
// hidden, moved over the owner's window rectangle, then shown.
class MenbanDlgTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(owner.Create(nullptr));
        SetWindowPos(owner.GetSafeHwnd(), nullptr, 100, 100, kWidth, kHeight, SWP_NOZORDER | SWP_SHOWWINDOW);
        UpdateWindow(owner.GetSafeHwnd());
        ASSERT_TRUE(overlay.Create(owner.GetSafeHwnd()));
        ShowWindow(overlay.GetSafeHwnd(), SW_HIDE);
        for (WORD id = IDB_WHEEL_1; id <= IDB_WHEEL_4; ++id) {
            frames.push_back(FrameOnMask(id));
            ASSERT_EQ(frames.back().size(), 23u * 23u) << id;
        }
    }

    void Show() {
        RECT rect;
        GetWindowRect(owner.GetSafeHwnd(), &rect);
        SetWindowPos(overlay.GetSafeHwnd(), nullptr, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOZORDER);
        ShowWindow(overlay.GetSafeHwnd(), SW_SHOW);
        UpdateWindow(overlay.GetSafeHwnd());
        PumpMessages();
    }

    // The wheel frame (1 to 4) that the screen shows, or 0 when none matches.
    int ShownFrame() const {
        const Shot shot(overlay.GetSafeHwnd());
        for (int i = 0; i < 4; ++i)
            if (FrameMismatches(shot, frames[i]) == 0) return i + 1;
        return 0;
    }

    void Tick(WPARAM id) { SendMessageW(overlay.GetSafeHwnd(), WM_TIMER, id, 0); }

    TestParent owner{RGB(10, 120, 200)};
    ProbeOverlay overlay;
    std::vector<std::vector<Rgb>> frames;
};

TEST_F(MenbanDlgTest, LayeredPopupOwnedByTheFrame) {
    HWND hwnd = overlay.GetSafeHwnd();
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), owner.GetSafeHwnd());
    EXPECT_TRUE(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED);
    COLORREF key = 1;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags));
    EXPECT_EQ(alpha, 229);
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));
    EXPECT_FALSE(IsWindowVisible(hwnd));
    for (int i = 0; i < 5; ++i) EXPECT_NE(overlay.m_pImages[i], nullptr) << i;
    EXPECT_EQ(overlay.m_pCurImage, overlay.m_pImages[1]);
}

// The whole client area, pixel by pixel: the mask's grey everywhere but the
// wheel's box, which holds exactly the first frame, and the text's box, which
// holds the cream text.
TEST_F(MenbanDlgTest, MaskWheelAndTextWhereTheFrameSizeSaysSo) {
    Show();
    RECT client;
    GetClientRect(overlay.GetSafeHwnd(), &client);
    ASSERT_EQ(client.right, kWidth);
    ASSERT_EQ(client.bottom, kHeight);
    const Shot shot(overlay.GetSafeHwnd());

    EXPECT_EQ(FrameMismatches(shot, frames[0]), 0) << "the first frame at (488, 298)";
    int strayPixels = 0;
    int inkPixels = 0;
    RECT ink = {kWidth, kHeight, -1, -1};
    int brightest = 0;
    Rgb brightestInk = {};
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (Inside(kWheel, x, y)) continue;
            const Rgb p = shot.At(x, y);
            if (Near(p, kMask, 1)) continue;
            if (!Inside(kText, x, y)) {
                if (strayPixels++ == 0) ADD_FAILURE() << "first stray pixel at " << x << "," << y;
                continue;
            }
            ++inkPixels;
            ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y), std::max<LONG>(ink.right, x + 1),
                   std::max<LONG>(ink.bottom, y + 1)};
            if (p.r + p.g + p.b > brightest) {
                brightest = p.r + p.g + p.b;
                brightestInk = p;
            }
        }
    }
    EXPECT_EQ(strayPixels, 0);
    EXPECT_GT(inkPixels, 200) << "the text is drawn";
    EXPECT_TRUE(Near(brightestInk, {255, 245, 211}, 4))
        << brightestInk.r << "," << brightestInk.g << "," << brightestInk.b;
    // Centred across the box and at its top, on one line. The glyphs' ink
    // starts 2 px below the line's top in this prefix's fonts.
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 500, 2);
    EXPECT_LE(ink.top - kText.top, 3);
    EXPECT_LT(ink.bottom - ink.top, 20);
}

TEST_F(MenbanDlgTest, TicksTurnTheWheelThroughItsFourFrames) {
    Show();
    EXPECT_EQ(ShownFrame(), 1);
    // The first tick shows the first frame again: the counter starts at it.
    const int expected[] = {1, 2, 3, 4, 1, 2, 3, 4, 1};
    for (size_t i = 0; i < sizeof(expected) / sizeof(expected[0]); ++i) {
        SCOPED_TRACE(i);
        Tick(IDT_OVERLAY_ANIMATION);
        EXPECT_EQ(overlay.m_pCurImage, overlay.m_pImages[expected[i]]);
        EXPECT_EQ(ShownFrame(), expected[i]) << "painted at once, without pumping";
    }

    // Other timers change nothing: not the counter, not a pixel.
    const int frame = overlay.m_nFrame;
    Gdiplus::Image* const current = overlay.m_pCurImage;
    const Shot before(overlay.GetSafeHwnd());
    for (WPARAM other : {WPARAM(0), WPARAM(1), WPARAM(102), WPARAM(4999), WPARAM(5001)}) {
        Tick(other);
        PumpMessages();
    }
    EXPECT_EQ(overlay.m_nFrame, frame);
    EXPECT_EQ(overlay.m_pCurImage, current);
    EXPECT_TRUE(Shot(overlay.GetSafeHwnd()) == before);

    // Hidden and shown again, the wheel goes on where it stopped.
    ShowWindow(overlay.GetSafeHwnd(), SW_HIDE);
    Show();
    EXPECT_EQ(ShownFrame(), 1);
    Tick(IDT_OVERLAY_ANIMATION);
    EXPECT_EQ(ShownFrame(), 2);
}

// The owner's way of running it: shown over the owner with its 200 ms timer, then hidden.
TEST_F(MenbanDlgTest, RealTimerTurnsTheWheelUntilKilled) {
    overlay.ShowOver(owner.GetSafeHwnd());
    const int start = overlay.m_nFrame;
    int ticks = 0;
    int last = start;
    const DWORD end = GetTickCount() + 1500;
    while (GetTickCount() < end) {
        PumpMessages();
        if (overlay.m_nFrame != last) {
            ++ticks;
            last = overlay.m_nFrame;
        }
        Sleep(10);
    }
    overlay.Hide();
    EXPECT_GE(ticks, 3);
    const int stopped = overlay.m_nFrame;
    const DWORD after = GetTickCount() + 500;
    while (GetTickCount() < after) {
        PumpMessages();
        Sleep(10);
    }
    EXPECT_EQ(overlay.m_nFrame, stopped);
}

// Missing art: no tile, no wheel; painting and ticking go on without them.
TEST_F(MenbanDlgTest, MissingImagesAreSkipped) {
    overlay.DropImages();
    Show();
    Tick(IDT_OVERLAY_ANIMATION);
    Tick(IDT_OVERLAY_ANIMATION);
    EXPECT_EQ(overlay.m_pCurImage, nullptr);
    EXPECT_EQ(overlay.m_nFrame, 3);
    RedrawWindow(overlay.GetSafeHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    PumpMessages();
    const Shot shot(overlay.GetSafeHwnd());
    EXPECT_TRUE(Near(shot.At(kWheel.left + 11, kWheel.top + 11), {255, 255, 255}, 0)) << "only the white fill";
    EXPECT_TRUE(Near(shot.At(5, 5), {255, 255, 255}, 0));
}

TEST(MenbanArtTest, BackgroundTileIsTranslucentBlack) {
    std::unique_ptr<Gdiplus::Image> image(LoadPngImage(IDB_OVERLAY_BACKGROUND));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetPixelFormat(), PixelFormat32bppARGB);
    Gdiplus::Color c;
    ASSERT_EQ(static_cast<Gdiplus::Bitmap*>(image.get())->GetPixel(0, 0, &c), Gdiplus::Ok);
    EXPECT_EQ(c.GetValue(), Gdiplus::Color::MakeARGB(230, 0, 0, 0));
}

}  // namespace
