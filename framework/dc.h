#pragma once
#include <windows.h>

// A memory device context with a bitmap of its own selected into it; both are
// freed together.
class CDC {
public:
    CDC() = default;
    ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // A memory DC compatible with reference, holding a width x height bitmap.
    bool CreateCompatible(HDC reference, int width, int height);
    HDC GetSafeHdc() const { return m_hDC; }

private:
    HDC m_hDC = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
};
