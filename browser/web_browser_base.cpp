#include "browser/web_browser_base.h"

#include <exdispid.h>
#include <servprov.h>
#include <shlguid.h>
#include <shlobj.h>

#include <cwchar>

namespace {

// The URL of an event argument: a BSTR, directly or inside a by-reference VARIANT.
std::wstring UrlOf(const VARIANT& arg) {
    const VARIANT* v = &arg;
    if (V_VT(v) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
    if (V_VT(v) == VT_BSTR && V_BSTR(v)) return std::wstring(V_BSTR(v), SysStringLen(V_BSTR(v)));
    if (V_VT(v) == (VT_BSTR | VT_BYREF) && V_BSTRREF(v) && *V_BSTRREF(v)) {
        return std::wstring(*V_BSTRREF(v), SysStringLen(*V_BSTRREF(v)));
    }
    return std::wstring();
}

template <typename T>
void SafeRelease(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

}  // namespace

CWebBrowserBase::CWebBrowserBase() {
    if (FAILED(OleInitialize(nullptr))) return;
    // The control's scratch storage goes with its release, not into the player's Temp folder.
    const DWORD mode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE | STGM_DELETEONRELEASE;
    if (FAILED(StgCreateDocfile(nullptr, mode, 0, &m_storage))) return;
    if (FAILED(OleCreate(CLSID_WebBrowser, IID_IOleObject, OLERENDER_DRAW, nullptr,
                         static_cast<IOleClientSite*>(this), m_storage, reinterpret_cast<void**>(&m_oleObject)))) {
        m_oleObject = nullptr;
        return;
    }
    m_oleObject->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&m_inPlaceObject));
}

CWebBrowserBase::~CWebBrowserBase() {
    // The control must not call into this object once it is gone.
    if (m_eventSource) m_eventSource->Unadvise(m_dwCookie);
    SafeRelease(m_eventSource);
    if (m_inPlaceObject && m_inPlaceActive) m_inPlaceObject->InPlaceDeactivate();
    if (m_oleObject) {
        m_oleObject->Close(OLECLOSE_NOSAVE);
        m_oleObject->SetClientSite(nullptr);
    }
    SafeRelease(m_webBrowser2);
    SafeRelease(m_inPlaceObject);
    SafeRelease(m_oleObject);
    SafeRelease(m_storage);
}

RECT CWebBrowserBase::HostClientRect() {
    RECT rect = {};
    GetClientRect(GetHWND(), &rect);
    return rect;
}

BOOL CWebBrowserBase::InPlaceActivate() {
    if (!m_oleObject) return FALSE;
    if (m_rect.right - m_rect.left == 0 || m_rect.bottom - m_rect.top == 0) m_rect = HostClientRect();
    if (m_inPlaceActive) return TRUE;

    // Set first: CanInPlaceActivate is asked during the verb.
    m_inPlaceActive = true;
    if (FAILED(m_oleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this), 0,
                                   GetHWND(), &m_rect))) {
        return FALSE;
    }

    IWebBrowser2* browser = GetWebBrowser2();
    if (!browser) return FALSE;
    IConnectionPointContainer* container = nullptr;
    if (FAILED(browser->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)))) {
        return FALSE;
    }
    HRESULT hr = container->FindConnectionPoint(DIID_DWebBrowserEvents2, &m_eventSource);
    container->Release();
    if (FAILED(hr) || !m_eventSource) {
        m_eventSource = nullptr;
        return FALSE;
    }
    if (FAILED(m_eventSource->Advise(static_cast<IDispatch*>(this), &m_dwCookie))) {
        SafeRelease(m_eventSource);
        return FALSE;
    }
    return TRUE;
}

BOOL CWebBrowserBase::SetBrowserRect(const RECT* rect) {
    if (m_inPlaceActive) {
        if (!m_oleObject || !m_inPlaceObject) return FALSE;
        SIZEL extent = {rect->right - rect->left, rect->bottom - rect->top};
        if (FAILED(m_oleObject->SetExtent(DVASPECT_CONTENT, &extent))) return FALSE;
        if (FAILED(m_inPlaceObject->SetObjectRects(rect, rect))) return FALSE;
    }
    m_rect = *rect;
    return TRUE;
}

