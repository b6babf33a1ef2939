#pragma once
#include <windows.h>

// A C++ object bound to one window. The binding is a window property, so any
// HWND can be mapped back to its object for message reflection and
// PreTranslateMessage.
class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object bound to hwnd, or nullptr.
    static CWnd* FromHandle(HWND hwnd);

    void Attach(HWND hwnd);
    HWND Detach();

    // Binds this object to a dialog control and routes the control's messages
    // through WindowProc; PreSubclassWindow runs first.
    bool SubclassDlgItem(int id, CWnd* parent);

    // Creates a child window of the framework's own class, bound to this
    // object, whose messages reach WindowProc; PreCreateWindow may change the
    // creation values first.
    bool Create(const wchar_t* windowName, DWORD style, const RECT& rect, HWND parent, UINT id);

    // Changes the window style; swpFlags non-zero also applies it with SetWindowPos.
    void ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0);

    // Called from the message loops before dispatch, innermost window first.
    // Returning true swallows the message.
    virtual bool PreTranslateMessage(MSG* msg);

    // A notification the parent dialog reflected back to this control
    // (WM_DRAWITEM, WM_CTLCOLOR*). Returns true when handled.
    virtual bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

    HWND m_hWnd = nullptr;

protected:
    virtual void PreSubclassWindow();
    virtual void PreCreateWindow(CREATESTRUCTW& cs);

    // Messages of a subclassed window; the default passes them on.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    bool m_subclassed = false;
};

// Offers msg to PreTranslateMessage of every bound window from the target up
// through its parents and owners. Returns true when one of them took it.
bool WalkPreTranslateTree(MSG* msg);
