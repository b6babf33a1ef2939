#pragma once
#include <windows.h>

#include <string>

#include "framework/dialog.h"

class CMyHtmlView;

// The only window of the game-host mode: a borderless child dialog placed in
// another process's frame below its 30-pixel caption strip, showing the game
// page. It announces itself to the frame, follows the frame's layout, refresh
// and close messages, and ends its process once the frame is gone.
class CGameWndDlg : public CDialog {
public:
    CGameWndDlg(HWND frameWnd, const std::wstring& gameUrl);
    ~CGameWndDlg() override;

    bool PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    CMyHtmlView* m_pView = nullptr;
    HWND m_hFrameWnd;
    std::wstring m_strGameUrl;

private:
    // Ends the process once the frame window is gone; param is a WatchdogArgs it owns.
    static DWORD WINAPI FrameWatchdogThread(LPVOID param);

    void CreateView();
    void FitViewToClient();
    void OnLayout(bool wholeClient);
    void OnClose();
};
