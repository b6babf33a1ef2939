// Developer view of the game frame, where pages never render and so nobody
// can sign in by hand: the launcher's own start runs, and its login page is
// navigated to a game URL as the sign-in form would do it. The frame then
// shows in the state named on the command line (maximised, restored,
// fullscreen, traymenu or overlay) until the caller ends the process:
// tools/screenshot.sh frame.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shellapi.h>
#include <commctrl.h>

#include <string>

#include "app/run_modes.h"
#include "frame/window_messages.h"
#include "framework/win_app.h"
#include "login/login_popup_dlg.h"
#include "widgets/menban_dlg.h"
#include "res/resource.h"

namespace {

const wchar_t kGameUrl[] = L"http://127.0.0.1:18080/play_gamecode?server=1&token=9a11e4y0";
std::wstring g_state;

// The first visible window of this thread whose object is a T.
template <class T>
HWND FindWindowOf() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            if (IsWindowVisible(hwnd) && dynamic_cast<T*>(CWnd::FromHandle(hwnd))) {
                *reinterpret_cast<HWND*>(param) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// The frame is the visible window that has the game view.
HWND FindFrame() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            if (IsWindowVisible(hwnd) && GetDlgItem(hwnd, IDC_GAME_VIEW)) {
                *reinterpret_cast<HWND*>(param) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void CALLBACK ShowState(HWND, UINT, UINT_PTR id, DWORD) {
    HWND frame = FindFrame();
    if (!frame) return;
    KillTimer(nullptr, id);
    auto click = [frame](int control) {
        SendMessageW(frame, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), 0);
    };
    if (g_state == L"restored") click(IDC_FRAME_RESTORE);
    if (g_state == L"fullscreen") click(IDC_FRAME_FULLSCREEN);
    if (g_state == L"traymenu") {
        // Where the tray would be: the bottom right corner of the screen.
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 60, GetSystemMetrics(SM_CYSCREEN) - 120);
        SendMessageW(frame, WM_TRAYICON, 0, WM_RBUTTONUP);
    }
    if (g_state == L"overlay") {
        // A clearing ends within milliseconds here; the overlay is held up
        // as the frame lays it out while one runs.
        CMenbanDlg* overlay = nullptr;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND hwnd, LPARAM param) -> BOOL {
                auto* found = dynamic_cast<CMenbanDlg*>(CWnd::FromHandle(hwnd));
                if (!found) return TRUE;
                *reinterpret_cast<CMenbanDlg**>(param) = found;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&overlay));
        if (overlay) overlay->ShowOver(frame);
    }
}

void CALLBACK SignIn(HWND, UINT, UINT_PTR id, DWORD) {
    HWND popup = FindWindowOf<CLoginPopupDlg>();
    if (!popup) return;
    KillTimer(nullptr, id);
    auto* dialog = dynamic_cast<CLoginPopupDlg*>(CWnd::FromHandle(popup));
    BSTR url = SysAllocString(kGameUrl);
    dialog->WebForm()->Navigate(url);
    SysFreeString(url);
    SetTimer(nullptr, 0, 100, ShowState);
}

class FrameGalleryApp : public CWinApp {
public:
    BOOL InitInstance() override {
        int count = 0;
        wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
        g_state = args && count > 1 ? args[1] : L"maximised";
        LocalFree(args);
        INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
        InitCommonControlsEx(&controls);
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
        SetTimer(nullptr, 0, 300, SignIn);
        RunLauncher(*this);
        return FALSE;
    }
    int ExitInstance() override {
        Gdiplus::GdiplusShutdown(m_token);
        return 0;
    }

private:
    ULONG_PTR m_token = 0;
};

FrameGalleryApp theGallery;

}  // namespace
