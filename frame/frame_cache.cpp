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
    m_overlay->Hide();
}

// One clearing at a time: a second worker would see the overlay hidden by
// the first one's end while it still deletes.
void CRivedo_QuvaDlg::StartCacheClearing() {
    if (m_clearingCache) return;
    if (m_overlay) m_overlay->ShowOver(m_hWnd);
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
    if (m_overlay) m_overlay->Hide();
}
