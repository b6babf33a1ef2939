/* A few DOM elements and a click event, just enough for the click sink:
   tagName, parentElement, getAttribute and srcElement. Written in C so that
   the compiler checks each method against the interface's own table; the
   methods the sink has no business calling are left empty. */
#include <windows.h>
#include <mshtml.h>

#include "browser/stand_in_dom.h"

static LONG g_live;

typedef struct {
    IHTMLElement iface;
    LONG refs;
    const WCHAR* tag;
    const WCHAR* href;
    IHTMLElement* parent;
} Element;

typedef struct {
    IHTMLEventObj iface;
    LONG refs;
    IHTMLElement* source;
} Event;

static HRESULT STDMETHODCALLTYPE ElementQueryInterface(IHTMLElement* self, REFIID riid, void** object) {
    if (IsEqualIID(riid, &IID_IUnknown) || IsEqualIID(riid, &IID_IDispatch) || IsEqualIID(riid, &IID_IHTMLElement)) {
        *object = self;
        self->lpVtbl->AddRef(self);
        return S_OK;
    }
    *object = NULL;
    return E_NOINTERFACE;
}

static ULONG STDMETHODCALLTYPE ElementAddRef(IHTMLElement* self) {
    return (ULONG)InterlockedIncrement(&((Element*)self)->refs);
}

static ULONG STDMETHODCALLTYPE ElementRelease(IHTMLElement* self) {
    Element* element = (Element*)self;
    const LONG refs = InterlockedDecrement(&element->refs);
    if (refs == 0) {
        if (element->parent) element->parent->lpVtbl->Release(element->parent);
        HeapFree(GetProcessHeap(), 0, element);
        InterlockedDecrement(&g_live);
    }
    return (ULONG)refs;
}

static HRESULT STDMETHODCALLTYPE ElementTagName(IHTMLElement* self, BSTR* tag) {
    const Element* element = (const Element*)self;
    *tag = NULL;
    if (!element->tag) return E_FAIL;
    *tag = SysAllocString(element->tag);
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE ElementParent(IHTMLElement* self, IHTMLElement** parent) {
    *parent = ((Element*)self)->parent;
    if (*parent) (*parent)->lpVtbl->AddRef(*parent);
    return S_OK;
}

/* A missing attribute reads as VT_NULL, as the browser gives it. */
static HRESULT STDMETHODCALLTYPE ElementAttribute(IHTMLElement* self, BSTR name, LONG flags, VARIANT* value) {
    const Element* element = (const Element*)self;
    (void)flags;
    VariantInit(value);
    V_VT(value) = VT_NULL;
    if (element->href && name && lstrcmpW(name, L"href") == 0) {
        V_VT(value) = VT_BSTR;
        V_BSTR(value) = SysAllocString(element->href);
    }
    return S_OK;
}

static IHTMLElementVtbl g_elementVtbl = {
    .QueryInterface = ElementQueryInterface,
    .AddRef = ElementAddRef,
    .Release = ElementRelease,
    .getAttribute = ElementAttribute,
    .get_tagName = ElementTagName,
    .get_parentElement = ElementParent,
};

static HRESULT STDMETHODCALLTYPE EventQueryInterface(IHTMLEventObj* self, REFIID riid, void** object) {
    if (IsEqualIID(riid, &IID_IUnknown) || IsEqualIID(riid, &IID_IDispatch) || IsEqualIID(riid, &IID_IHTMLEventObj)) {
        *object = self;
        self->lpVtbl->AddRef(self);
        return S_OK;
    }
    *object = NULL;
    return E_NOINTERFACE;
}

static ULONG STDMETHODCALLTYPE EventAddRef(IHTMLEventObj* self) {
    return (ULONG)InterlockedIncrement(&((Event*)self)->refs);
}

static ULONG STDMETHODCALLTYPE EventRelease(IHTMLEventObj* self) {
    Event* event = (Event*)self;
    const LONG refs = InterlockedDecrement(&event->refs);
    if (refs == 0) {
        if (event->source) event->source->lpVtbl->Release(event->source);
        HeapFree(GetProcessHeap(), 0, event);
        InterlockedDecrement(&g_live);
    }
    return (ULONG)refs;
}

static HRESULT STDMETHODCALLTYPE EventSource(IHTMLEventObj* self, IHTMLElement** source) {
    *source = ((Event*)self)->source;
    if (*source) (*source)->lpVtbl->AddRef(*source);
    return S_OK;
}

static IHTMLEventObjVtbl g_eventVtbl = {
    .QueryInterface = EventQueryInterface,
    .AddRef = EventAddRef,
    .Release = EventRelease,
    .get_srcElement = EventSource,
};

IHTMLElement* StandInElement(const WCHAR* tag, const WCHAR* href, IHTMLElement* parent) {
    Element* element = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Element));
    element->iface.lpVtbl = &g_elementVtbl;
    element->refs = 1;
    element->tag = tag;
    element->href = href;
    element->parent = parent;
    if (parent) parent->lpVtbl->AddRef(parent);
    InterlockedIncrement(&g_live);
    return &element->iface;
}

IHTMLEventObj* StandInClick(IHTMLElement* source) {
    Event* event = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Event));
    event->iface.lpVtbl = &g_eventVtbl;
    event->refs = 1;
    event->source = source;
    if (source) source->lpVtbl->AddRef(source);
    InterlockedIncrement(&g_live);
    return &event->iface;
}

LONG StandInObjectsAlive(void) {
    return g_live;
}
