// Window states of the frame, its layout and its game views.
#include "frame/rivedo_quva_dlg.h"

#include "browser/my_html_view.h"
#include "frame/window_messages.h"

namespace {
const int kCaptionHeight = 30;
}

void CRivedo_QuvaDlg::PlaceViews(bool full) {
    if (m_htmlView && m_htmlView->GetSafeHwnd()) {
        RECT client;
        GetClientRect(m_hWnd, &client);
        if (!full) client.top += kCaptionHeight;
        HWND view = m_htmlView->GetSafeHwnd();
        MoveWindow(view, client.left, client.top, client.right - client.left, client.bottom - client.top, FALSE);
        // Moved without a repaint, the page would keep showing the strip
        // where full screen uncovers it.
        RedrawWindow(view, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    if (m_gameWnd) SendMessageW(m_gameWnd, WM_GAMEWND_LAYOUT, full ? 1 : 0, 0);
}

// The work area as the system reports it, so a taskbar on any edge (or none) is left free.
void CRivedo_QuvaDlg::FitToWorkArea() {
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(m_hWnd, nullptr, work.left, work.top, work.right - work.left, work.bottom - work.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceViews(false);
    InvalidateCaption();
}

// The work-area state; the caption buttons are laid out for its size.
void CRivedo_QuvaDlg::ShowMaximised() {
    SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    m_maximised = true;
    FitToWorkArea();
    LayoutCaptionButtons();
    ShowMaximiseOrRestore();
    InvalidateCaption();
}

// Back to the 1000 x 700 rectangle, wherever the player left it.
void CRivedo_QuvaDlg::ShowRestored() {
    m_maximised = false;
    SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    LayoutCaptionButtons();
    PlaceViews(false);
    ShowMaximiseOrRestore();
    const RECT strip = {0, 0, 1000, kCaptionHeight};
    InvalidateRect(m_hWnd, &strip, TRUE);
}

void CRivedo_QuvaDlg::Maximise() {
    m_minimisedByButton = 0;
    ShowMaximised();
}

void CRivedo_QuvaDlg::Restore() {
    m_minimisedByButton = 0;
    ShowRestored();
}

void CRivedo_QuvaDlg::Minimise() {
    m_minimisedByButton = 1;
    SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void CRivedo_QuvaDlg::EnterFullScreen() {
    m_minimisedByButton = 0;
    GoFullScreen();
}

// Full screen without touching the minimise flag: the hotkey's way in.
void CRivedo_QuvaDlg::GoFullScreen() {
    m_fullScreen = true;
    SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    SetWindowPos(m_hWnd, nullptr, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceViews(true);
    ShowCaptionButtons(SW_HIDE);
    UpdateWindow(m_hWnd);
}

// Always lands maximised, whichever state full screen was entered from.
void CRivedo_QuvaDlg::LeaveFullScreen() {
    m_fullScreen = false;
    ShowCaptionButtons(SW_SHOW);
    ShowMaximised();
}

// The caption strip's double click; the minimise flag stays as it is.
void CRivedo_QuvaDlg::ToggleOnDoubleClick() {
    if (IsZoomed(m_hWnd)) {
        ShowRestored();
    } else {
        ShowMaximised();
    }
}

void CRivedo_QuvaDlg::RefreshGame() {
    if (m_htmlView) m_htmlView->Refresh();
    if (m_gameWnd) PostMessageW(m_gameWnd, WM_GAMEWND_REFRESH, 0, 0);
}
