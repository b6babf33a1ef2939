#pragma once
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <memory>
#include <string>

#include "framework/dialog.h"
#include "widgets/png_pixels.h"

class CLoginPopupDlg;

// The first window of an ordinary start: a borderless, per-pixel-alpha PNG
// picture with the login popup glued over its empty panel. It ends with 0
// once the popup has captured the game URL; Enter and Esc do nothing.
class CRivedoLogin : public CDialog {
public:
    CRivedoLogin();
    ~CRivedoLogin() override;

    std::wstring GetGameUrl() const { return m_gameUrl; }

    // Written by the popup just before it ends this window.
    std::wstring m_gameUrl;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The popup and the installation, once the window shows.
    void OnShown();
    void LoadSkin();
    void UpdateLayeredSkin();
    void PositionPopup();

    // The skin, ready for the layered window.
    PremultipliedPixels m_skinPixels;
    std::unique_ptr<CLoginPopupDlg> m_pPopup;
};
