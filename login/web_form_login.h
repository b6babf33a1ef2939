#pragma once
#include "browser/web_browser_base.h"

#include <string>

// The URL of the login form's latest navigation, for command 10001.
extern std::wstring g_lastNavigateUrl;

// The login page inside the login popup. Every navigation is reported to the
// popup; the one to a "play_gamecode" URL is cancelled, for that URL is the
// game URL. The first finished load of the page runs the update check.
class WebFormLogin : public CWebBrowserBase {
public:
    HWND GetHWND() override;
    void OnDocumentComplete(std::wstring url) override;
    void OnBeforeNavigate2(std::wstring url, VARIANT_BOOL* cancel) override;
    void OnNavigateError(std::wstring url, bool topLevel) override;

    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
    STDMETHODIMP GetExternal(IDispatch** external) override;

    HWND m_hWndHost = nullptr;
    BOOL m_bUpdateCheckDone = FALSE;

private:
    void RunUpdateCheckOnce();
};
