// Developer view of the skinned widgets: a row of OK and Cancel buttons in
// their normal, hover and pressed states on a dark panel, with the exit
// question in the confirmation box over it. Ends by itself after a few
// seconds (or at once when the box is answered), so that a script can take a
// screenshot in between: tools/screenshot-widgets.sh.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include "frame/custom_message_box.h"
#include "framework/dialog.h"
#include "framework/strings.h"
#include "framework/win_app.h"
#include "res/resource.h"
#include "widgets/touch_button.h"

namespace {

class Gallery : public CDialog {
public:
    Gallery() : CDialog(100), m_brush(CreateSolidBrush(RGB(20, 22, 28))) {}
    ~Gallery() override { DeleteObject(m_brush); }

protected:
    BOOL OnInitDialog() override {
        const WORD faces[2][2] = {{IDB_OK, IDB_OK_HOVER}, {IDB_CANCEL, IDB_CANCEL_HOVER}};
        for (int i = 0; i < 6; ++i) {
            m_buttons[i].SubclassDlgItem(1101 + i, this);
            const WORD* face = faces[i / 3];
            m_buttons[i].LoadImages(face[0], face[1], face[1]);
            SetWindowPos(m_buttons[i].GetSafeHwnd(), nullptr, 20 + (i % 3) * 100, 20 + (i / 3) * 50, 82, 34,
                         SWP_NOZORDER);
        }
        SetWindowPos(m_hWnd, nullptr, 40, 40, 600, 360, SWP_NOZORDER);
        return TRUE;
    }

    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (msg == WM_CTLCOLORDLG) {
            result = reinterpret_cast<LRESULT>(m_brush);
            return true;
        }
        return CDialog::OnMessage(msg, wParam, lParam, result);
    }

public:
    // Middle column hovered, right column held down.
    void ShowStates() {
        for (int row = 0; row < 2; ++row) {
            SendMessageW(m_buttons[row * 3 + 1].GetSafeHwnd(), WM_MOUSEHOVER, 0, 0);
            SendMessageW(m_buttons[row * 3 + 2].GetSafeHwnd(), BM_SETSTATE, TRUE, 0);
        }
    }

private:
    HBRUSH m_brush;
    CTouchButton m_buttons[6];
};

class GalleryApp : public CWinApp {
public:
    BOOL InitInstance() override {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
        Gallery gallery;
        gallery.Create(nullptr);
        ShowWindow(gallery.GetSafeHwnd(), SW_SHOW);
        UpdateWindow(gallery.GetSafeHwnd());
        gallery.ShowStates();
        m_pMainWnd = &gallery;

        SetTimer(nullptr, 0, 6000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); });
        const std::wstring text = L"是否退出" + LoadResString(IDS_LAUNCHER_TITLE) + L"？";
        ConfirmBox(L"关闭提示", text);
        m_pMainWnd = nullptr;
        return FALSE;
    }
    int ExitInstance() override {
        Gdiplus::GdiplusShutdown(m_token);
        return 0;
    }

private:
    ULONG_PTR m_token = 0;
};

GalleryApp theGallery;

}  // namespace
