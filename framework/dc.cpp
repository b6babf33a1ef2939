#include "framework/dc.h"

CDC::~CDC() {
    if (m_hDC) {
        SelectObject(m_hDC, m_oldBitmap);
        DeleteDC(m_hDC);
    }
    if (m_bitmap) DeleteObject(m_bitmap);
}

bool CDC::CreateCompatible(HDC reference, int width, int height) {
    if (m_hDC) return false;
    m_hDC = CreateCompatibleDC(reference);
    if (!m_hDC) return false;
    m_bitmap = CreateCompatibleBitmap(reference, width, height);
    if (!m_bitmap) {
        DeleteDC(m_hDC);
        m_hDC = nullptr;
        return false;
    }
    m_oldBitmap = SelectObject(m_hDC, m_bitmap);
    return true;
}
