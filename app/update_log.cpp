#include "app/file_utils.h"

#include "app/log_line.h"
#include "framework/handles.h"

int WriteUpdateLog(const std::wstring& message) {
    return AppendUpdateLog(GetDataFolder(), message);
}

int AppendUpdateLog(const std::wstring& dataFolder, const std::wstring& message) {
    const std::wstring path = dataFolder + L"res\\update.log";

    SYSTEMTIME now;
    GetLocalTime(&now);
    std::wstring line = FormatUpdateLogLine(
        {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond}, message);
    line += L"\r\n";

    // Append-only access makes each write land whole at the current end, so a
    // launcher and an update-apply copy logging at once interleave whole lines.
    UniqueHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return -1;

    const DWORD bytes = static_cast<DWORD>(line.size() * sizeof(wchar_t));
    DWORD written = 0;
    if (!WriteFile(file.Get(), line.data(), bytes, &written, nullptr) || written != bytes) return -1;
    return 0;
}
