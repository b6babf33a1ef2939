#include "browser/my_html_view.h"

#include <mshtml.h>

#include "browser/doc_event_handler.h"

// The control's host inside the view: it fills the view and reports finished documents.
class CMyHtmlView::Browser : public CWebBrowserBase {
public:
    explicit Browser(CMyHtmlView& view) : m_view(view) {}
    HWND GetHWND() override { return m_view.GetSafeHwnd(); }
    void OnDocumentComplete(std::wstring) override { m_view.OnDocumentComplete(); }

private:
    CMyHtmlView& m_view;
};

namespace {

IConnectionPoint* DocumentEvents(IDispatch* document) {
    if (!document) return nullptr;
    IConnectionPointContainer* container = nullptr;
    if (FAILED(document->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))) ||
        !container) {
        return nullptr;
    }
    IConnectionPoint* point = nullptr;
    if (FAILED(container->FindConnectionPoint(DIID_HTMLDocumentEvents2, &point))) point = nullptr;
    container->Release();
    return point;
}

}  // namespace

CMyHtmlView::CMyHtmlView() : m_pEvtHandler(new SDocEvtHandler) {}

CMyHtmlView::~CMyHtmlView() {
    ReleaseBrowser();
    m_pEvtHandler->Release();
}

bool CMyHtmlView::Create(const wchar_t* windowName, DWORD style, const RECT& rect, HWND parent, UINT id) {
    if (!CWnd::Create(windowName, style, rect, parent, id)) return false;
    m_browser = std::make_unique<Browser>(*this);
    m_browser->InPlaceActivate();
    return true;
}

void CMyHtmlView::PreCreateWindow(CREATESTRUCTW& cs) {
    cs.style |= WS_CLIPCHILDREN;
}

IWebBrowser2* CMyHtmlView::GetWebBrowser2() {
    return m_browser ? m_browser->GetWebBrowser2() : nullptr;
}

void CMyHtmlView::Navigate2(const std::wstring& url) {
    IWebBrowser2* browser = GetWebBrowser2();
    if (!browser) return;
    VARIANT address;
    V_VT(&address) = VT_BSTR;
    V_BSTR(&address) = SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
    VARIANT empty;
    VariantInit(&empty);
    browser->Navigate2(&address, &empty, &empty, &empty, &empty);
    VariantClear(&address);
}

void CMyHtmlView::Refresh() {
    if (IWebBrowser2* browser = GetWebBrowser2()) browser->Refresh();
}

bool CMyHtmlView::PreTranslateMessage(MSG* msg) {
    const bool inside = msg->hwnd == m_hWnd || IsChild(m_hWnd, msg->hwnd);
    if (inside && (msg->message == WM_RBUTTONDOWN || msg->message == WM_RBUTTONDBLCLK)) return true;
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return false;
    // The page's own keyboard shortcuts.
    IWebBrowser2* browser = GetWebBrowser2();
    IOleInPlaceActiveObject* active = nullptr;
    if (!browser ||
        FAILED(browser->QueryInterface(IID_IOleInPlaceActiveObject, reinterpret_cast<void**>(&active))) || !active) {
        return false;
    }
    const bool translated = active->TranslateAccelerator(msg) == S_OK;
    active->Release();
    return translated;
}

void CMyHtmlView::OnDocumentComplete() {
    ConnectDocumentEvents();
}

void CMyHtmlView::ConnectDocumentEvents() {
    if (m_dwCookie) DisconnectDocumentEvents();
    m_dwCookie = 0;
    if (m_pDocument) {
        m_pDocument->Release();
        m_pDocument = nullptr;
    }
    IWebBrowser2* browser = GetWebBrowser2();
    if (!browser || FAILED(browser->get_Document(&m_pDocument))) m_pDocument = nullptr;
    IConnectionPoint* point = DocumentEvents(m_pDocument);
    if (!point) return;
    if (FAILED(point->Advise(m_pEvtHandler, &m_dwCookie))) m_dwCookie = 0;
    point->Release();
}

void CMyHtmlView::DisconnectDocumentEvents() {
    if (!m_dwCookie) return;
    if (IConnectionPoint* point = DocumentEvents(m_pDocument)) {
        point->Unadvise(m_dwCookie);
        point->Release();
    }
}

// While the windows still exist: the control must not outlive its host window.
void CMyHtmlView::ReleaseBrowser() {
    DisconnectDocumentEvents();
    m_dwCookie = 0;
    if (m_pDocument) m_pDocument->Release();
    m_pDocument = nullptr;
    m_browser.reset();
}

LRESULT CMyHtmlView::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        if (m_browser) {
            RECT client;
            GetClientRect(m_hWnd, &client);
            m_browser->SetBrowserRect(&client);
        }
        return 0;
    case WM_CONTEXTMENU:
        return 0;
    case WM_DESTROY:
        ReleaseBrowser();
        break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}
