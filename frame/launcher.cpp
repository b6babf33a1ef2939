#include "app/run_modes.h"

#include "framework/win_app.h"
#include "login/rivedo_login.h"

// Until the game frame exists, launcher mode is the sign-in: it runs the login
// window and reports the captured game URL to the debugger.
void RunLauncher(CWinApp& app) {
    CRivedoLogin login;
    app.m_pMainWnd = &login;
    login.DoModal();
    app.m_pMainWnd = nullptr;
    const std::wstring line = L"Game URL: " + login.GetGameUrl() + L"\r\n";
    OutputDebugStringW(line.c_str());
}
