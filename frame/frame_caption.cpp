// The caption strip: its nine image buttons and its painting.
#include "frame/rivedo_quva_dlg.h"

#include "framework/dc.h"
#include "res/resource.h"
#include "widgets/png_image.h"

namespace {

const int kCaptionHeight = 30;
const int kButtonTop = 3;

struct CaptionButton {
    int id;
    WORD normal, hover, pressed;
    int width, height;
    int fromRight;  // x = client right - fromRight
    const wchar_t* tooltip;
};

// In the order of m_captionButtons.
const CaptionButton kCaptionButtons[9] = {
    {IDC_FRAME_CLOSE, IDB_FRAME_CLOSE, IDB_FRAME_CLOSE_HOVER, IDB_FRAME_CLOSE_PRESSED, 28, 26, 28, nullptr},
    {IDC_FRAME_MAXIMISE, IDB_FRAME_MAXIMISE, IDB_FRAME_MAXIMISE_HOVER, IDB_FRAME_MAXIMISE_PRESSED, 28, 26, 57,
     nullptr},
    {IDC_FRAME_RESTORE, IDB_FRAME_RESTORE, IDB_FRAME_RESTORE_HOVER, IDB_FRAME_RESTORE_PRESSED, 28, 26, 57, nullptr},
    {IDC_FRAME_MINIMISE, IDB_FRAME_MINIMISE, IDB_FRAME_MINIMISE_HOVER, IDB_FRAME_MINIMISE_PRESSED, 28, 26, 86,
     nullptr},
    {IDC_FRAME_FULLSCREEN, IDB_FRAME_FULLSCREEN, IDB_FRAME_FULLSCREEN_HOVER, IDB_FRAME_FULLSCREEN_PRESSED, 85, 24,
     192, L"全屏/取消全屏（快捷键F11）"},
    {IDC_FRAME_BOSSKEY, IDB_FRAME_BOSSKEY, IDB_FRAME_BOSSKEY_HOVER, IDB_FRAME_BOSSKEY_PRESSED, 97, 24, 294,
     L"老板键（快捷键F10）"},
    {IDC_FRAME_CLEARCACHE, IDB_FRAME_CLEARCACHE, IDB_FRAME_CLEARCACHE_HOVER, IDB_FRAME_CLEARCACHE_PRESSED, 85, 24,
     384, L"清除缓存"},
    {IDC_FRAME_REFRESH, IDB_FRAME_REFRESH, IDB_FRAME_REFRESH_HOVER, IDB_FRAME_REFRESH_PRESSED, 78, 24, 458, L"刷新"},
    {IDC_FRAME_RESELECT, IDB_FRAME_RESELECT, IDB_FRAME_RESELECT_HOVER, IDB_FRAME_RESELECT_PRESSED, 59, 24, 522,
     L"选择新的服务器"},
};

// Fills rect with image tiled from the rectangle's own top-left corner.
void FillTiled(Gdiplus::Graphics& graphics, Gdiplus::Image* image, const Gdiplus::Rect& rect) {
    Gdiplus::TextureBrush brush(image, Gdiplus::WrapModeTile);
    brush.TranslateTransform(static_cast<Gdiplus::REAL>(rect.X), static_cast<Gdiplus::REAL>(rect.Y));
    graphics.FillRectangle(&brush, rect);
}

}  // namespace

void CRivedo_QuvaDlg::BindCaptionButtons() {
    for (int i = 0; i < 9; ++i) m_captionButtons[i].SubclassDlgItem(kCaptionButtons[i].id, this);
}

void CRivedo_QuvaDlg::LoadCaptionButtonImages() {
    for (int i = 0; i < 9; ++i) {
        const CaptionButton& b = kCaptionButtons[i];
        m_captionButtons[i].LoadImages(b.normal, b.hover, b.pressed);
        if (b.tooltip) m_captionButtons[i].SetTooltipText(b.tooltip, TRUE);
    }
}

void CRivedo_QuvaDlg::LoadCaptionPieces() {
    m_captionLeft.reset(LoadPngImage(IDB_CAPTION_LEFT));
    m_captionMiddle.reset(LoadPngImage(IDB_CAPTION_MIDDLE));
    m_captionRight.reset(LoadPngImage(IDB_CAPTION_RIGHT));
}

void CRivedo_QuvaDlg::LayoutCaptionButtons() {
    RECT client;
    GetClientRect(m_hWnd, &client);
    for (int i = 0; i < 9; ++i) {
        const CaptionButton& b = kCaptionButtons[i];
        SetWindowPos(m_captionButtons[i].GetSafeHwnd(), nullptr, client.right - b.fromRight, kButtonTop, b.width,
                     b.height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CRivedo_QuvaDlg::ShowCaptionButtons(int nCmdShow) {
    for (CTouchButton& button : m_captionButtons) ShowWindow(button.GetSafeHwnd(), nCmdShow);
}

// Maximise and restore share one place: restore while maximised, maximise otherwise.
void CRivedo_QuvaDlg::ShowMaximiseOrRestore() {
    ShowWindow(GetDlgItem(m_hWnd, IDC_FRAME_MAXIMISE), m_maximised ? SW_HIDE : SW_SHOW);
    ShowWindow(GetDlgItem(m_hWnd, IDC_FRAME_RESTORE), m_maximised ? SW_SHOW : SW_HIDE);
}

void CRivedo_QuvaDlg::InvalidateCaption() {
    RECT strip;
    GetClientRect(m_hWnd, &strip);
    strip.bottom = kCaptionHeight;
    InvalidateRect(m_hWnd, &strip, TRUE);
}

void CRivedo_QuvaDlg::PaintCaption(HDC dc) {
    if (!m_captionLeft || !m_captionMiddle || !m_captionRight || m_fullScreen) return;
    RECT client;
    GetClientRect(m_hWnd, &client);
    const int width = client.right;
    if (width <= 0) return;
    CDC strip;
    if (!strip.CreateCompatible(dc, width, kCaptionHeight)) return;
    {
        Gdiplus::Graphics graphics(strip.GetSafeHdc());
        const int left = static_cast<int>(m_captionLeft->GetWidth());
        const int right = static_cast<int>(m_captionRight->GetWidth());
        FillTiled(graphics, m_captionLeft.get(),
                  Gdiplus::Rect(0, 0, left, static_cast<INT>(m_captionLeft->GetHeight())));
        FillTiled(graphics, m_captionMiddle.get(),
                  Gdiplus::Rect(left, 0, width - left - right, static_cast<INT>(m_captionMiddle->GetHeight())));
        FillTiled(graphics, m_captionRight.get(),
                  Gdiplus::Rect(width - right, 0, right, static_cast<INT>(m_captionRight->GetHeight())));
    }
    BitBlt(dc, 0, 0, width, kCaptionHeight, strip.GetSafeHdc(), 0, 0, SRCCOPY);
}
