#pragma once
#include "framework/wnd.h"

// A dialog built from a numbered template. Without a parent, a modal dialog
// is owned by the application's main window (or the popup last active above
// it). A dialog that OnInitDialog did not move is centred. Messages reach OnMessage, which
// subclasses override for the messages they handle and pass the rest to the
// base, which routes WM_INITDIALOG, IDOK, IDCANCEL and the notifications that
// controls take back (WM_DRAWITEM, WM_CTLCOLOR*).
class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Runs the dialog with its own message loop, the owner disabled meanwhile.
    // Returns the value given to EndDialog, or -1 when the dialog could not be
    // created or the loop met WM_QUIT (which is posted again).
    INT_PTR DoModal();

    // Creates the dialog modeless with the given owner (may be nullptr).
    bool Create(HWND owner);

    // Ends a modal dialog with result; hides a modeless one.
    void EndDialog(INT_PTR result);

    bool PreTranslateMessage(MSG* msg) override;

    // Centres the window over its owner, or over the work area when it has no
    // visible owner, keeping it inside the work area.
    void CenterWindow();

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    // Returns true when the message was handled; result then is the message's
    // answer.
    virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Binds a control of this dialog to ctl by its id.
    bool BindControl(CWnd& ctl, int id);

    UINT m_templateId;
    CWnd* m_parent;

private:
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
    HWND OwnerWindow() const;

    bool m_modal = false;
    bool m_endModal = false;
    INT_PTR m_modalResult = -1;
};
