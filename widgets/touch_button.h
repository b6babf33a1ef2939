#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "framework/button.h"
#include "framework/dc.h"
#include "widgets/gdiplus_bitmap.h"

// A push button drawn entirely from three PNG resources (normal, hover,
// pressed). It looks transparent: at its first paint it captures the parent's
// pixels under it and composes each state image over them once; every later
// paint copies one prepared state. Hover brightens the hover image.
class CTouchButton : public CButton {
public:
    CTouchButton();
    ~CTouchButton() override;

    // Resource ids of type "PNG"; call once, before the first paint. Returns
    // whether the hover image loaded.
    bool LoadImages(WORD normal, WORD hover, WORD pressed);

    // An empty text does nothing.
    void SetTooltipText(const std::wstring& text, BOOL activate = TRUE);

    bool PreTranslateMessage(MSG* msg) override;
    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

protected:
    void PreSubclassWindow() override;
    void DrawItem(DRAWITEMSTRUCT* item) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Composes the state DCs over the captured background, once.
    void PrepareStateImages(HDC dc);

    BOOL m_bPrepared = FALSE;
    BOOL m_bHover = FALSE;
    BOOL m_bTracking = FALSE;
    std::unique_ptr<CGdiPlusBitmapResource> m_pImgHover;
    std::unique_ptr<CGdiPlusBitmapResource> m_pImgNormal;
    std::unique_ptr<CGdiPlusBitmapResource> m_pImgPressed;
    std::wstring m_strTooltip;
    HWND m_pToolTip = nullptr;
    CDC m_dcBk;
    CDC m_dcNormal;
    CDC m_dcPressed;
    CDC m_dcHover;
    CDC* m_pCurDC = nullptr;

private:
    void DestroyTooltip();
};
