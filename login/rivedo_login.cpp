#include "login/rivedo_login.h"

#include <cstring>

#include "app/file_utils.h"
#include "app/install.h"
#include "framework/strings.h"
#include "login/login_popup_dlg.h"
#include "res/resource.h"
#include "widgets/arial_font.h"
#include "widgets/png_resource.h"

namespace {

const int kPopupLeft = 372;
const int kPopupTop = 86;
const int kPopupWidth = 690;
const int kPopupHeight = 513;
// Posted by the initialisation to itself: its last steps run once the
// picture is on screen.
const UINT WM_LOGIN_SHOWN = WM_APP + 1;

std::wstring OwnVersion() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return GetFileVersionString(path);
}

}  // namespace

CRivedoLogin::CRivedoLogin() : CDialog(IDD_LOGIN) {}

CRivedoLogin::~CRivedoLogin() {
    m_pPopup.reset();
}

BOOL CRivedoLogin::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowTextW(m_hWnd, LoadResString(IDS_LAUNCHER_TITLE).c_str());

    LoadSkin();
    UpdateLayeredSkin();
    ModifyStyle(0, WS_MINIMIZEBOX);
    CenterWindow();

    // The popup with its browser, then the installation with its files,
    // links and registry values: the picture needs neither to show.
    PostMessageW(m_hWnd, WM_LOGIN_SHOWN, 0, 0);
    return TRUE;
}

void CRivedoLogin::OnShown() {
    m_pPopup = std::make_unique<CLoginPopupDlg>(this);
    m_pPopup->Create(m_hWnd);
    PositionPopup();

    InstallForUser();
}

// The skin as premultiplied pixels, read straight from the PNG: no image
// object and no second full-size pass. Every PNG of the launcher is one the
// reader takes (a test reads them all); a skin it refuses shows nothing.
void CRivedoLogin::LoadSkin() {
    const void* bytes = nullptr;
    DWORD size = 0;
    if (!FindPngResource(IDB_LOGIN_SKIN, bytes, size)) return;
    DecodePngPremultiplied(static_cast<const uint8_t*>(bytes), size, m_skinPixels);
}

// The picture, with the version text drawn into it (a layered window shows
// only what UpdateLayeredWindow gives it), as premultiplied 32-bit pixels.
void CRivedoLogin::UpdateLayeredSkin() {
    if (m_skinPixels.bgra.empty()) return;
    const UINT width = m_skinPixels.width;
    const UINT height = m_skinPixels.height;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC windowDC = GetDC(m_hWnd);
    HDC memoryDC = CreateCompatibleDC(windowDC);
    HBITMAP dib = CreateDIBSection(windowDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib && memoryDC) {
        HGDIOBJ old = SelectObject(memoryDC, dib);
        {
            std::memcpy(bits, m_skinPixels.bgra.data(), m_skinPixels.bgra.size());
            Gdiplus::Bitmap canvas(static_cast<INT>(width), static_cast<INT>(height), static_cast<INT>(width * 4),
                                   PixelFormat32bppPARGB, static_cast<BYTE*>(bits));
            Gdiplus::Graphics graphics(&canvas);

            if (auto font = MakeArialFont(memoryDC, 10, Gdiplus::FontStyleRegular)) {
                graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
                Gdiplus::SolidBrush gold(Gdiplus::Color(0xFF, 0xCB, 0xAE, 0x5B));
                Gdiplus::StringFormat format(0, LANG_NEUTRAL);
                format.SetAlignment(Gdiplus::StringAlignmentNear);
                format.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
                const Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(width) - 60,
                                            static_cast<Gdiplus::REAL>(height) - 33, 200, 31);
                const std::wstring version = OwnVersion();
                graphics.DrawString(version.c_str(), -1, font.get(), layout, &format, &gold);
            }
        }

        RECT window;
        GetWindowRect(m_hWnd, &window);
        POINT destination = {window.left, window.top};
        SIZE size = {static_cast<LONG>(width), static_cast<LONG>(height)};
        POINT source = {0, 0};
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        const LONG_PTR exStyle = GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE);
        if (!(exStyle & WS_EX_LAYERED)) SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        UpdateLayeredWindow(m_hWnd, windowDC, &destination, &size, memoryDC, &source, 0, &blend, ULW_ALPHA);
        SelectObject(memoryDC, old);
    }
    if (dib) DeleteObject(dib);
    if (memoryDC) DeleteDC(memoryDC);
    ReleaseDC(m_hWnd, windowDC);
}

void CRivedoLogin::PositionPopup() {
    if (!m_pPopup || !m_pPopup->GetSafeHwnd()) return;
    RECT window;
    GetWindowRect(m_hWnd, &window);
    HWND popup = m_pPopup->GetSafeHwnd();
    // Minimised, the popup goes out of sight with the window rather than
    // being placed beside wherever the minimised window is parked.
    if (IsIconic(m_hWnd)) {
        ShowWindow(popup, SW_HIDE);
        return;
    }
    MoveWindow(popup, window.left + kPopupLeft, window.top + kPopupTop, kPopupWidth, kPopupHeight, TRUE);
    // Shown with the window, not before it: a popup shown first can end up
    // stacked below its owner where no window manager keeps the order.
    if (!IsWindowVisible(popup) && IsWindowVisible(m_hWnd)) ShowWindow(popup, SW_SHOW);
}

bool CRivedoLogin::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_NCHITTEST:
        // Any visible point of the picture drags the window.
        result = DefWindowProcW(m_hWnd, msg, wParam, lParam);
        if (result == HTCLIENT) result = HTCAPTION;
        return true;
    case WM_WINDOWPOSCHANGED:
        DefWindowProcW(m_hWnd, msg, wParam, lParam);
        PositionPopup();
        result = 0;
        return true;
    case WM_LOGIN_SHOWN:
        OnShown();
        result = 0;
        return true;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) ConfirmExit();
        return false;  // the default turns SC_CLOSE into IDCANCEL, which does nothing here
    }
    return CDialog::OnMessage(msg, wParam, lParam, result);
}
