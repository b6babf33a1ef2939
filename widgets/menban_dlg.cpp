// The wait mask over the frame.
#include "widgets/menban_dlg.h"

#include <string>

#include "framework/dc.h"
#include "framework/strings.h"
#include "res/resource.h"
#include "widgets/arial_font.h"
#include "widgets/png_image.h"

namespace {

const BYTE kOpacity = 229;
const int kWheelRaise = 40;  // the wheel sits this far above the centre, the text just below it
const int kTextWidth = 200;
const int kTextHeight = 31;

}  // namespace

CMenbanDlg::CMenbanDlg() : CDialog(IDD_OVERLAY) {}

CMenbanDlg::~CMenbanDlg() {
    // The window goes first: it paints from the images.
    if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
    FreeImages();
}

void CMenbanDlg::FreeImages() {
    for (Gdiplus::Image*& image : m_pImages) {
        delete image;
        image = nullptr;
    }
    m_pCurImage = nullptr;
}

BOOL CMenbanDlg::OnInitDialog() {
    // The dialog base's start-up adds nothing here. A second Create must not
    // leak the first window's images.
    FreeImages();
    const WORD ids[] = {IDB_OVERLAY_BACKGROUND, IDB_WHEEL_1, IDB_WHEEL_2, IDB_WHEEL_3, IDB_WHEEL_4};
    for (int i = 0; i < 5; ++i) m_pImages[i] = LoadPngImage(ids[i]);
    m_pCurImage = m_pImages[1];
    m_nFrame = 1;

    SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(m_hWnd, 0, kOpacity, LWA_ALPHA);
    return TRUE;
}

void CMenbanDlg::ShowOver(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    SetWindowPos(m_hWnd, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, SWP_NOZORDER);
    SetTimer(m_hWnd, IDT_OVERLAY_ANIMATION, 200, nullptr);
    ShowWindow(m_hWnd, SW_SHOW);
}

void CMenbanDlg::Hide() {
    KillTimer(m_hWnd, IDT_OVERLAY_ANIMATION);
    ShowWindow(m_hWnd, SW_HIDE);
}

bool CMenbanDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:
        // WM_PAINT covers every pixel; erasing first would only flicker.
        result = TRUE;
        return true;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(m_hWnd, &ps);
        if (dc) Paint(dc);
        EndPaint(m_hWnd, &ps);
        result = 0;
        return true;
    }
    case WM_TIMER:
        // Other timers are not the overlay's to answer.
        if (wParam != IDT_OVERLAY_ANIMATION) break;
        NextFrame();
        result = 0;
        return true;
    }
    return CDialog::OnMessage(msg, wParam, lParam, result);
}

bool CMenbanDlg::WheelRect(RECT& rect) const {
    if (!m_pCurImage) return false;
    RECT client;
    GetClientRect(m_hWnd, &client);
    const int width = static_cast<int>(m_pCurImage->GetWidth());
    const int height = static_cast<int>(m_pCurImage->GetHeight());
    rect.left = (client.right - width) / 2;
    rect.top = (client.bottom - height) / 2 - kWheelRaise;
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
    return true;
}

void CMenbanDlg::Paint(HDC dc) {
    RECT client;
    GetClientRect(m_hWnd, &client);
    const int width = client.right;
    const int height = client.bottom;
    CDC buffer;
    if (!buffer.CreateCompatible(dc, width, height)) return;
    HDC memory = buffer.GetSafeHdc();
    FillRect(memory, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    {
        Gdiplus::Graphics graphics(memory);
        // The translucent black tile over white gives the mask's dark grey.
        if (m_pImages[0]) {
            Gdiplus::TextureBrush tile(m_pImages[0], Gdiplus::WrapModeTile);
            if (tile.GetLastStatus() == Gdiplus::Ok) {
                tile.TranslateTransform(static_cast<Gdiplus::REAL>(client.left), static_cast<Gdiplus::REAL>(client.top));
                graphics.FillRectangle(&tile, 0, 0, width, height);
            }
        }
        RECT wheel;
        if (WheelRect(wheel)) {
            graphics.DrawImage(m_pCurImage, static_cast<INT>(wheel.left), static_cast<INT>(wheel.top),
                               static_cast<INT>(wheel.right - wheel.left), static_cast<INT>(wheel.bottom - wheel.top));
        }
        if (auto font = MakeArialFont(memory, 14, Gdiplus::FontStyleRegular)) {
            const std::wstring text = LoadResString(IDS_CLEARING_CACHE);
            Gdiplus::StringFormat format;
            format.SetAlignment(Gdiplus::StringAlignmentCenter);
            format.SetTrimming(Gdiplus::StringTrimmingEllipsisWord);
            // Whole lines only: a line that half fits would otherwise be drawn below the box.
            format.SetFormatFlags(Gdiplus::StringFormatFlagsLineLimit);
            const Gdiplus::RectF box(static_cast<Gdiplus::REAL>((width - kTextWidth) / 2),
                                     static_cast<Gdiplus::REAL>((height - kTextHeight) / 2), kTextWidth, kTextHeight);
            Gdiplus::SolidBrush cream(Gdiplus::Color(255, 255, 245, 211));
            graphics.DrawString(text.c_str(), -1, font.get(), box, &format, &cream);
        }
    }
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
}

void CMenbanDlg::NextFrame() {
    if (m_nFrame < 1 || m_nFrame > 4) m_nFrame = 1;
    m_pCurImage = m_pImages[m_nFrame];
    RECT wheel;
    if (WheelRect(wheel)) {
        InvalidateRect(m_hWnd, &wheel, TRUE);
        UpdateWindow(m_hWnd);
    }
    ++m_nFrame;
}
