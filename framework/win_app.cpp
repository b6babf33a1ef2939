#include "framework/win_app.h"

#include "framework/wnd.h"

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp() {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* GetApp() {
    return g_app;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return m_exitCode;
}

void CWinApp::Run() {
    MSG msg;
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) return;
        if (!WalkPreTranslateTree(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    m_exitCode = static_cast<int>(msg.wParam);
}

void CWinApp::SetRegistryKey(const wchar_t* company) {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, length);
    size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    m_profileKeyPath = std::wstring(L"Software\\") + company + L"\\" + name;
}

std::wstring CWinApp::GetProfileString(const wchar_t* section, const wchar_t* entry,
                                       const wchar_t* defaultValue) const {
    if (m_profileKeyPath.empty()) return defaultValue;
    const std::wstring key = m_profileKeyPath + L"\\" + section;
    wchar_t value[1024] = L"";
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), entry, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return defaultValue;
    }
    return value;
}

bool CWinApp::WriteProfileString(const wchar_t* section, const wchar_t* entry, const std::wstring& value) const {
    if (m_profileKeyPath.empty()) return false;
    const std::wstring path = m_profileKeyPath + L"\\" + section;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    const bool written = RegSetValueExW(key, entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
                         ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}
