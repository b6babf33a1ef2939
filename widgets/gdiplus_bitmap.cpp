#include "widgets/gdiplus_bitmap.h"

#include <cstring>

#include "widgets/png_resource.h"

CGdiPlusBitmap::~CGdiPlusBitmap() {
    Empty();
}

void CGdiPlusBitmap::Empty() {
    delete m_pBitmap;
    m_pBitmap = nullptr;
}

CGdiPlusBitmapResource::~CGdiPlusBitmapResource() {
    Free();
}

void CGdiPlusBitmapResource::Free() {
    Empty();
    if (m_hBuffer) {
        GlobalUnlock(m_hBuffer);
        GlobalFree(m_hBuffer);
        m_hBuffer = nullptr;
    }
}

bool CGdiPlusBitmapResource::Load(UINT id) {
    Free();
    const void* bytes = nullptr;
    DWORD size = 0;
    if (!FindPngResource(id, bytes, size)) return false;

    m_hBuffer = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!m_hBuffer) return false;
    void* buffer = GlobalLock(m_hBuffer);
    if (!buffer) {
        GlobalFree(m_hBuffer);
        m_hBuffer = nullptr;
        return false;
    }
    std::memcpy(buffer, bytes, size);

    IStream* stream = nullptr;
    if (SUCCEEDED(CreateStreamOnHGlobal(m_hBuffer, FALSE, &stream))) {
        m_pBitmap = Gdiplus::Bitmap::FromStream(stream);
        stream->Release();
    }
    if (m_pBitmap && m_pBitmap->GetLastStatus() == Gdiplus::Ok) return true;
    Free();
    return false;
}
