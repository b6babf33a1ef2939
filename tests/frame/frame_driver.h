#pragma once
// Drives the real game frame: its login window is signed in as the page would
// do it, then a script runs on the UI thread while the frame's modal loop runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "browser/event_params.h"
#include "browser/loopback_listener.h"
#include "frame/custom_message_box.h"
#include "frame/rivedo_quva_dlg.h"
#include "login/login_popup_dlg.h"
#include "login/rivedo_login.h"
#include "ui_helpers.h"

// Opens the frame's state to the tests.
class ProbeFrame : public CRivedo_QuvaDlg {
public:
    using CRivedo_QuvaDlg::ExitFrame;
    using CRivedo_QuvaDlg::m_fullScreen;
    using CRivedo_QuvaDlg::m_gameUrl;
    using CRivedo_QuvaDlg::m_gameWnd;
    using CRivedo_QuvaDlg::m_htmlView;
    using CRivedo_QuvaDlg::m_maximised;
    using CRivedo_QuvaDlg::m_minimisedByButton;
    using CRivedo_QuvaDlg::m_overlay;
    using CRivedo_QuvaDlg::m_trayIcon;
    using CRivedo_QuvaDlg::m_trayIconAdded;
};

// The frame's tray calls, recorded on their way to the shell.
struct NotifyCall {
    DWORD message;
    NOTIFYICONDATAW data;
};
inline std::vector<NotifyCall> g_notifyCalls;

inline BOOL WINAPI RecordNotify(DWORD message, PNOTIFYICONDATAW data) {
    g_notifyCalls.push_back({message, *data});
    return Shell_NotifyIconW(message, data);
}

inline int NotifyCount(DWORD message) {
    int count = 0;
    for (const NotifyCall& call : g_notifyCalls) count += call.message == message ? 1 : 0;
    return count;
}

// Pumps the thread's messages for about ms milliseconds.
inline void PumpFor(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    do {
        PumpMessages();
        Sleep(5);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
    PumpMessages();
}

// Waits that WhenReady has armed and that have not run yet.
struct PendingWait {
    std::function<bool()> ready;
    std::function<void()> action;
    DWORD deadline;
};
inline std::map<UINT_PTR, PendingWait> g_pendingWaits;

// Runs action once ready() holds, polled from a thread timer; after timeoutMs
// it fails the test and runs action all the same, so that loops still end.
inline void WhenReady(std::function<bool()> ready, std::function<void()> action, DWORD timeoutMs = 15000) {
    const UINT_PTR id = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR id, DWORD) {
        auto it = g_pendingWaits.find(id);
        if (it == g_pendingWaits.end()) return;
        const bool late = static_cast<LONG>(GetTickCount() - it->second.deadline) > 0;
        if (!late && !it->second.ready()) return;
        KillTimer(nullptr, id);
        PendingWait p = std::move(it->second);
        g_pendingWaits.erase(it);
        if (late) ADD_FAILURE() << "waited in vain";
        p.action();
    });
    g_pendingWaits[id] = {std::move(ready), std::move(action), GetTickCount() + timeoutMs};
}

// Drops the waits that never came true, so that none spills into the next test.
inline void CancelPendingWaits() {
    for (const auto& [id, wait] : g_pendingWaits) {
        KillTimer(nullptr, id);
        ADD_FAILURE() << "a wait never came true";
    }
    g_pendingWaits.clear();
}

