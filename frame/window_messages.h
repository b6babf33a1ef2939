#pragma once
#include <windows.h>

// Messages between the game frame, its tray icon and a game-host window.
const UINT WM_TRAYICON = WM_USER + 1;
const UINT WM_GAMEWND_ATTACH = WM_USER + 2001;   // game window -> frame, wParam = its handle
const UINT WM_GAMEWND_REFRESH = WM_USER + 2002;  // frame -> game window, posted
const UINT WM_GAMEWND_LAYOUT = WM_USER + 2003;   // frame -> game window; wParam 0 = below the strip, else whole
