// The wait mask over the frame.
#include "widgets/menban_dlg.h"

#include "res/resource.h"

CMenbanDlg::CMenbanDlg() : CDialog(IDD_OVERLAY) {}

CMenbanDlg::~CMenbanDlg() {}

BOOL CMenbanDlg::OnInitDialog() {
    return TRUE;
}

bool CMenbanDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return CDialog::OnMessage(msg, wParam, lParam, result);
}
