#include "app/file_utils.h"

namespace {
const DWORD kRetryStepMs = 100;
}

bool RetryWhileHeld(const std::function<bool()>& attempt, DWORD limitMs, DWORD& error) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (attempt()) return true;
        error = GetLastError();
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
        if (!held || GetTickCount() - start >= limitMs) return false;
        Sleep(kRetryStepMs);
    }
}
