#include "app/rivedo_app.h"

#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>

#include "app/command_line.h"
#include "app/run_modes.h"

CRivedo_QuvaApp theApp;

BOOL CRivedo_QuvaApp::InitInstance() {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
    InitCommonControlsEx(&controls);
    CWinApp::InitInstance();
    // The browser hosts are created in code rather than from dialog templates,
    // so there is no control container to enable here.
    SetRegistryKey(L"应用程序向导生成的本地应用程序");

    Gdiplus::GdiplusStartupInput gdiplus;
    Gdiplus::GdiplusStartup(&m_gdiplusToken, &gdiplus, nullptr);

    const std::wstring commandLine = GetCommandLineW();
    switch (SelectStartSwitch(commandLine)) {
    case StartSwitch::UpdateApply:
        // Returns only when this process is to go on as the launcher.
        ApplyDownloadedUpdate(commandLine);
        break;
    case StartSwitch::UninstallConfirm:
        RunUninstallConfirmation();
        return FALSE;
    case StartSwitch::UninstallRemove:
        RunUninstallRemoval(commandLine);
        return FALSE;
    case StartSwitch::None:
        break;
    }

    const GameHostArgs host = ParseGameHostArgs(commandLine);
    if (host.frameHandle != 0) {
        HWND frame = reinterpret_cast<HWND>(static_cast<INT_PTR>(host.frameHandle));
        return StartGameHost(*this, frame, host.gameUrl) ? TRUE : FALSE;
    }
    RunLauncher(*this);
    return FALSE;
}

int CRivedo_QuvaApp::ExitInstance() {
    if (m_gdiplusToken) Gdiplus::GdiplusShutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
    return CWinApp::ExitInstance();
}
