#include "widgets/mem_dc.h"

CMyMemDC::CMyMemDC(HDC target, const RECT* rect)
    : m_target(target), m_memDC(GetDeviceCaps(target, TECHNOLOGY) != DT_RASPRINTER) {
    if (!m_memDC) {
        m_hDC = target;
        return;
    }
    if (rect && !IsRectEmpty(rect)) {
        m_rect = *rect;
    } else {
        GetClipBox(target, &m_rect);
    }
    m_hDC = CreateCompatibleDC(target);
    m_bitmap = CreateCompatibleBitmap(target, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top);
    if (!m_hDC || !m_bitmap) {
        // Nothing to buffer with: draw on the target itself.
        if (m_hDC) DeleteDC(m_hDC);
        if (m_bitmap) DeleteObject(m_bitmap);
        m_bitmap = nullptr;
        m_hDC = target;
        m_memDC = false;
        return;
    }
    m_oldBitmap = SelectObject(m_hDC, m_bitmap);
    SetWindowOrgEx(m_hDC, m_rect.left, m_rect.top, nullptr);
}

CMyMemDC::~CMyMemDC() {
    if (!m_memDC) return;
    BitBlt(m_target, m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top, m_hDC,
           m_rect.left, m_rect.top, SRCCOPY);
    SelectObject(m_hDC, m_oldBitmap);
    DeleteObject(m_bitmap);
    DeleteDC(m_hDC);
}
