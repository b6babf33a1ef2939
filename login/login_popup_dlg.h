#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "framework/dialog.h"
#include "login/web_form_login.h"
#include "widgets/touch_button.h"

class CRivedoLogin;

// Sign-in values remembered in the settings file; read at the popup's start.
extern std::wstring g_rememberedCode;
extern std::wstring g_rememberedPassword;
extern std::wstring g_rememberSignIn;
extern std::wstring g_autoLogin;

// The colour-keyed popup over the login window's panel: the web login page
// below a transparent 61-pixel strip with minimise and close buttons. It ends
// the login window once the page navigates to the game URL.
class CLoginPopupDlg : public CDialog {
public:
    explicit CLoginPopupDlg(CWnd* parent);
    ~CLoginPopupDlg() override;

    bool PreTranslateMessage(MSG* msg) override;

    WebFormLogin* WebForm() const { return m_pWebForm.get(); }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    CRivedoLogin* m_pLoginWnd;
    CTouchButton m_btnMin;
    CTouchButton m_btnClose;
    HBRUSH m_brushBk = nullptr;
    std::unique_ptr<WebFormLogin> m_pWebForm;

private:
    void OnCheckGameUrl();
    bool ForwardKeyToPage(const MSG* msg);
};

// Asks whether to leave the launcher; on OK the process ends at once, code 0.
void ConfirmExit();
