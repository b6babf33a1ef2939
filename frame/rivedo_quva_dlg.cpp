// The frame's start, its end and its message table.
#include "frame/rivedo_quva_dlg.h"

#include "browser/my_html_view.h"
#include "frame/window_messages.h"
#include "framework/strings.h"
#include "login/rivedo_login.h"
#include "res/resource.h"
#include "widgets/menban_dlg.h"

namespace {
const UINT_PTR IDT_REFIT = 102;
}

CRivedo_QuvaDlg::CRivedo_QuvaDlg() : CDialog(IDD_GAME_FRAME) {}

CRivedo_QuvaDlg::~CRivedo_QuvaDlg() {
    m_overlay.reset();
    m_htmlView.reset();
    RemoveTrayIcon();
    if (m_trayIcon.hIcon) DestroyIcon(m_trayIcon.hIcon);
}

BOOL CRivedo_QuvaDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    BindCaptionButtons();
    m_minimisedByButton = 0;
    SetWindowTextW(m_hWnd, LoadResString(IDS_LAUNCHER_TITLE).c_str());
    ModifyStyle(WS_CAPTION, 0);
    SetWindowPos(m_hWnd, nullptr, 0, 0, 1000, 700, SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    ModifyStyle(0, WS_SYSMENU | WS_MINIMIZEBOX);

    {
        CRivedoLogin login;
        login.DoModal();
        m_gameUrl = login.GetGameUrl();
    }

    AddTrayIcon();
    LoadCaptionButtonImages();
    LoadCaptionPieces();

    m_htmlView = std::make_unique<CMyHtmlView>();
    const RECT none = {};
    if (m_htmlView->Create(L"MyWebBrowser", WS_CHILD | WS_VISIBLE, none, m_hWnd, IDC_GAME_VIEW)) {
        m_htmlView->Navigate2(m_gameUrl);
    } else {
        m_htmlView.reset();
    }

    // The rectangle that a later restore returns to.
    CenterWindow();
    ShowMaximised();

    CreateOverlay();
    m_accel = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_FRAME_ACCEL));
    RegisterHotkeys();
    return TRUE;
}

// Enter and Esc belong to the game page, never to the dialog's default and cancel handling.
bool CRivedo_QuvaDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) return false;
    if (m_accel && TranslateAcceleratorW(m_hWnd, m_accel, msg)) return true;
    return CDialog::PreTranslateMessage(msg);
}

// The frame never closes on IDCANCEL; it only leaves full screen.
void CRivedo_QuvaDlg::OnCancel() {
    if (m_fullScreen) LeaveFullScreen();
}

bool CRivedo_QuvaDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(m_hWnd, &paint);
        EndPaint(m_hWnd, &paint);
        result = 0;
        return true;
    }
    case WM_ERASEBKGND:
        PaintCaption(reinterpret_cast<HDC>(wParam));
        result = TRUE;
        return true;
    case WM_LBUTTONDBLCLK:
        ToggleOnDoubleClick();
        return false;
    case WM_LBUTTONDOWN:
        // Only the restored frame can be dragged by its strip.
        if (!IsZoomed(m_hWnd)) PostMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
        return false;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) ExitPrompt();
        if ((wParam & 0xFFF0) == SC_RESTORE && m_maximised) SetTimer(m_hWnd, IDT_REFIT, 10, nullptr);
        return false;
    case WM_TIMER:
        if (wParam == IDT_REFIT) {
            FitToWorkArea();
            KillTimer(m_hWnd, IDT_REFIT);
        }
        return false;
    case WM_SIZE:
        PlaceViews(m_fullScreen);
        result = 0;
        return true;
    case WM_ACTIVATE:
        // Activating the frame leaves the keyboard focus where it is.
        result = 0;
        return true;
    case WM_TRAYICON:
        result = OnTrayIcon(lParam);
        return true;
    case WM_HOTKEY:
        OnHotkey(wParam);
        return false;
    case WM_GAMEWND_ATTACH:
        m_gameWnd = reinterpret_cast<HWND>(wParam);
        result = 0;
        return true;
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam), HIWORD(wParam))) {
            result = 0;
            return true;
        }
        break;
    }
    return CDialog::OnMessage(msg, wParam, lParam, result);
}

bool CRivedo_QuvaDlg::OnCommand(UINT id, UINT code) {
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_FRAME_MAXIMISE: Maximise(); return true;
        case IDC_FRAME_RESTORE: Restore(); return true;
        case IDC_FRAME_MINIMISE: Minimise(); return true;
        case IDC_FRAME_FULLSCREEN: EnterFullScreen(); return true;
        case IDC_FRAME_BOSSKEY: ShowWindow(m_hWnd, SW_HIDE); return true;
        case IDC_FRAME_CLEARCACHE: StartCacheClearing(); return true;
        case IDC_FRAME_RESELECT: ReselectPrompt(); return true;
        case IDC_FRAME_CLOSE: ClosePrompt(); return true;
        case IDC_FRAME_REFRESH: RefreshGame(); return true;
        }
    }
    switch (id) {
    case ID_TRAY_EXIT: ExitPrompt(); return true;
    case ID_TRAY_CLEARCACHE: StartCacheClearing(); return true;
    case ID_TRAY_SHOWHIDE: ToggleShown(); return true;
    case ID_REFRESH: return true;  // nothing: F5 refreshes through the frame's hotkey
    case ID_CACHE_CLEARED: OnCacheCleared(); return true;
    }
    return false;
}
