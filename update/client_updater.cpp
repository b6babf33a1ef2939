#include "update/client_updater.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "app/decimal.h"
#include "app/file_utils.h"
#include "app/install.h"
#include "framework/handles.h"
#include "update/executable_trust.h"
#include "update/http_get.h"
#include "update/update_rules.h"

namespace {

// A stalled server ends a step after this long without data, rather than
// freezing the login window for good.
const DWORD kCheckTimeoutMs = 10000;
const DWORD kDownloadTimeoutMs = 15000;
const DWORD kConnectTimeoutMs = 5000;
const DWORD kMaxResponseBytes = 1023;
// Measured with tools/bench-download.sh on loopback: 1 KiB pieces reach a
// twentieth of curl's rate, 256 KiB ones about nine tenths.
const DWORD kCopyBufferBytes = 256 * 1024;

std::wstring FromAnsi(const std::string& bytes) {
    const int size = MultiByteToWideChar(CP_THREAD_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(size > 0 ? size : 0, L'\0');
    if (size > 0) MultiByteToWideChar(CP_THREAD_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], size);
    return text;
}

std::wstring Format(const wchar_t* prefix, long value) {
    return prefix + std::to_wstring(value);
}

}  // namespace

CClientUpdater::CClientUpdater(const std::wstring& tempFileName, const std::wstring& subFolder) {
    const std::wstring appData = ShellFolder(CSIDL_APPDATA);
    m_tempExePath = appData + L"\\cache";
    if (GetFileAttributesW(m_tempExePath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        CreateDirectoryW(m_tempExePath.c_str(), nullptr);
    }
    m_tempExePath += tempFileName;
    // A download left by an earlier start is never reused.
    if (GetFileAttributesW(m_tempExePath.c_str()) != INVALID_FILE_ATTRIBUTES) DeleteFileW(m_tempExePath.c_str());
    m_installedExePath = appData + subFolder + ExecutableFileName();
    m_subFolder = subFolder;
}

int CClientUpdater::WriteLog(const std::wstring& message) {
    if (m_logFolder.empty()) m_logFolder = ShellFolder(CSIDL_APPDATA) + m_subFolder + L"\\";
    return AppendUpdateLog(m_logFolder, message);
}

void CClientUpdater::LogException(unsigned long error) {
    WriteLog(L"Try Download File Exception");
    WriteLog(ErrorText(error));
}

bool CClientUpdater::CheckVersion(const std::wstring& baseUrl, const std::wstring& query,
                                  const std::wstring& version) {
    m_checkUrl = baseUrl + L"/" + query + version;
    const std::wstring response = HttpGetText(m_checkUrl);
    WriteLog(L"Server response check version msg:" + response);
    if (MeansNoUpdate(response)) {
        WriteLog(L"Finish Update.");
        WriteLog(L"=====================");
        return false;
    }
    m_downloadUrl = response;
    return true;
}

std::wstring CClientUpdater::HttpGetText(const std::wstring& url) {
    InternetSession session;
    if (!session.Get()) {
        LogException(session.Error());
        return std::wstring();
    }
    DWORD connectTimeout = kConnectTimeoutMs;
    InternetSetOptionW(session.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connectTimeout, sizeof(connectTimeout));
    HttpGet request(session.Get(), url, kCheckTimeoutMs);
    if (!request.Sent()) {
        LogException(request.Error());
        return std::wstring();
    }
    const DWORD status = request.StatusCode();
    WriteLog(Format(L"Http QueryInfoStatusCode:", static_cast<long>(status)));
    if (status >= 400) return std::wstring();
    // The whole body, however it is split on the way, up to the bound.
    std::string body;
    char piece[1024];
    DWORD read = 0;
    while (body.size() < kMaxResponseBytes) {
        if (!request.Read(piece, sizeof(piece), read)) {
            LogException(request.Error());
            return std::wstring();
        }
        if (read == 0) break;
        body.append(piece, read);
    }
    if (body.size() > kMaxResponseBytes) body.resize(kMaxResponseBytes);
    const size_t nul = body.find('\0');
    if (nul != std::string::npos) body.resize(nul);
    return FromAnsi(body);
}

bool CClientUpdater::DownloadToTemp(const std::wstring& url) {
    WriteLog(L"ExcuUpdate,URL=" + url);
    InternetSession session;
    if (!session.Get()) {
        LogException(session.Error());
        return false;
    }
    HttpGet request(session.Get(), url, kDownloadTimeoutMs);
    if (!request.Sent()) {
        LogException(request.Error());
        return false;
    }
    const DWORD status = request.StatusCode();
    WriteLog(Format(L"Http QueryInfoStatusCode:", static_cast<long>(status)));
    if (status >= 400) return false;
    const long total = ParseLeadingDecimal(request.ContentLength());
    WriteLog(Format(L"Content length:", total));

    long existing = 0;
    {
        UniqueHandle probe(CreateFileW(m_tempExePath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (probe.Valid()) existing = static_cast<long>(GetFileSize(probe.Get(), nullptr));
    }
    if (existing == total) {
        WriteLog(L"ERROR!Before download dwFileSize == dwToatlSize,exit");
        return false;
    }
    UniqueHandle file(CreateFileW(m_tempExePath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.Valid()) return false;
    SetFilePointer(file.Get(), 0, nullptr, FILE_END);

    std::vector<char> buffer(kCopyBufferBytes);
    long received = 0;
    for (;;) {
        DWORD read = 0;
        if (!request.Read(buffer.data(), kCopyBufferBytes, read)) {
            LogException(request.Error());
            return false;
        }
        if (read == 0) break;
        DWORD written = 0;
        if (!WriteFile(file.Get(), buffer.data(), read, &written, nullptr) || written != read) {
            LogException(GetLastError());
            return false;
        }
        received += static_cast<long>(read);
    }
    file.Reset();
    if (!DownloadComplete(existing, received, total)) return false;
    WriteLog(Format(L"Finish download,file size=", total));
    return true;
}

void CClientUpdater::DownloadUpdate(const std::wstring& url) {
    if (!DownloadToTemp(url)) return;
    std::wstring md5;
    GetFileMd5(m_tempExePath, md5);
    WriteLog(L"Finish download,file md5=" + md5);
    std::wstring reason;
    if (!MayStartUpdate(m_tempExePath, reason)) {
        // A wrong or forged file is never started: the player keeps this launcher.
        WriteLog(L"Update refused:" + reason);
        WriteLog(L"=====================");
        return;
    }
    LaunchUpdateApply(m_tempExePath, m_installedExePath);
}
