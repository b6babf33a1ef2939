// The game window of the game-host mode.
#include "browser/game_wnd_dlg.h"

#include <cstdlib>

#include "browser/my_html_view.h"
#include "frame/window_messages.h"
#include "res/resource.h"

namespace {

const int kCaptionStrip = 30;
const DWORD kWatchdogPeriodMs = 1000;

// Copies for the watchdog, so that it never reads the dialog object that the
// user-interface thread changes (its handle is cleared when the window dies).
struct WatchdogArgs {
    HWND frame;
    HWND dialog;
};

}  // namespace

CGameWndDlg::CGameWndDlg(HWND frameWnd, const std::wstring& gameUrl)
    : CDialog(IDD_GAME_WINDOW), m_hFrameWnd(frameWnd), m_strGameUrl(gameUrl) {}

CGameWndDlg::~CGameWndDlg() {
    delete m_pView;
    m_pView = nullptr;
}

// Enter and Esc belong to the page: the dialog's keyboard handling would turn
// them into IDOK and IDCANCEL.
bool CGameWndDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN)) return false;
    return CDialog::PreTranslateMessage(msg);
}

BOOL CGameWndDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (m_hFrameWnd) {
        CreateView();
        RECT frame;
        GetClientRect(m_hFrameWnd, &frame);
        MoveWindow(m_hWnd, frame.left, frame.top + kCaptionStrip, frame.right - frame.left,
                   frame.bottom - frame.top - kCaptionStrip, TRUE);
        FitViewToClient();
        // The template's WS_VISIBLE takes effect only after this returns, so
        // the window is still hidden here, which keeps the re-parenting quick.
        SetParent(m_hWnd, m_hFrameWnd);
        SendMessageW(m_hFrameWnd, WM_GAMEWND_ATTACH, reinterpret_cast<WPARAM>(m_hWnd), 0);
    }
    HANDLE thread = CreateThread(nullptr, 0, FrameWatchdogThread, new WatchdogArgs{m_hFrameWnd, m_hWnd}, 0, nullptr);
    if (thread) CloseHandle(thread);
    return TRUE;
}

void CGameWndDlg::CreateView() {
    m_pView = new CMyHtmlView;
    const RECT none = {};
    if (!m_pView->Create(L"MyWebBrowser", WS_CHILD | WS_VISIBLE, none, m_hWnd, IDC_GAME_VIEW)) {
        delete m_pView;
        m_pView = nullptr;
        return;
    }
    m_pView->Navigate2(m_strGameUrl);
}

void CGameWndDlg::FitViewToClient() {
    if (!m_pView || !m_pView->m_hWnd) return;
    RECT client;
    GetClientRect(m_hWnd, &client);
    MoveWindow(m_pView->m_hWnd, client.left, client.top, client.right - client.left, client.bottom - client.top,
               FALSE);
}

// The child window dies with the frame, so a timer of its own would never
// notice: the frame is polled from a thread.
DWORD WINAPI CGameWndDlg::FrameWatchdogThread(LPVOID param) {
    const WatchdogArgs args = *static_cast<WatchdogArgs*>(param);
    delete static_cast<WatchdogArgs*>(param);
    while (IsWindow(args.frame)) Sleep(kWatchdogPeriodMs);
    PostMessageW(args.dialog, WM_CLOSE, 0, 0);
    // Grace for the message loop to end by itself.
    Sleep(kWatchdogPeriodMs);
    std::exit(0);
}

void CGameWndDlg::OnLayout(bool wholeClient) {
    if (!m_hFrameWnd) return;
    RECT frame;
    GetClientRect(m_hFrameWnd, &frame);
    if (!wholeClient) frame.top += kCaptionStrip;
    MoveWindow(m_hWnd, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top, FALSE);
    if (!IsWindowVisible(m_hWnd)) ShowWindow(m_hWnd, SW_SHOW);
}

// The window itself stays until the process ends; only the loop is ended.
void CGameWndDlg::OnClose() {
    if (m_pView) {
        if (m_pView->m_hWnd) DestroyWindow(m_pView->m_hWnd);
        delete m_pView;
        m_pView = nullptr;
    }
    PostQuitMessage(0);
}

bool CGameWndDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_CLOSE:
        OnClose();
        result = 0;
        return true;
    case WM_SIZE:
        FitViewToClient();
        return false;
    case WM_GAMEWND_REFRESH:
        if (m_pView) m_pView->Refresh();
        result = 0;
        return true;
    case WM_GAMEWND_LAYOUT:
        OnLayout(wParam != 0);
        result = 0;
        return true;
    }
    return CDialog::OnMessage(msg, wParam, lParam, result);
}
