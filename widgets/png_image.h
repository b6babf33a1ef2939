#pragma once
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

// A "PNG" resource of this executable as a GDI+ image, owned by the caller;
// null when the resource is missing, empty or cannot be read. A resource that
// is not a valid PNG still gives an image, one that draws nothing and reports
// a size of 0 x 0.
Gdiplus::Image* LoadPngImage(WORD id);
