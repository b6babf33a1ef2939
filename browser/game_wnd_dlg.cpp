// The game window of the game-host mode.
#include "browser/game_wnd_dlg.h"

#include "browser/my_html_view.h"
#include "res/resource.h"

CGameWndDlg::CGameWndDlg(HWND frameWnd, const std::wstring& gameUrl)
    : CDialog(IDD_GAME_WINDOW), m_hFrameWnd(frameWnd), m_strGameUrl(gameUrl) {}

CGameWndDlg::~CGameWndDlg() {
    delete m_pView;
    m_pView = nullptr;
}

bool CGameWndDlg::PreTranslateMessage(MSG* msg) {
    return CDialog::PreTranslateMessage(msg);
}

BOOL CGameWndDlg::OnInitDialog() {
    return TRUE;
}

bool CGameWndDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return CDialog::OnMessage(msg, wParam, lParam, result);
}
