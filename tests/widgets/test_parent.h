#pragma once
// A plain dialog with two skinned buttons over a solid background, for the widget tests.
#include <windows.h>

#include "fixtures/ui_test_ids.h"
#include "framework/dialog.h"
#include "ui_helpers.h"
#include "widgets/touch_button.h"

// Opens the button's inner state to the tests.
class ProbeButton : public CTouchButton {
public:
    using CTouchButton::m_dcBk;
    using CTouchButton::m_dcHover;
    using CTouchButton::m_dcNormal;
    using CTouchButton::m_dcPressed;
    using CTouchButton::m_pToolTip;
};

class TestParent : public CDialog {
public:
    explicit TestParent(COLORREF background) : CDialog(IDD_TEST_PARENT), m_brush(CreateSolidBrush(background)) {}
    ~TestParent() override {
        if (m_hWnd) DestroyWindow(m_hWnd);
        DeleteObject(m_brush);
    }

    void SetBackground(COLORREF background) {
        DeleteObject(m_brush);
        m_brush = CreateSolidBrush(background);
    }

    ProbeButton first;
    ProbeButton second;
    int clicks = 0;

protected:
    BOOL OnInitDialog() override {
        first.SubclassDlgItem(IDC_TEST_BUTTON, this);
        second.SubclassDlgItem(IDC_TEST_BUTTON2, this);
        return TRUE;
    }
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (msg == WM_CTLCOLORDLG) {
            result = reinterpret_cast<LRESULT>(m_brush);
            return true;
        }
        if (msg == WM_COMMAND && LOWORD(wParam) == IDC_TEST_BUTTON && HIWORD(wParam) == BN_CLICKED) ++clicks;
        return CDialog::OnMessage(msg, wParam, lParam, result);
    }

private:
    HBRUSH m_brush;
};
