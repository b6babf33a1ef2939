#pragma once
// A game window on a thread of its own, as the game host would be: it
// announces itself to the frame and records what the frame sends it.
#include <windows.h>

#include <mutex>
#include <thread>
#include <vector>

#include "frame/window_messages.h"
#include "ui_helpers.h"

// Milliseconds from the performance counter: the tick count moves in steps
// of many milliseconds here, too coarse to see a 50 ms pause.
inline double NowMs() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

class StandInGameWindow {
public:
    struct Record {
        UINT message;
        WPARAM wParam;
        double at;  // NowMs()
    };

    explicit StandInGameWindow(HWND frame) {
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_thread = std::thread([this, frame, ready] { Run(frame, ready); });
        // The announcement is sent to this thread: keep answering while waiting.
        while (WaitForSingleObject(ready, 5) == WAIT_TIMEOUT) PumpMessages();
        CloseHandle(ready);
    }
    ~StandInGameWindow() {
        if (IsWindow(m_hwnd)) PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
        m_thread.join();
    }
    StandInGameWindow(const StandInGameWindow&) = delete;
    StandInGameWindow& operator=(const StandInGameWindow&) = delete;

    HWND Hwnd() const { return m_hwnd; }

    // What arrived since the last call.
    std::vector<Record> Take() {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<Record> taken;
        taken.swap(m_records);
        return taken;
    }

private:
    void Run(HWND frame, HANDLE ready) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"StandInGameWindow";
        RegisterClassW(&wc);
        m_hwnd = CreateWindowExW(0, wc.lpszClassName, L"game", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 wc.hInstance, nullptr);
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SendMessageW(frame, WM_GAMEWND_ATTACH, reinterpret_cast<WPARAM>(m_hwnd), 0);
        SetEvent(ready);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<StandInGameWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && (msg == WM_GAMEWND_LAYOUT || msg == WM_GAMEWND_REFRESH || msg == WM_CLOSE)) {
            std::lock_guard<std::mutex> lock(self->m_mutex);
            self->m_records.push_back({msg, wParam, NowMs()});
        }
        if (msg == WM_CLOSE) {
            DestroyWindow(hwnd);
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    HWND m_hwnd = nullptr;
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<Record> m_records;
};