BOOL CWebBrowserBase::Navigate(BSTR url) {
    m_url = url ? std::wstring(url, SysStringLen(url)) : std::wstring();
    IWebBrowser2* browser = GetWebBrowser2();
    if (!browser) return FALSE;
    VARIANT empty;
    VariantInit(&empty);
    return SUCCEEDED(browser->Navigate(url, &empty, &empty, &empty, &empty));
}

IWebBrowser2* CWebBrowserBase::GetWebBrowser2() {
    if (m_webBrowser2) return m_webBrowser2;
    if (m_oleObject &&
        FAILED(m_oleObject->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&m_webBrowser2)))) {
        m_webBrowser2 = nullptr;
    }
    return m_webBrowser2;
}

HWND CWebBrowserBase::GetIEServerWindow() {
    IWebBrowser2* browser = GetWebBrowser2();
    if (!browser) return nullptr;
    HWND hwnd = nullptr;
    IServiceProvider* provider = nullptr;
    if (SUCCEEDED(browser->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(&provider)))) {
        IOleWindow* window = nullptr;
        if (SUCCEEDED(provider->QueryService(SID_SShellBrowser, IID_IOleWindow, reinterpret_cast<void**>(&window)))) {
            window->GetWindow(&hwnd);
            window->Release();
        }
        provider->Release();
    }
    while (hwnd) {
        wchar_t className[260] = L"";
        GetClassNameW(hwnd, className, 260);
        if (wcscmp(className, L"Internet Explorer_Server") == 0) return hwnd;
        hwnd = ::GetWindow(hwnd, GW_CHILD);
    }
    return nullptr;
}

HWND CWebBrowserBase::GetHWND() {
    return nullptr;
}

void CWebBrowserBase::OnDocumentComplete(std::wstring) {}
void CWebBrowserBase::OnBeforeNavigate2(std::wstring, VARIANT_BOOL*) {}
void CWebBrowserBase::OnNavigateError(std::wstring, bool) {}

// ---- IUnknown

STDMETHODIMP CWebBrowserBase::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        *object = static_cast<IDispatch*>(this);
    } else if (riid == IID_IOleClientSite) {
        *object = static_cast<IOleClientSite*>(this);
    } else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) {
        *object = static_cast<IOleInPlaceSite*>(this);
    } else if (riid == IID_IOleInPlaceFrame || riid == IID_IOleInPlaceUIWindow) {
        *object = static_cast<IOleInPlaceFrame*>(this);
    } else if (riid == IID_IDocHostUIHandler) {
        *object = static_cast<IDocHostUIHandler*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CWebBrowserBase::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_refCount));
}

STDMETHODIMP_(ULONG) CWebBrowserBase::Release() {
    return static_cast<ULONG>(InterlockedDecrement(&m_refCount));
}

// ---- IDispatch

STDMETHODIMP CWebBrowserBase::GetTypeInfoCount(UINT*) {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

STDMETHODIMP CWebBrowserBase::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) {
    // Arguments come in reverse order: position 0 is the event's last parameter.
    switch (id) {
    case DISPID_BEFORENAVIGATE2:
        if (!params || params->cArgs < 7) return E_INVALIDARG;
        OnBeforeNavigate2(UrlOf(params->rgvarg[5]),
                          V_VT(&params->rgvarg[0]) == (VT_BOOL | VT_BYREF) ? V_BOOLREF(&params->rgvarg[0]) : nullptr);
        return S_OK;
    case DISPID_DOCUMENTCOMPLETE:
        if (!params || params->cArgs < 2) return E_INVALIDARG;
        OnDocumentComplete(UrlOf(params->rgvarg[0]));
        return S_OK;
    case DISPID_NAVIGATEERROR: {
        if (!params || params->cArgs < 5) return E_INVALIDARG;
        // The page itself failed (not one of its frames) when the event's object is the browser.
        bool topLevel = false;
        IUnknown* source = nullptr;
        IUnknown* browser = nullptr;
        const VARIANT& frame = params->rgvarg[4];
        IDispatch* frameDispatch = V_VT(&frame) == VT_DISPATCH ? V_DISPATCH(&frame) : nullptr;
        if (frameDispatch && GetWebBrowser2() &&
            SUCCEEDED(frameDispatch->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&source))) &&
            SUCCEEDED(m_webBrowser2->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&browser)))) {
            topLevel = source == browser;
        }
        if (source) source->Release();
        if (browser) browser->Release();
        OnNavigateError(UrlOf(params->rgvarg[3]), topLevel);
        return S_OK;
    }
    default:
        return E_NOTIMPL;
    }
}

