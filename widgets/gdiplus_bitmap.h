#pragma once
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

// An owned GDI+ bitmap.
class CGdiPlusBitmap {
public:
    CGdiPlusBitmap() = default;
    virtual ~CGdiPlusBitmap();
    CGdiPlusBitmap(const CGdiPlusBitmap&) = delete;
    CGdiPlusBitmap& operator=(const CGdiPlusBitmap&) = delete;

    Gdiplus::Bitmap* m_pBitmap = nullptr;

protected:
    void Empty();
};

// A bitmap decoded from a "PNG" resource of this executable. GDI+ may read
// the stream lazily, so the copied bytes stay allocated as long as the bitmap.
class CGdiPlusBitmapResource : public CGdiPlusBitmap {
public:
    ~CGdiPlusBitmapResource() override;

    // Returns true when a bitmap was made.
    bool Load(UINT id);

private:
    void Free();

    HGLOBAL m_hBuffer = nullptr;
};
