#include "framework/wnd.h"

#include <commctrl.h>

namespace {
const wchar_t kBindingProp[] = L"CWnd.Object";
const UINT_PTR kSubclassId = 1;
const wchar_t kWindowClass[] = L"CWnd.Window";

// A plain class; bound objects take their messages through the subclass chain.
bool RegisterWindowClass() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
}  // namespace

CWnd::~CWnd() {
    Detach();
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    // A window of another process (the game host's frame) may carry that
    // process's binding: a pointer into its memory, not ours.
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process != GetCurrentProcessId()) return nullptr;
    return static_cast<CWnd*>(GetPropW(hwnd, kBindingProp));
}

void CWnd::Attach(HWND hwnd) {
    Detach();
    m_hWnd = hwnd;
    if (hwnd) SetPropW(hwnd, kBindingProp, this);
}

HWND CWnd::Detach() {
    HWND hwnd = m_hWnd;
    if (!hwnd) return nullptr;
    if (m_subclassed) {
        RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
        m_subclassed = false;
    }
    if (IsWindow(hwnd) && GetPropW(hwnd, kBindingProp) == this) RemovePropW(hwnd, kBindingProp);
    m_hWnd = nullptr;
    return hwnd;
}

bool CWnd::SubclassDlgItem(int id, CWnd* parent) {
    if (!parent || !parent->m_hWnd) return false;
    HWND control = GetDlgItem(parent->m_hWnd, id);
    if (!control) return false;
    Attach(control);
    PreSubclassWindow();
    m_subclassed = SetWindowSubclass(control, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
    return m_subclassed;
}

bool CWnd::Create(const wchar_t* windowName, DWORD style, const RECT& rect, HWND parent, UINT id) {
    if (m_hWnd || !RegisterWindowClass()) return false;
    CREATESTRUCTW cs = {};
    cs.lpszName = windowName;
    cs.style = style;
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
    cs.hwndParent = parent;
    cs.hMenu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id));
    PreCreateWindow(cs);
    HWND hwnd = CreateWindowExW(cs.dwExStyle, kWindowClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                                cs.hwndParent, cs.hMenu, GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) return false;
    Attach(hwnd);
    m_subclassed = SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
    if (!m_subclassed) {
        Detach();
        DestroyWindow(hwnd);
        return false;
    }
    return true;
}

void CWnd::PreCreateWindow(CREATESTRUCTW&) {}

void CWnd::ModifyStyle(DWORD remove, DWORD add, UINT swpFlags) {
    LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, (style & ~static_cast<LONG_PTR>(remove)) | add);
    if (swpFlags) {
        SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
    }
}

void CWnd::PreSubclassWindow() {}

bool CWnd::PreTranslateMessage(MSG*) {
    return false;
}

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) {
    return false;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(m_hWnd, msg, wParam, lParam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    CWnd* self = reinterpret_cast<CWnd*>(data);
    LRESULT result = self->WindowProc(msg, wParam, lParam);
    // The window is gone; leave the object unbound so it never touches a dead handle.
    if (msg == WM_NCDESTROY) self->Detach();
    return result;
}

bool WalkPreTranslateTree(MSG* msg) {
    for (HWND hwnd = msg->hwnd; hwnd; hwnd = GetParent(hwnd)) {
        CWnd* wnd = CWnd::FromHandle(hwnd);
        if (wnd && wnd->PreTranslateMessage(msg)) return true;
    }
    return false;
}
