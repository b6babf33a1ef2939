#pragma once
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <memory>
#include <string>

#include "framework/dialog.h"
#include "widgets/touch_button.h"

// The skinned question box that every prompt of the launcher uses: a PNG
// background, a caption line, up to two lines of text, OK, Cancel and a small
// close button. Dragging its background moves it. DoModal gives IDOK for OK
// and IDCANCEL for Cancel, the close button and Escape.
class CCustomMessageBox : public CDialog {
public:
    CCustomMessageBox();

    void SetMessage(std::wstring caption, std::wstring text);

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    CTouchButton m_btnOk;
    CTouchButton m_btnCancel;
    CTouchButton m_btnClose;
    std::unique_ptr<Gdiplus::Image> m_background;
    std::wstring m_caption;
    std::wstring m_text;

    // Draws the whole box onto dc.
    void Paint(HDC dc);
};

// Asks the question in the skinned box; true only when the player chose OK.
bool ConfirmBox(const std::wstring& caption, const std::wstring& text);
