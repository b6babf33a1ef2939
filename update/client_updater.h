#pragma once
#include <string>

// One self-update check of one launcher start: asks the version server,
// downloads what it names into the temporary executable and hands over to it.
// Every step is written to the update log; nothing is shown to the player.
class CClientUpdater {
public:
    // tempFileName is "\<name>.exe", subFolder "\<folder>\<folder>\"; an
    // earlier start's temporary executable is deleted here.
    CClientUpdater(const std::wstring& tempFileName, const std::wstring& subFolder);

    // True when the server's answer names a download (then in m_downloadUrl).
    bool CheckVersion(const std::wstring& baseUrl, const std::wstring& query, const std::wstring& version);
    // The body of a GET, as text in the ANSI code page, at most 1023 bytes;
    // empty on any failure or a status of 400 or more.
    std::wstring HttpGetText(const std::wstring& url);
    // 0 when the line was written, -1 otherwise.
    int WriteLog(const std::wstring& message);
    // Downloads url and, when the file is complete and may run, hands over to
    // it: the process then ends. Returns when there is nothing to apply.
    void DownloadUpdate(const std::wstring& url);
    // The download alone, up to its "file size" line: true when the
    // temporary executable is complete.
    bool DownloadToTemp(const std::wstring& url);

    std::wstring m_checkUrl;
    std::wstring m_tempExePath;
    std::wstring m_installedExePath;
    std::wstring m_subFolder;
    std::wstring m_downloadUrl;

private:
    void LogException(unsigned long error);

    std::wstring m_logFolder;
};

// Starts the temporary executable as "-d <installed path>" and ends the
// process. Returns, after logging why, only when it could not be started.
void LaunchUpdateApply(const std::wstring& tempExePath, const std::wstring& installedExePath);
