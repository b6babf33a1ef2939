#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "browser/web_browser_base.h"
#include "framework/wnd.h"

class SDocEvtHandler;

// The game page: a child window ("MyWebBrowser") hosting the WebBrowser
// control over its whole client area. The right mouse button and the context
// menu never reach the page; on every finished document the click sink is
// connected to the page anew. Its owner creates, sizes and deletes it.
class CMyHtmlView : public CWnd {
public:
    CMyHtmlView();
    ~CMyHtmlView() override;

    // A child of parent with control id id; the rectangle may be empty.
    bool Create(const wchar_t* windowName, DWORD style, const RECT& rect, HWND parent, UINT id);

    void Navigate2(const std::wstring& url);
    void Refresh();
    IWebBrowser2* GetWebBrowser2();

    bool PreTranslateMessage(MSG* msg) override;

    // Called by the hosted control when a document (the page or one of its frames) has loaded.
    void OnDocumentComplete();

    // The connection of the click sink to the current document; 0 = none.
    DWORD ConnectionCookie() const { return m_dwCookie; }

protected:
    void PreCreateWindow(CREATESTRUCTW& cs) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    class Browser;

    void ConnectDocumentEvents();
    void DisconnectDocumentEvents();
    void ReleaseBrowser();

    SDocEvtHandler* m_pEvtHandler;
    DWORD m_dwCookie = 0;
    IDispatch* m_pDocument = nullptr;
    std::unique_ptr<Browser> m_browser;
};
