// The ways out of the frame (its prompts and the restart), the tray icon and the tray menu.
#include "frame/rivedo_quva_dlg.h"

#include "frame/custom_message_box.h"
#include "frame/window_messages.h"
#include "framework/strings.h"
#include "res/resource.h"

decltype(&Shell_NotifyIconW) g_frameNotifyIcon = Shell_NotifyIconW;
decltype(&CreateProcessW) g_frameCreateProcess = CreateProcessW;

namespace {

const int kMenuLeftOfCursor = 130;

std::wstring ExitQuestion() {
    return L"是否退出" + LoadResString(IDS_LAUNCHER_TITLE) + L"？";
}

}  // namespace

void CRivedo_QuvaDlg::AddTrayIcon() {
    m_trayIcon.cbSize = sizeof(m_trayIcon);
    m_trayIcon.hWnd = m_hWnd;
    m_trayIcon.uID = 0;
    m_trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_trayIcon.uCallbackMessage = WM_TRAYICON;
    m_trayIcon.hIcon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TRAY),
                                                     IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                     GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    const std::wstring tip = LoadResString(IDS_LAUNCHER_TITLE);
    lstrcpynW(m_trayIcon.szTip, tip.c_str(), ARRAYSIZE(m_trayIcon.szTip));
    g_frameNotifyIcon(NIM_ADD, &m_trayIcon);
    m_trayIconAdded = true;
}

void CRivedo_QuvaDlg::RemoveTrayIcon() {
    if (!m_trayIconAdded) return;
    g_frameNotifyIcon(NIM_DELETE, &m_trayIcon);
    m_trayIconAdded = false;
}

void CRivedo_QuvaDlg::CloseGameWindow() {
    if (!m_gameWnd) return;
    SendMessageW(m_gameWnd, WM_CLOSE, 0, 0);
    // Lets the game-host process tear down before the frame goes on.
    Sleep(50);
}

void CRivedo_QuvaDlg::ExitFrame() {
    RemoveTrayIcon();
    CloseGameWindow();
    EndDialog(0);
}

// A fresh launcher without arguments begins again with the login window.
void CRivedo_QuvaDlg::RestartLauncher() {
    ShowWindow(m_hWnd, SW_HIDE);
    CloseGameWindow();
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, TRUE};
    SECURITY_ATTRIBUTES threadSecurity = security;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (g_frameCreateProcess(path, nullptr, &security, &threadSecurity, FALSE, CREATE_DEFAULT_ERROR_MODE, nullptr,
                             nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    EndDialog(0);
}

void CRivedo_QuvaDlg::ExitPrompt() {
    if (ConfirmBox(L"关闭提示", ExitQuestion())) ExitFrame();
}

void CRivedo_QuvaDlg::ClosePrompt() {
    if (!ConfirmBox(L"关闭提示", ExitQuestion())) return;
    RemoveTrayIcon();
    CloseGameWindow();
    // The player has chosen to leave; refusing the restart still leaves,
    // rather than keeping a frame without its tray icon and game.
    if (ConfirmBox(L"选服", L"是否退出当前区服，重新选择新区服？")) {
        RestartLauncher();
    } else {
        ExitFrame();
    }
}

void CRivedo_QuvaDlg::ReselectPrompt() {
    if (ConfirmBox(L"选服", L"您是否退出当前服务器，重新选择新服务器？")) RestartLauncher();
}

// Visibility only: a minimised frame stays minimised.
void CRivedo_QuvaDlg::ToggleShown() {
    ShowWindow(m_hWnd, IsWindowVisible(m_hWnd) ? SW_HIDE : SW_SHOW);
}

LRESULT CRivedo_QuvaDlg::OnTrayIcon(LPARAM lParam) {
    switch (LOWORD(lParam)) {
    case WM_LBUTTONDOWN:
        ShowWindow(m_hWnd, SW_SHOW);
        SetForegroundWindow(m_hWnd);
        break;
    case WM_RBUTTONUP: {
        HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAY_MENU));
        if (!menu) break;
        POINT cursor = {};
        GetCursorPos(&cursor);
        // Foreground first, or the menu would not close when the player clicks elsewhere.
        SetForegroundWindow(m_hWnd);
        TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, cursor.x - kMenuLeftOfCursor, cursor.y, 0, m_hWnd,
                       nullptr);
        DestroyMenu(menu);
        break;
    }
    }
    return 0;
}
