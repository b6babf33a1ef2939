#include "login/web_form_login.h"

#include "res/resource.h"
#include "update/update_check.h"

std::wstring g_lastNavigateUrl;

HWND WebFormLogin::GetHWND() {
    return m_hWndHost;
}

void WebFormLogin::OnBeforeNavigate2(std::wstring url, VARIANT_BOOL* cancel) {
    // Sub-frames count too: the marker may come from any frame of the page.
    if (url.find(L"play_gamecode") != std::wstring::npos && cancel) *cancel = VARIANT_TRUE;
    if (m_hWndHost) {
        g_lastNavigateUrl = url;
        SendMessageW(m_hWndHost, WM_COMMAND, ID_CHECK_GAME_URL, 0);
    }
}

void WebFormLogin::RunUpdateCheckOnce() {
    if (m_bUpdateCheckDone) return;
    m_bUpdateCheckDone = TRUE;
    RunUpdateCheck();
}

void WebFormLogin::OnDocumentComplete(std::wstring) {
    RunUpdateCheckOnce();
    SetBrowserRect(&m_displayRect);
}

// A login page that cannot load ends its first load here, with no
// DocumentComplete; a launcher in that state most needs its update check.
// The page stays hidden behind the waiting notice.
void WebFormLogin::OnNavigateError(std::wstring, bool topLevel) {
    if (topLevel) RunUpdateCheckOnce();
}

STDMETHODIMP WebFormLogin::GetHostInfo(DOCHOSTUIINFO* info) {
    if (info) info->dwFlags |= DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;
    return S_OK;
}

STDMETHODIMP WebFormLogin::GetExternal(IDispatch** external) {
    if (external) *external = nullptr;
    return S_OK;
}
