#pragma once
// Catches the lines that OutputDebugString writes. It raises an exception
// that carries the text; a vectored handler sees it before the system does,
// without a debugger attached, on whichever thread wrote the line.
#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#ifndef DBG_PRINTEXCEPTION_WIDE_C
#define DBG_PRINTEXCEPTION_WIDE_C 0x4001000A
#endif

class DebugOutputCapture {
public:
    DebugOutputCapture() {
        Lines().clear();
        m_handler = AddVectoredExceptionHandler(1, Capture);
    }
    ~DebugOutputCapture() { RemoveVectoredExceptionHandler(m_handler); }
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    void Clear() {
        std::lock_guard<std::mutex> lock(Mutex());
        Lines().clear();
    }

    std::vector<std::wstring> Taken() {
        std::lock_guard<std::mutex> lock(Mutex());
        return Lines();
    }

    // The line as it reaches a debugger here: Wine passes it on in the ANSI code page.
    static std::wstring AsSeen(const std::wstring& line) {
        const int size = WideCharToMultiByte(CP_ACP, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string narrow(size - 1, '\0');
        WideCharToMultiByte(CP_ACP, 0, line.c_str(), -1, &narrow[0], size, nullptr, nullptr);
        return Widened(narrow.c_str());
    }

private:
    static std::vector<std::wstring>& Lines() {
        static std::vector<std::wstring> lines;
        return lines;
    }
    static std::mutex& Mutex() {
        static std::mutex mutex;
        return mutex;
    }
    static std::wstring Widened(const char* text) {
        const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
        std::wstring wide(size > 0 ? size - 1 : 0, L'\0');
        if (size > 1) MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], size);
        return wide;
    }

    static LONG CALLBACK Capture(EXCEPTION_POINTERS* info) {
        const EXCEPTION_RECORD* r = info->ExceptionRecord;
        if (r->NumberParameters < 2) return EXCEPTION_CONTINUE_SEARCH;
        // The narrow copy that follows a wide one on the same thread is the same line again.
        thread_local bool wideSeen = false;
        std::lock_guard<std::mutex> lock(Mutex());
        if (r->ExceptionCode == DBG_PRINTEXCEPTION_WIDE_C) {
            Lines().emplace_back(reinterpret_cast<const wchar_t*>(r->ExceptionInformation[1]));
            wideSeen = true;
        } else if (r->ExceptionCode == DBG_PRINTEXCEPTION_C) {
            if (!wideSeen) Lines().push_back(Widened(reinterpret_cast<const char*>(r->ExceptionInformation[1])));
            wideSeen = false;
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }

    void* m_handler;
};
