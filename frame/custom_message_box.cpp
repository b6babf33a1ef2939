#include "frame/custom_message_box.h"

#include "framework/dc.h"
#include "res/resource.h"
#include "widgets/arial_font.h"
#include "widgets/png_image.h"

namespace {

const int kWidth = 253;
const int kHeight = 106;

}  // namespace

CCustomMessageBox::CCustomMessageBox() : CDialog(IDD_CUSTOM_MESSAGE_BOX), m_caption(L"温馨提示") {}

void CCustomMessageBox::SetMessage(std::wstring caption, std::wstring text) {
    m_caption = std::move(caption);
    m_text = std::move(text);
}

BOOL CCustomMessageBox::OnInitDialog() {
    CDialog::OnInitDialog();
    m_btnClose.SubclassDlgItem(IDC_BOX_CLOSE, this);
    m_btnOk.SubclassDlgItem(IDOK, this);
    m_btnCancel.SubclassDlgItem(IDCANCEL, this);

    // Resized, not moved: the dialog start-up then centres the box over its owner.
    SetWindowPos(m_hWnd, nullptr, 0, 0, kWidth, kHeight, SWP_NOMOVE | SWP_NOZORDER);
    ModifyStyle(WS_CAPTION, WS_SYSMENU | WS_MINIMIZEBOX);

    RECT client;
    GetClientRect(m_hWnd, &client);
    const UINT place = SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(m_btnClose.GetSafeHwnd(), nullptr, client.right - 25, 10, 28, 26, place);
    SetWindowPos(m_btnOk.GetSafeHwnd(), nullptr, 45, client.bottom - 45, 82, 34, place);
    SetWindowPos(m_btnCancel.GetSafeHwnd(), nullptr, 137, client.bottom - 45, 82, 34, place);
    m_btnClose.LoadImages(IDB_BOX_CLOSE, IDB_BOX_CLOSE, IDB_BOX_CLOSE);
    m_btnOk.LoadImages(IDB_OK, IDB_OK_HOVER, IDB_OK_HOVER);
    m_btnCancel.LoadImages(IDB_CANCEL, IDB_CANCEL_HOVER, IDB_CANCEL_HOVER);

    m_background.reset(LoadPngImage(IDB_BOX_BACKGROUND));
    return TRUE;
}

bool CCustomMessageBox::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:
        Paint(reinterpret_cast<HDC>(wParam));
        result = TRUE;
        return true;
    case WM_NCHITTEST:
        // Dragging anywhere on the background moves the box; the buttons are windows of their own.
        result = DefWindowProcW(m_hWnd, msg, wParam, lParam);
        if (result == HTCLIENT) result = HTCAPTION;
        return true;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_BOX_CLOSE && HIWORD(wParam) == BN_CLICKED) {
            OnCancel();
            return true;
        }
        break;
    }
    return CDialog::OnMessage(msg, wParam, lParam, result);
}

void CCustomMessageBox::Paint(HDC dc) {
    RECT client;
    GetClientRect(m_hWnd, &client);
    CDC buffer;
    if (!buffer.CreateCompatible(dc, client.right, client.bottom)) return;
    HDC memory = buffer.GetSafeHdc();
    {
        Gdiplus::Graphics graphics(memory);
        if (m_background) {
            graphics.DrawImage(m_background.get(), 0, 0, static_cast<INT>(m_background->GetWidth()),
                               static_cast<INT>(m_background->GetHeight()));
        } else {
            // No background art: a plain panel in its colour, so the texts stay readable.
            Gdiplus::SolidBrush panel(Gdiplus::Color(255, 28, 32, 46));
            graphics.FillRectangle(&panel, 0, 0, client.right, client.bottom);
        }
        Gdiplus::StringFormat format;
        format.SetAlignment(Gdiplus::StringAlignmentCenter);
        format.SetLineAlignment(Gdiplus::StringAlignmentNear);
        format.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
        // Whole lines only: a third line that half fits would otherwise be drawn over the buttons.
        format.SetFormatFlags(Gdiplus::StringFormatFlagsLineLimit);

        if (auto font = MakeArialFont(memory, 13, Gdiplus::FontStyleBold)) {
            Gdiplus::SolidBrush white(Gdiplus::Color(255, 255, 255, 255));
            graphics.DrawString(m_caption.c_str(), -1, font.get(), Gdiplus::RectF(85, 7, 100, 25), &format, &white);
        }
        if (auto font = MakeArialFont(memory, 11, Gdiplus::FontStyleRegular)) {
            Gdiplus::SolidBrush text(Gdiplus::Color(255, 255, 236, 247));
            graphics.DrawString(m_text.c_str(), -1, font.get(), Gdiplus::RectF(28, 33, 220, 30), &format, &text);
        }
    }
    BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
}

bool ConfirmBox(const std::wstring& caption, const std::wstring& text) {
    CCustomMessageBox box;
    box.SetMessage(caption, text);
    return box.DoModal() == IDOK;
}