// The window of class T that exists on this thread, or null.
template <class T>
T* FindThreadWindow() {
    T* found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            if (T* object = dynamic_cast<T*>(CWnd::FromHandle(hwnd))) {
                *reinterpret_cast<T**>(param) = object;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// The login popup once it is up on this thread, or null.
inline CLoginPopupDlg* FindLoginPopup() {
    CLoginPopupDlg* popup = FindThreadWindow<CLoginPopupDlg>();
    return popup && IsWindowVisible(popup->GetSafeHwnd()) ? popup : nullptr;
}

// A game URL on a port that refuses: the view's navigation fails at once.
inline std::wstring RefusedGameUrl() {
    LoopbackListener closed;
    return closed.Url(L"/play_gamecode?server=1&token=5e1d");
}

// Runs the frame modally. The login window is signed in by handing the
// popup's page a navigation to gameUrl; script runs once the frame shows and
// must end the frame. One that does not is failed and the frame ended.
// With realNavigation the popup's own browser navigates there instead, so the
// control fires the event itself.
inline INT_PTR RunFrame(ProbeFrame& frame, const std::wstring& gameUrl, std::function<void()> script,
                        bool realNavigation = false) {
    static ProbeFrame* running = nullptr;
    running = &frame;
    WhenReady([] { return FindLoginPopup() != nullptr; },
              [gameUrl, realNavigation] {
                  CLoginPopupDlg* popup = FindLoginPopup();
                  if (!popup) return;
                  WebFormLogin* form = popup->WebForm();
                  if (realNavigation) {
                      BSTR url = SysAllocString(gameUrl.c_str());
                      form->Navigate(url);
                      SysFreeString(url);
                      return;
                  }
                  BeforeNavigate2Args args(gameUrl);
                  form->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &args.params, nullptr, nullptr,
                               nullptr);
              });
    UINT_PTR watchdog = 0;
    WhenReady([&frame] { return frame.GetSafeHwnd() && IsWindowVisible(frame.GetSafeHwnd()) && frame.m_htmlView; },
              [script, &watchdog] {
                  script();
                  watchdog = SetTimer(nullptr, 0, 3000, [](HWND, UINT, UINT_PTR id, DWORD) {
                      KillTimer(nullptr, id);
                      ADD_FAILURE() << "the script left the frame running";
                      running->ExitFrame();
                  });
              });
    const INT_PTR result = frame.DoModal();
    if (watchdog) KillTimer(nullptr, watchdog);
    running = nullptr;
    CancelPendingWaits();
    return result;
}

// The caption and text of a confirmation box.
struct BoxQuestion {
    std::wstring caption;
    std::wstring text;
    bool operator==(const BoxQuestion& other) const { return caption == other.caption && text == other.text; }
};

inline BoxQuestion QuestionOf(HWND box) {
    struct Reader : CCustomMessageBox {
        static BoxQuestion Of(CCustomMessageBox* b) {
            return {b->*(&Reader::m_caption), b->*(&Reader::m_text)};
        }
    };
    auto* object = dynamic_cast<CCustomMessageBox*>(CWnd::FromHandle(box));
    return object ? Reader::Of(object) : BoxQuestion{};
}

// A confirmation box on this thread that AnswerBoxes has not answered yet.
inline HWND FindNewBox(const std::vector<HWND>& answered) {
    struct Search {
        const std::vector<HWND>* answered;
        HWND found;
    } search = {&answered, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            for (HWND done : *s->answered) {
                if (done == hwnd) return TRUE;
            }
            if (IsWindowVisible(hwnd) && dynamic_cast<CCustomMessageBox*>(CWnd::FromHandle(hwnd))) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Answers the next boxes that come up with IDOK or IDCANCEL, in order; what
// each asked is appended to asked, and seen(), if given, runs as each is found.
inline void AnswerBoxes(std::vector<int> answers, std::vector<BoxQuestion>* asked,
                        std::function<void()> seen = nullptr, std::vector<HWND> answered = {}) {
    if (answers.empty()) return;
    WhenReady([answered] { return FindNewBox(answered) != nullptr; },
              [answers, asked, seen, answered]() mutable {
                  HWND box = FindNewBox(answered);
                  if (!box) return;
                  if (asked) asked->push_back(QuestionOf(box));
                  if (seen) seen();
                  const int answer = answers.front();
                  answers.erase(answers.begin());
                  answered.push_back(box);
                  PostMessageW(GetDlgItem(box, answer), BM_CLICK, 0, 0);
                  AnswerBoxes(answers, asked, seen, answered);
              });
}

inline RECT WindowRect(HWND hwnd) {
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    return rect;
}

inline RECT WorkArea() {
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

inline bool SameRect(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

inline std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}
