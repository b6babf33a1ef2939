#pragma once
#include <windows.h>

// Double buffering: drawing goes to an off-screen bitmap in the target's
// coordinates and is copied onto the target when the object is destroyed.
// On a printer DC it draws on the target directly.
class CMyMemDC {
public:
    // An empty or null rect means the target's clip box.
    explicit CMyMemDC(HDC target, const RECT* rect = nullptr);
    ~CMyMemDC();
    CMyMemDC(const CMyMemDC&) = delete;
    CMyMemDC& operator=(const CMyMemDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }

private:
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    HDC m_target;
    RECT m_rect = {};
    bool m_memDC;
    HDC m_hDC = nullptr;
};