// ---- IOleClientSite

STDMETHODIMP CWebBrowserBase::SaveObject() {
    return S_OK;
}
STDMETHODIMP CWebBrowserBase::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::GetContainer(IOleContainer** container) {
    if (container) *container = nullptr;
    return E_FAIL;
}
STDMETHODIMP CWebBrowserBase::ShowObject() {
    return S_OK;
}
STDMETHODIMP CWebBrowserBase::OnShowWindow(BOOL) {
    return S_OK;
}
STDMETHODIMP CWebBrowserBase::RequestNewObjectLayout() {
    return S_OK;
}

// ---- IOleWindow

STDMETHODIMP CWebBrowserBase::GetWindow(HWND* hwnd) {
    if (!hwnd) return E_POINTER;
    *hwnd = GetHWND();
    return S_OK;
}
STDMETHODIMP CWebBrowserBase::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}

// ---- IOleInPlaceSite

STDMETHODIMP CWebBrowserBase::CanInPlaceActivate() {
    return m_inPlaceActive ? S_OK : S_FALSE;
}
STDMETHODIMP CWebBrowserBase::OnInPlaceActivate() {
    return S_OK;
}
STDMETHODIMP CWebBrowserBase::OnUIActivate() {
    return S_OK;
}

STDMETHODIMP CWebBrowserBase::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                               LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    if (frame) {
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
    }
    if (document) *document = nullptr;
    m_rect = HostClientRect();
    if (position) *position = m_rect;
    if (clip) *clip = m_rect;
    if (info) {
        info->cb = sizeof(*info);
        info->fMDIApp = FALSE;
        info->hwndFrame = GetParent(GetHWND());
        info->haccel = nullptr;
        info->cAccelEntries = 0;
    }
    return S_OK;
}

STDMETHODIMP CWebBrowserBase::Scroll(SIZE) {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::OnUIDeactivate(BOOL) {
    return S_OK;
}
STDMETHODIMP CWebBrowserBase::OnInPlaceDeactivate() {
    return S_OK;
}
STDMETHODIMP CWebBrowserBase::DiscardUndoState() {
    return S_OK;
}
STDMETHODIMP CWebBrowserBase::DeactivateAndUndo() {
    return S_OK;
}
STDMETHODIMP CWebBrowserBase::OnPosRectChange(LPCRECT) {
    return S_OK;
}

// ---- IOleInPlaceUIWindow, IOleInPlaceFrame

STDMETHODIMP CWebBrowserBase::GetBorder(LPRECT border) {
    m_rect = HostClientRect();
    if (border) *border = m_rect;
    return S_OK;
}
STDMETHODIMP CWebBrowserBase::RequestBorderSpace(LPCBORDERWIDTHS) {
    return S_OK;
}
STDMETHODIMP CWebBrowserBase::SetBorderSpace(LPCBORDERWIDTHS) {
    return S_OK;
}
STDMETHODIMP CWebBrowserBase::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) {
    return S_OK;
}
STDMETHODIMP CWebBrowserBase::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::SetMenu(HMENU, HOLEMENU, HWND) {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::RemoveMenus(HMENU) {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::SetStatusText(LPCOLESTR) {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::EnableModeless(BOOL) {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::TranslateAccelerator(LPMSG, WORD) {
    return E_NOTIMPL;
}

// ---- IDocHostUIHandler: the control's defaults, except no 3-D outer border.

STDMETHODIMP CWebBrowserBase::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::GetHostInfo(DOCHOSTUIINFO* info) {
    if (info) info->dwFlags |= DOCHOSTUIFLAG_NO3DOUTERBORDER;
    return S_OK;
}
STDMETHODIMP CWebBrowserBase::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                     IOleInPlaceUIWindow*) {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::HideUI() {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::UpdateUI() {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::OnDocWindowActivate(BOOL) {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::OnFrameWindowActivate(BOOL) {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::TranslateAccelerator(LPMSG, const GUID*, DWORD) {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::GetOptionKeyPath(LPOLESTR*, DWORD) {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::GetDropTarget(IDropTarget*, IDropTarget**) {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::GetExternal(IDispatch**) {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::TranslateUrl(DWORD, LPWSTR, LPWSTR*) {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::FilterDataObject(IDataObject*, IDataObject**) {
    return E_NOTIMPL;
}
