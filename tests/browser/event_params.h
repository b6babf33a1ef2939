#pragma once
// DWebBrowserEvents2 arguments built by hand, in the control's reverse order.
#include <windows.h>
#include <exdispid.h>
#include <oleauto.h>

#include <string>

struct BeforeNavigate2Args {
    explicit BeforeNavigate2Args(const std::wstring& url, IDispatch* frame = nullptr) {
        VariantInit(&urlValue);
        V_VT(&urlValue) = VT_BSTR;
        V_BSTR(&urlValue) = SysAllocString(url.c_str());
        for (VARIANT& v : args) VariantInit(&v);
        V_VT(&args[6]) = VT_DISPATCH;
        V_DISPATCH(&args[6]) = frame;
        V_VT(&args[5]) = VT_VARIANT | VT_BYREF;
        V_VARIANTREF(&args[5]) = &urlValue;
        V_VT(&args[0]) = VT_BOOL | VT_BYREF;
        V_BOOLREF(&args[0]) = &cancel;
        params.rgvarg = args;
        params.cArgs = 7;
    }
    ~BeforeNavigate2Args() { VariantClear(&urlValue); }

    VARIANT urlValue;
    VARIANT args[7];
    VARIANT_BOOL cancel = VARIANT_FALSE;
    DISPPARAMS params = {};
};

// DocumentComplete (pDisp, URL) and NavigateError (pDisp, URL, Frame, StatusCode, Cancel).
struct UrlEventArgs {
    UrlEventArgs(DISPID id, const std::wstring& url, IDispatch* frame) {
        VariantInit(&urlValue);
        V_VT(&urlValue) = VT_BSTR;
        V_BSTR(&urlValue) = SysAllocString(url.c_str());
        for (VARIANT& v : args) VariantInit(&v);
        const UINT count = id == DISPID_DOCUMENTCOMPLETE ? 2 : 5;
        V_VT(&args[count - 1]) = VT_DISPATCH;
        V_DISPATCH(&args[count - 1]) = frame;
        V_VT(&args[count - 2]) = VT_VARIANT | VT_BYREF;
        V_VARIANTREF(&args[count - 2]) = &urlValue;
        if (count == 5) {
            V_VT(&args[0]) = VT_BOOL | VT_BYREF;
            V_BOOLREF(&args[0]) = &cancel;
        }
        params.rgvarg = args;
        params.cArgs = count;
    }
    ~UrlEventArgs() { VariantClear(&urlValue); }

    VARIANT urlValue;
    VARIANT args[5];
    VARIANT_BOOL cancel = VARIANT_FALSE;
    DISPPARAMS params = {};
};
