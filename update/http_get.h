#pragma once
#include <windows.h>
#include <wininet.h>

#include <string>

// The root Internet handle of one step, with the application's name as agent
// and the system's proxy settings.
class InternetSession {
public:
    InternetSession();
    ~InternetSession();
    InternetSession(const InternetSession&) = delete;
    InternetSession& operator=(const InternetSession&) = delete;

    HINTERNET Get() const { return m_handle; }
    DWORD Error() const { return m_error; }

private:
    HINTERNET m_handle = nullptr;
    DWORD m_error = 0;
};

// One HTTP GET, sent by the constructor; redirects are followed. Receive and
// send time-outs are set on the request itself, the only place where every
// platform honours them. Error() is the system error code of the first
// failure; 0 while all went well.
class HttpGet {
public:
    HttpGet(HINTERNET session, const std::wstring& url, DWORD timeoutMs);
    ~HttpGet();
    HttpGet(const HttpGet&) = delete;
    HttpGet& operator=(const HttpGet&) = delete;

    bool Sent() const { return m_request != nullptr && m_error == 0; }
    DWORD Error() const { return m_error; }

    DWORD StatusCode();
    // The Content-Length header as the server wrote it; empty when missing.
    std::wstring ContentLength();
    // Reads up to size bytes; read is 0 at the end of the body. False on failure.
    bool Read(void* buffer, DWORD size, DWORD& read);

private:
    HINTERNET m_connection = nullptr;
    HINTERNET m_request = nullptr;
    DWORD m_error = 0;
};

// The system's text for an Internet or file error code, on one line, at most
// 255 characters; the number itself when there is no text.
std::wstring ErrorText(DWORD code);

// The running executable's file name without its extension.
std::wstring ApplicationName();
