// Clearing the browser cache on a worker thread, behind the overlay.
#include "frame/rivedo_quva_dlg.h"

#include <shlobj.h>

#include "frame/cache_clearing.h"
#include "res/resource.h"
#include "widgets/menban_dlg.h"

namespace {

// Reaches the frame only through its window, so a frame that has gone
// meanwhile is simply not told.
DWORD WINAPI CacheClearThread(void* param) {
    HWND frame = static_cast<HWND>(param);
    ClearUrlCache();
    wchar_t folder[MAX_PATH] = L"";
    if (SHGetSpecialFolderPathW(nullptr, folder, CSIDL_INTERNET_CACHE, FALSE)) {
        OutputDebugStringW((std::wstring(L"临时文件夹路径为:") + folder + L"\r\n").c_str());
        CleanFolder(folder);
    }
    SendMessageW(frame, WM_COMMAND, ID_CACHE_CLEARED, 0);
    return 0;
}

}  // namespace

void CRivedo_QuvaDlg::CreateOverlay() {
    m_overlay = std::make_unique<CMenbanDlg>();
    if (!m_overlay->Create(m_hWnd)) {
        m_overlay.reset();
        return;
    }
    ShowWindow(m_overlay->GetSafeHwnd(), SW_HIDE);
}

// One clearing at a time: a second worker would see the overlay hidden by
// the first one's end while it still deletes.
void CRivedo_QuvaDlg::StartCacheClearing() {
    if (m_clearingCache) return;
    if (m_overlay) {
        HWND overlay = m_overlay->GetSafeHwnd();
        RECT frame;
        GetWindowRect(m_hWnd, &frame);
        SetWindowPos(overlay, nullptr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOZORDER);
        SetTimer(overlay, IDT_OVERLAY_ANIMATION, 200, nullptr);
        ShowWindow(overlay, SW_SHOW);
    }
    m_clearingCache = true;
    HANDLE worker = CreateThread(nullptr, 0, CacheClearThread, m_hWnd, 0, nullptr);
    if (!worker) {
        OnCacheCleared();
        return;
    }
    CloseHandle(worker);
}

void CRivedo_QuvaDlg::OnCacheCleared() {
    m_clearingCache = false;
    if (!m_overlay) return;
    KillTimer(m_overlay->GetSafeHwnd(), IDT_OVERLAY_ANIMATION);
    ShowWindow(m_overlay->GetSafeHwnd(), SW_HIDE);
}
