// System-wide hotkeys of the frame: refresh, the boss key and full screen.
#include "frame/rivedo_quva_dlg.h"

#include "app/file_utils.h"
#include "frame/hotkey_text.h"

namespace {

const int HOTKEY_REFRESH = 1;
const int HOTKEY_BOSS = 2;
const int HOTKEY_FULLSCREEN = 3;

}  // namespace

// Read once: a changed settings file counts from the next start. The keys
// stay registered as long as the frame's window exists. A missing
// key falls back to the default file's own value, never to a bare "0" key
// that would hide the game whenever the player typed a zero elsewhere. A key
// present but empty registers nothing.
void CRivedo_QuvaDlg::RegisterHotkeys() {
    const struct {
        int id;
        const wchar_t* key;
        const wchar_t* fallback;
    } configurable[] = {
        {HOTKEY_BOSS, L"screentoggle", L"F10"},
        {HOTKEY_FULLSCREEN, L"fullscreen", L"F11"},
    };
    for (const auto& hotkey : configurable) {
        const std::wstring text = ReadSetting(L"Setting", hotkey.key, hotkey.fallback);
        if (text.empty()) continue;
        UnregisterHotKey(m_hWnd, hotkey.id);
        const HotkeyCombination combination = ParseHotkey(text);
        RegisterHotKey(m_hWnd, hotkey.id, combination.modifiers, combination.code);
    }
    RegisterHotKey(m_hWnd, HOTKEY_REFRESH, 0, VK_F5);
}

// Active means the foreground window is the frame or the popup it last
// activated, such as one of its questions.
bool CRivedo_QuvaDlg::IsActiveTopLevel() const {
    return GetForegroundWindow() == GetLastActivePopup(m_hWnd);
}

void CRivedo_QuvaDlg::OnHotkey(WPARAM id) {
    switch (id) {
    case HOTKEY_REFRESH:
        if (IsActiveTopLevel()) RefreshGame();
        break;
    case HOTKEY_BOSS:
        if (m_minimisedByButton == 0) {
            ShowWindow(m_hWnd, IsWindowVisible(m_hWnd) ? SW_HIDE : SW_SHOW);
            break;
        }
        // Minimised by its own button: come back in the layout it had.
        ShowWindow(m_hWnd, SW_SHOW);
        if (m_maximised) {
            Maximise();
        } else {
            Restore();
        }
        SetForegroundWindow(m_hWnd);
        break;
    case HOTKEY_FULLSCREEN:
        if (!IsActiveTopLevel()) break;
        if (m_fullScreen) {
            LeaveFullScreen();
        } else {
            GoFullScreen();
        }
        break;
    }
}
