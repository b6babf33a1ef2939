// The game-host run mode: a game window inside another process's frame.
#include "app/run_modes.h"

#include "browser/game_wnd_dlg.h"
#include "framework/win_app.h"

// The dialog is a child of the frame from its creation, so a frame that is
// already gone makes the creation fail; the process then ends at once with
// exit code 0 instead of running a loop that nothing would ever end.
bool StartGameHost(CWinApp& app, HWND frame, const std::wstring& gameUrl) {
    CGameWndDlg* dialog = new CGameWndDlg(frame, gameUrl);
    if (!dialog->Create(frame)) {
        delete dialog;
        return false;
    }
    ShowWindow(dialog->m_hWnd, SW_SHOW);
    // Lives until the process ends, as the main window.
    app.m_pMainWnd = dialog;
    return true;
}
