#include "widgets/touch_button.h"

#include <commctrl.h>

#include "widgets/mem_dc.h"

namespace {

const UINT_PTR kToolId = 1;
const int kTooltipDelayMs = 2000;

// Each colour channel times 1.05 plus 0.05; alpha unchanged.
const Gdiplus::ColorMatrix kBrighten = {{
    {1.05f, 0, 0, 0, 0},
    {0, 1.05f, 0, 0, 0},
    {0, 0, 1.05f, 0, 0},
    {0, 0, 0, 1, 0},
    {0.05f, 0.05f, 0.05f, 0, 1},
}};

SIZE ClientSize(HWND hwnd) {
    RECT client;
    GetClientRect(hwnd, &client);
    return {client.right, client.bottom};
}

// The background, then the image at its natural size, into a new state DC.
void ComposeState(Gdiplus::Graphics& graphics, HDC scratch, HDC background, SIZE size, CGdiPlusBitmap* image,
                  Gdiplus::ImageAttributes* attributes, CDC& state) {
    BitBlt(scratch, 0, 0, size.cx, size.cy, background, 0, 0, SRCCOPY);
    if (image && image->m_pBitmap) {
        const INT width = static_cast<INT>(image->m_pBitmap->GetWidth());
        const INT height = static_cast<INT>(image->m_pBitmap->GetHeight());
        graphics.DrawImage(image->m_pBitmap, Gdiplus::Rect(0, 0, width, height), 0, 0, width, height,
                           Gdiplus::UnitPixel, attributes);
        graphics.Flush(Gdiplus::FlushIntentionSync);
    }
    state.CreateCompatible(scratch, size.cx, size.cy);
    BitBlt(state.GetSafeHdc(), 0, 0, size.cx, size.cy, scratch, 0, 0, SRCCOPY);
}

}  // namespace

CTouchButton::CTouchButton() = default;

CTouchButton::~CTouchButton() {
    DestroyTooltip();
}

void CTouchButton::DestroyTooltip() {
    if (m_pToolTip) DestroyWindow(m_pToolTip);
    m_pToolTip = nullptr;
}

bool CTouchButton::LoadImages(WORD normal, WORD hover, WORD pressed) {
    m_pImgNormal = std::make_unique<CGdiPlusBitmapResource>();
    m_pImgNormal->Load(normal);
    m_pImgHover = std::make_unique<CGdiPlusBitmapResource>();
    const bool hoverLoaded = m_pImgHover->Load(hover);
    m_pImgPressed = std::make_unique<CGdiPlusBitmapResource>();
    m_pImgPressed->Load(pressed);
    return hoverLoaded;
}

void CTouchButton::PreSubclassWindow() {
    ModifyStyle(0, BS_OWNERDRAW, SWP_FRAMECHANGED);
}

bool CTouchButton::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (msg == WM_CTLCOLORBTN || msg == WM_CTLCOLORSTATIC) {
        PrepareStateImages(reinterpret_cast<HDC>(wParam));
        return false;  // a null brush: the parent's own colour handling stands
    }
    return CButton::OnChildNotify(msg, wParam, lParam, result);
}

