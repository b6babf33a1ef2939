#include "app/run_modes.h"

// The game window does not exist yet: game-host mode ends at once, exit code 0.
bool StartGameHost(CWinApp&, HWND, const std::wstring&) {
    return false;
}
