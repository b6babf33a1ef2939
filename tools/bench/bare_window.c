/* The yardstick of tools/bench-start.sh: the least a Win32 program does to
 * show a window of the launcher's login size (1210 x 746), built with the
 * launcher's compiler and flags. It registers a class, shows one top-level
 * window and runs a message loop until it is killed or closed. */
#include <windows.h>

static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show) {
    (void)previous;
    (void)commandLine;
    (void)show;
    WNDCLASSW windowClass = {0};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    windowClass.lpszClassName = L"BareWindow";
    if (!RegisterClassW(&windowClass)) return 1;

    /* The login window's styles, centred as it is. */
    const int width = 1210, height = 746;
    HWND hwnd = CreateWindowExW(WS_EX_APPWINDOW, L"BareWindow", L"Bare window", WS_POPUP | WS_SYSMENU,
                                (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, NULL, NULL,
                                instance, NULL);
    if (!hwnd) return 1;
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);

    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
