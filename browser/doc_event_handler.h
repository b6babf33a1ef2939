#pragma once
#include <windows.h>
#include <mshtml.h>

#include <string>

// The sink of a game page's click events: it writes the address of the link
// that was clicked to the debugger output and changes nothing in the page.
// Reference-counted; whoever creates it holds the first reference.
class SDocEvtHandler : public IDispatch {
public:
    SDocEvtHandler() = default;
    SDocEvtHandler(const SDocEvtHandler&) = delete;
    SDocEvtHandler& operator=(const SDocEvtHandler&) = delete;

    // Traces "单击事件:<href>\r\n" for the first link at or above the
    // clicked element; nothing when there is none or a DOM call fails.
    void OnClick(IHTMLEventObj* event);

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

private:
    virtual ~SDocEvtHandler() = default;
    LONG m_refCount = 1;
};

// The trace line of a click, as OnClick writes it; false when nothing is traced.
bool LinkClickTrace(IHTMLEventObj* event, std::wstring& line);
