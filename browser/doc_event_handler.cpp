#include "browser/doc_event_handler.h"

#include <mshtmdid.h>

#include <cwchar>

namespace {

std::wstring FromBstr(BSTR text) {
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

bool IsLinkTag(BSTR tag) {
    const std::wstring name = FromBstr(tag);
    return name == L"a" || name == L"A";
}

}  // namespace

bool LinkClickTrace(IHTMLEventObj* event, std::wstring& line) {
    if (!event) return false;
    IHTMLElement* element = nullptr;
    if (FAILED(event->get_srcElement(&element))) return false;
    bool traced = false;
    while (element) {
        BSTR tag = nullptr;
        if (FAILED(element->get_tagName(&tag))) {
            SysFreeString(tag);
            break;
        }
        const bool link = IsLinkTag(tag);
        SysFreeString(tag);
        if (link) {
            VARIANT href;
            VariantInit(&href);
            BSTR name = SysAllocString(L"href");
            const HRESULT hr = element->getAttribute(name, 0, &href);
            SysFreeString(name);
            if (SUCCEEDED(hr)) {
                line = L"单击事件:" + (V_VT(&href) == VT_BSTR ? FromBstr(V_BSTR(&href)) : std::wstring()) + L"\r\n";
                traced = true;
            }
            VariantClear(&href);
            break;
        }
        IHTMLElement* parent = nullptr;
        const HRESULT hr = element->get_parentElement(&parent);
        element->Release();
        element = SUCCEEDED(hr) ? parent : nullptr;
        if (FAILED(hr) && parent) parent->Release();
    }
    if (element) element->Release();
    return traced;
}

void SDocEvtHandler::OnClick(IHTMLEventObj* event) {
    std::wstring line;
    if (LinkClickTrace(event, line)) OutputDebugStringW(line.c_str());
}

STDMETHODIMP SDocEvtHandler::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID_HTMLElementEvents2) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) SDocEvtHandler::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_refCount));
}

STDMETHODIMP_(ULONG) SDocEvtHandler::Release() {
    const LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

STDMETHODIMP SDocEvtHandler::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

STDMETHODIMP SDocEvtHandler::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP SDocEvtHandler::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        const bool known = i == 0 && names[0] && wcscmp(names[0], L"HTMLELEMENTEVENTS2_ONCLICK") == 0;
        ids[i] = known ? DISPID_HTMLELEMENTEVENTS2_ONCLICK : DISPID_UNKNOWN;
        if (!known) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

STDMETHODIMP SDocEvtHandler::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                    UINT*) {
    // Every other event of the page is none of this sink's business.
    if (id != DISPID_HTMLELEMENTEVENTS2_ONCLICK) return DISP_E_MEMBERNOTFOUND;
    if (!params || params->cArgs < 1 || V_VT(&params->rgvarg[0]) != VT_DISPATCH) return DISP_E_BADPARAMCOUNT;
    IHTMLEventObj* event = nullptr;
    IDispatch* argument = V_DISPATCH(&params->rgvarg[0]);
    if (argument && SUCCEEDED(argument->QueryInterface(IID_IHTMLEventObj, reinterpret_cast<void**>(&event)))) {
        OnClick(event);
        event->Release();
    }
    return S_OK;
}
