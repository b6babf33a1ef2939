#pragma once
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "framework/dialog.h"
#include "widgets/touch_button.h"

class CMenbanDlg;
class CMyHtmlView;

// The launcher's main window after sign-in: a captionless frame with a
// 30-pixel caption strip of its own (nine image buttons) over the game page.
// Its initialisation runs the login window and takes the game URL from it.
// States: maximised to the work area (the start), restored (1000 x 700),
// full screen, minimised and hidden. It ends only through its confirmed
// prompts, always with 0.
class CRivedo_QuvaDlg : public CDialog {
public:
    CRivedo_QuvaDlg();
    ~CRivedo_QuvaDlg() override;

    bool PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // Buttons, the tray menu and the accelerator; true when handled.
    bool OnCommand(UINT id, UINT code);

    // Window states and layout (frame_states.cpp).
    void PlaceViews(bool full);
    void FitToWorkArea();
    void ShowMaximised();
    void ShowRestored();
    void Maximise();
    void Restore();
    void Minimise();
    void EnterFullScreen();
    void GoFullScreen();
    void LeaveFullScreen();
    void ToggleOnDoubleClick();
    void RefreshGame();

    // Caption strip and its buttons (frame_caption.cpp).
    void BindCaptionButtons();
    void LoadCaptionButtonImages();
    void LoadCaptionPieces();
    void LayoutCaptionButtons();
    void ShowCaptionButtons(int nCmdShow);
    void ShowMaximiseOrRestore();
    void InvalidateCaption();
    void PaintCaption(HDC dc);

    // Prompts, tray icon and tray menu (frame_tray.cpp).
    void AddTrayIcon();
    void RemoveTrayIcon();
    void CloseGameWindow();
    void ExitFrame();
    void RestartLauncher();
    void ExitPrompt();
    void ClosePrompt();
    void ReselectPrompt();
    void ToggleShown();
    LRESULT OnTrayIcon(LPARAM lParam);

    // System-wide hotkeys (frame_hotkeys.cpp).
    void RegisterHotkeys();
    void OnHotkey(WPARAM id);
    bool IsActiveTopLevel() const;

    // Browser cache clearing (frame_cache.cpp).
    void CreateOverlay();
    void StartCacheClearing();
    void OnCacheCleared();

    // Close, maximise, restore, minimise, full screen, boss key, clear cache,
    // refresh, re-select server: the order of the caption table.
    CTouchButton m_captionButtons[9];

    bool m_fullScreen = false;
    bool m_maximised = false;
    NOTIFYICONDATAW m_trayIcon = {};
    bool m_trayIconAdded = false;
    std::unique_ptr<CMyHtmlView> m_htmlView;
    std::unique_ptr<CMenbanDlg> m_overlay;
    // Set while a cache-clearing worker runs; only the UI thread touches it.
    bool m_clearingCache = false;
    HWND m_gameWnd = nullptr;
    std::wstring m_gameUrl;
    std::unique_ptr<Gdiplus::Image> m_captionLeft;
    std::unique_ptr<Gdiplus::Image> m_captionMiddle;
    std::unique_ptr<Gdiplus::Image> m_captionRight;
    int m_minimisedByButton = 0;
    HACCEL m_accel = nullptr;
};

// The calls of the frame that reach outside the process, replaceable where a
// test must see them or make them fail.
extern decltype(&Shell_NotifyIconW) g_frameNotifyIcon;
extern decltype(&CreateProcessW) g_frameCreateProcess;
