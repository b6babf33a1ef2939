#include "framework/button.h"

bool CButton::OnChildNotify(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
    if (msg != WM_DRAWITEM) return false;
    DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    *result = TRUE;
    return true;
}

void CButton::DrawItem(DRAWITEMSTRUCT*) {}
