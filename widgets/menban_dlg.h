#pragma once
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include "framework/dialog.h"

// The overlay's animation timer; its owner sets and kills it on the overlay's window.
const UINT_PTR IDT_OVERLAY_ANIMATION = 5000;

// A translucent wait mask laid over the game frame while the browser cache is
// cleared: a dark background, a four-frame spinning wheel and the text of
// string 116. Its owner creates it hidden, sizes it, shows it and drives its
// animation with timer IDT_OVERLAY_ANIMATION (200 ms).
class CMenbanDlg : public CDialog {
public:
    CMenbanDlg();
    ~CMenbanDlg() override;

    // Laid over window's whole rectangle (no change of z-order), animated and shown.
    void ShowOver(HWND window);
    // The animation stopped and the overlay hidden; it keeps its place and frame.
    void Hide();

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The background tile (275) and the four wheel frames (276 to 279); any may
    // be null when its resource could not be loaded, and is then not drawn.
    Gdiplus::Image* m_pImages[5] = {};
    Gdiplus::Image* m_pCurImage = nullptr;
    // The wheel frame that the next tick shows, 1 to 4.
    int m_nFrame = 1;

private:
    void Paint(HDC dc);
    // One animation tick: shows frame m_nFrame and moves on to the next.
    void NextFrame();
    // Where the current frame sits in the client area; false without a frame.
    bool WheelRect(RECT& rect) const;
    void FreeImages();
};
