#pragma once
// Small helpers shared by the window tests.
#include <windows.h>

#include "framework/wnd.h"
#include "res/resource.h"

// Dispatches what is queued, through the PreTranslateMessage chain as the real loops do.
inline void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!WalkPreTranslateTree(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

// The confirmation box that is up on this thread, found by its close and OK
// buttons (the game frame has a control 1001 too); null if none.
inline HWND FindBox() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            if (IsWindowVisible(hwnd) && GetDlgItem(hwnd, IDC_BOX_CLOSE) && GetDlgItem(hwnd, IDOK)) {
                *reinterpret_cast<HWND*>(param) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}
