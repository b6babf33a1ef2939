#pragma once
/* Stand-in DOM objects for the click sink's tests (stand_in_dom.c). */
#include <windows.h>
#include <mshtml.h>

#ifdef __cplusplus
extern "C" {
#endif

/* An element with a tag (null: reading tagName fails), an href attribute
   (null: none) and a parent, of which it takes a reference. */
IHTMLElement* StandInElement(const WCHAR* tag, const WCHAR* href, IHTMLElement* parent);
/* A click whose srcElement is source, of which it takes a reference. */
IHTMLEventObj* StandInClick(IHTMLElement* source);
/* Stand-in objects not yet released to zero. */
LONG StandInObjectsAlive(void);

#ifdef __cplusplus
}
#endif
