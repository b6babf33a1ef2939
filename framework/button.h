#pragma once
#include "framework/wnd.h"

// A push button control; owner-draw subclasses paint in DrawItem, which the
// parent dialog's WM_DRAWITEM reaches through reflection.
class CButton : public CWnd {
public:
    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

protected:
    virtual void DrawItem(DRAWITEMSTRUCT* item);
};
