#pragma once
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <memory>

// A GDI+ font of the family "arial" at pixelSize. Where "arial" is not
// installed: the generic sans-serif family; where even that is missing (some
// systems return none): the default GUI font of dc. Null when none of them
// gives a usable font, and then the caller draws no text.
std::unique_ptr<Gdiplus::Font> MakeArialFont(HDC dc, Gdiplus::REAL pixelSize, INT style);
