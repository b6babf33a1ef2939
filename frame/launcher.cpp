#include "app/run_modes.h"

#include "frame/rivedo_quva_dlg.h"
#include "framework/win_app.h"

// The player's road: the frame runs the sign-in, then the game, modally.
void RunLauncher(CWinApp& app) {
    CRivedo_QuvaDlg frame;
    app.m_pMainWnd = &frame;
    frame.DoModal();
    app.m_pMainWnd = nullptr;
}
