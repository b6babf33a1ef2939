#include "update/http_get.h"

#include <vector>

InternetSession::InternetSession() {
    m_handle = InternetOpenW(ApplicationName().c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!m_handle) m_error = GetLastError();
}

InternetSession::~InternetSession() {
    if (m_handle) InternetCloseHandle(m_handle);
}

namespace {

// The address as it may go on the wire: a trailing line end or blank (a
// server's answer often ends in one) is dropped, spaces are escaped, and any
// other control character makes it unusable, for it would end the request
// line and let the rest pass as headers. Empty when unusable.
std::wstring WireUrl(const std::wstring& url) {
    std::wstring wire = url;
    while (!wire.empty() && (wire.back() == L'\r' || wire.back() == L'\n' || wire.back() == L' ' ||
                             wire.back() == L'\t')) {
        wire.pop_back();
    }
    std::wstring escaped;
    for (wchar_t c : wire) {
        if (c < 0x20 || c == 0x7F) return std::wstring();
        if (c == L' ') {
            escaped += L"%20";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

}  // namespace

HttpGet::HttpGet(HINTERNET session, const std::wstring& address, DWORD timeoutMs) {
    const std::wstring url = WireUrl(address);
    if (url.empty()) {
        m_error = ERROR_INTERNET_INVALID_URL;
        return;
    }
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof(parts);
    wchar_t host[INTERNET_MAX_HOST_NAME_LENGTH] = L"";
    std::vector<wchar_t> path(url.size() + 1);
    std::vector<wchar_t> extra(url.size() + 1);
    parts.lpszHostName = host;
    parts.dwHostNameLength = ARRAYSIZE(host);
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = static_cast<DWORD>(path.size());
    parts.lpszExtraInfo = extra.data();
    parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
    if (!session || !InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
        m_error = session ? GetLastError() : ERROR_INVALID_HANDLE;
        return;
    }
    // Only the web: a version server must not make the launcher read local or FTP files.
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
        m_error = ERROR_INTERNET_UNRECOGNIZED_SCHEME;
        return;
    }
    m_connection = InternetConnectW(session, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 1);
    if (!m_connection) {
        m_error = GetLastError();
        return;
    }
    const std::wstring target = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                                std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    DWORD flags = INTERNET_FLAG_TRANSFER_ASCII | INTERNET_FLAG_NO_UI;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
    m_request = HttpOpenRequestW(m_connection, L"GET", target.empty() ? L"/" : target.c_str(), nullptr, nullptr,
                                 nullptr, flags, 1);
    if (!m_request) {
        m_error = GetLastError();
        return;
    }
    InternetSetOptionW(m_request, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeoutMs, sizeof(timeoutMs));
    InternetSetOptionW(m_request, INTERNET_OPTION_SEND_TIMEOUT, &timeoutMs, sizeof(timeoutMs));
    if (!HttpSendRequestW(m_request, nullptr, 0, nullptr, 0)) m_error = GetLastError();
}

HttpGet::~HttpGet() {
    if (m_request) InternetCloseHandle(m_request);
    if (m_connection) InternetCloseHandle(m_connection);
}

DWORD HttpGet::StatusCode() {
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!HttpQueryInfoW(m_request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) return 0;
    return status;
}

std::wstring HttpGet::ContentLength() {
    wchar_t text[64] = L"";
    DWORD size = sizeof(text) - sizeof(wchar_t);
    if (!HttpQueryInfoW(m_request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return std::wstring();
    return std::wstring(text, size / sizeof(wchar_t));
}

bool HttpGet::Read(void* buffer, DWORD size, DWORD& read) {
    read = 0;
    if (InternetReadFile(m_request, buffer, size, &read)) return true;
    m_error = GetLastError();
    return false;
}

std::wstring ErrorText(DWORD code) {
    wchar_t* text = nullptr;
    const bool internet = code >= INTERNET_ERROR_BASE && code <= INTERNET_ERROR_LAST;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                        (internet ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM);
    FormatMessageW(flags, internet ? GetModuleHandleW(L"wininet.dll") : nullptr, code, 0,
                   reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = text ? text : L"";
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' ')) {
        message.pop_back();
    }
    for (wchar_t& c : message) {
        if (c == L'\r' || c == L'\n') c = L' ';
    }
    if (message.empty()) message = L"Error " + std::to_wstring(code);
    return message.substr(0, 255);
}

std::wstring ApplicationName() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    const size_t slash = name.find_last_of(L'\\');
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return name;
}
