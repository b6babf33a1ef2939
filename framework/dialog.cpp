#include "framework/dialog.h"

#include "framework/win_app.h"

namespace {

// Messages whose answer is the dialog procedure's return value rather than
// DWLP_MSGRESULT.
bool ReturnsDirectly(UINT msg) {
    switch (msg) {
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN: case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: case WM_COMPAREITEM: case WM_VKEYTOITEM:
    case WM_CHARTOITEM: case WM_QUERYDRAGICON: case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

// The child control that a notification concerns, for reflection.
HWND NotifyingChild(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_DRAWITEM:
        return wParam ? reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
        return reinterpret_cast<HWND>(lParam) != dialog ? reinterpret_cast<HWND>(lParam) : nullptr;
    default:
        return nullptr;
    }
}

}  // namespace

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog() {
    if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

HWND CDialog::OwnerWindow() const {
    if (m_parent) return m_parent->m_hWnd;
    CWinApp* app = GetApp();
    HWND main = app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
    if (!main || !IsWindow(main)) return nullptr;
    while (GetWindowLongPtrW(main, GWL_STYLE) & WS_CHILD) main = GetParent(main);
    return GetLastActivePopup(main);
}

void CDialog::CenterWindow() {
    RECT window;
    GetWindowRect(m_hWnd, &window);
    HMONITOR monitor = MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(monitor, &info);
    RECT area = info.rcWork;
    HWND owner = GetWindow(m_hWnd, GW_OWNER);
    RECT center = area;
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &center);

    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    int left = (center.left + center.right - width) / 2;
    int top = (center.top + center.bottom - height) / 2;
    if (left + width > area.right) left = area.right - width;
    if (left < area.left) left = area.left;
    if (top + height > area.bottom) top = area.bottom - height;
    if (top < area.top) top = area.top;
    SetWindowPos(m_hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CDialog::Create(HWND owner) {
    HWND hwnd = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner, DialogProc,
                                   reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr;
}

INT_PTR CDialog::DoModal() {
    HWND owner = OwnerWindow();
    m_modal = true;
    m_endModal = false;
    m_modalResult = -1;
    if (!Create(owner)) {
        m_modal = false;
        return -1;
    }
    const bool ownerDisabled = owner && owner != m_hWnd && IsWindowEnabled(owner);
    if (ownerDisabled) EnableWindow(owner, FALSE);

    // A template without WS_VISIBLE is shown once the queue first runs dry,
    // as the stock dialog manager does.
    bool showOnIdle = true;
    MSG msg;
    while (!m_endModal) {
        if (showOnIdle && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            showOnIdle = false;
            if (m_hWnd && !IsWindowVisible(m_hWnd)) ShowWindow(m_hWnd, SW_SHOWNORMAL);
            continue;
        }
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1) break;
        if (!WalkPreTranslateTree(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

    if (ownerDisabled) EnableWindow(owner, TRUE);
    if (m_hWnd) {
        if (owner && GetActiveWindow() == m_hWnd) SetActiveWindow(owner);
        DestroyWindow(m_hWnd);
    }
    m_modal = false;
    return m_modalResult;
}

void CDialog::EndDialog(INT_PTR result) {
    if (m_modal) {
        m_modalResult = result;
        m_endModal = true;
        if (m_hWnd) ShowWindow(m_hWnd, SW_HIDE);
    } else if (m_hWnd) {
        ::EndDialog(m_hWnd, result);
    }
}

bool CDialog::PreTranslateMessage(MSG* msg) {
    return m_hWnd && IsDialogMessageW(m_hWnd, msg);
}

BOOL CDialog::OnInitDialog() {
    return TRUE;
}

void CDialog::OnOK() {
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::BindControl(CWnd& ctl, int id) {
    HWND control = GetDlgItem(m_hWnd, id);
    if (!control) return false;
    ctl.Attach(control);
    return true;
}

bool CDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_INITDIALOG: {
        RECT before;
        GetWindowRect(m_hWnd, &before);
        result = OnInitDialog();
        RECT after;
        GetWindowRect(m_hWnd, &after);
        const LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_STYLE);
        if (IsWindow(m_hWnd) && !(style & (WS_CHILD | WS_VISIBLE)) && before.left == after.left &&
            before.top == after.top) {
            CenterWindow();
        }
        return true;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED || lParam == 0) {
            if (LOWORD(wParam) == IDOK) { OnOK(); return true; }
            if (LOWORD(wParam) == IDCANCEL) { OnCancel(); return true; }
        }
        return false;
    default:
        if (HWND child = NotifyingChild(m_hWnd, msg, wParam, lParam)) {
            CWnd* control = FromHandle(child);
            return control && control->OnChildNotify(msg, wParam, lParam, &result);
        }
        return false;
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CDialog* self;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->Attach(hwnd);
    } else {
        self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;  // messages before WM_INITDIALOG, such as WM_SETFONT

    LRESULT result = 0;
    const bool handled = self->OnMessage(msg, wParam, lParam, result);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->Detach();
    }
    if (!handled) return FALSE;
    if (ReturnsDirectly(msg)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}