void CTouchButton::PrepareStateImages(HDC dc) {
    if (m_bPrepared || !m_pImgNormal || !m_pImgHover || !m_pImgPressed) return;
    const SIZE size = ClientSize(m_hWnd);
    const RECT client = {0, 0, size.cx, size.cy};
    CMyMemDC scratch(dc, &client);
    Gdiplus::Graphics graphics(scratch.GetSafeHdc());

    if (!m_dcBk.GetSafeHdc()) {
        HWND parent = GetParent(m_hWnd);
        HDC parentDC = GetDC(parent);
        RECT window;
        GetWindowRect(m_hWnd, &window);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
        if (m_dcBk.CreateCompatible(parentDC, size.cx, size.cy)) {
            BitBlt(m_dcBk.GetSafeHdc(), 0, 0, size.cx, size.cy, parentDC, window.left, window.top, SRCCOPY);
        }
        ReleaseDC(parent, parentDC);
    }
    if (!m_dcNormal.GetSafeHdc()) {
        HDC background = m_dcBk.GetSafeHdc();
        ComposeState(graphics, scratch.GetSafeHdc(), background, size, m_pImgNormal.get(), nullptr, m_dcNormal);
        ComposeState(graphics, scratch.GetSafeHdc(), background, size, m_pImgPressed.get(), nullptr, m_dcPressed);
        Gdiplus::ImageAttributes brighten;
        brighten.SetColorMatrix(&kBrighten);
        ComposeState(graphics, scratch.GetSafeHdc(), background, size, m_pImgHover.get(), &brighten, m_dcHover);
    }
    if (!m_pCurDC) m_pCurDC = &m_dcNormal;
    m_bPrepared = TRUE;
}

void CTouchButton::DrawItem(DRAWITEMSTRUCT* item) {
    if (item->itemState & ODS_SELECTED) {
        m_pCurDC = &m_dcPressed;
    } else if (m_bHover) {
        m_pCurDC = &m_dcHover;
    } else {
        m_pCurDC = &m_dcNormal;
    }
    const SIZE size = ClientSize(m_hWnd);
    BitBlt(item->hDC, 0, 0, size.cx, size.cy, m_pCurDC->GetSafeHdc(), 0, 0, SRCCOPY);
}

bool CTouchButton::PreTranslateMessage(MSG* msg) {
    // A quick second click is a second press, not a double click.
    if (msg->message == WM_LBUTTONDBLCLK) msg->message = WM_LBUTTONDOWN;
    if (m_pToolTip) SendMessageW(m_pToolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    return CButton::PreTranslateMessage(msg);
}

void CTouchButton::SetTooltipText(const std::wstring& text, BOOL activate) {
    if (text.empty()) return;
    if (!m_pToolTip) {
        m_pToolTip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, GetModuleHandleW(nullptr),
                                     nullptr);
        if (!m_pToolTip) return;
        SendMessageW(m_pToolTip, TTM_ACTIVATE, TRUE, 0);
    }
    m_strTooltip = text;

    TOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = m_hWnd;
    tool.uId = kToolId;
    tool.lpszText = const_cast<wchar_t*>(m_strTooltip.c_str());
    GetClientRect(m_hWnd, &tool.rect);
    if (SendMessageW(m_pToolTip, TTM_GETTOOLCOUNT, 0, 0) == 0) {
        SendMessageW(m_pToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    SendMessageW(m_pToolTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(m_pToolTip, TTM_SETDELAYTIME, TTDT_AUTOMATIC, MAKELPARAM(kTooltipDelayMs, 0));
    SendMessageW(m_pToolTip, TTM_ACTIVATE, activate, 0);
}

LRESULT CTouchButton::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_MOUSEMOVE:
        if (!m_bTracking) {
            TRACKMOUSEEVENT track = {};
            track.cbSize = sizeof(track);
            track.dwFlags = TME_HOVER | TME_LEAVE;
            track.hwndTrack = m_hWnd;
            track.dwHoverTime = 1;
            m_bTracking = TrackMouseEvent(&track);
        }
        break;
    case WM_MOUSEHOVER:
        m_bHover = TRUE;
        InvalidateRect(m_hWnd, nullptr, TRUE);
        DestroyTooltip();
        SetTooltipText(m_strTooltip, TRUE);
        if (m_pToolTip) SendMessageW(m_pToolTip, TTM_UPDATE, 0, 0);
        return 0;
    case WM_MOUSELEAVE:
        m_bTracking = FALSE;
        m_bHover = FALSE;
        InvalidateRect(m_hWnd, nullptr, TRUE);
        return 0;
    case WM_SETCURSOR:
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_NCDESTROY:
        DestroyTooltip();
        break;
    }
    return CButton::WindowProc(msg, wParam, lParam);
}
