#include "frame/cache_clearing.h"

#include <wininet.h>

#include <vector>

namespace {

void Trace(const std::wstring& line) {
    OutputDebugStringW((line + L"\r\n").c_str());
}

INTERNET_CACHE_ENTRY_INFOW* Entry(std::vector<BYTE>& buffer) {
    return buffer.empty() ? nullptr : reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
}

// The next entry into buffer, sized to what the cache reports for it.
bool FetchNextEntry(HANDLE find, std::vector<BYTE>& buffer) {
    DWORD size = 0;
    if (FindNextUrlCacheEntryW(find, nullptr, &size) || GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    buffer.assign(size, 0);
    return FindNextUrlCacheEntryW(find, Entry(buffer), &size) != FALSE;
}

bool IsDesktopIni(const wchar_t* name) {
    return lstrcmpiW(name, L"desktop.ini") == 0;
}

void TraceDeleteFailure(const wchar_t* name, DWORD error) {
    Trace(std::wstring(L"***********删除文件:") + name + L"失败，错误代码:" + std::to_wstring(error) +
          L"******************");
}

}  // namespace

bool ClearUrlCache() {
    DWORD size = 0;
    HANDLE probe = FindFirstUrlCacheEntryW(nullptr, nullptr, &size);
    if (probe) {
        Trace(L"*******第一次查找缓存:缓存大小为:" + std::to_wstring(size) + L"。************");
        FindCloseUrlCache(probe);
    } else {
        Trace(L"*******第一次查找缓存:未找到缓存。************");
    }

    std::vector<BYTE> buffer(size);
    HANDLE find = FindFirstUrlCacheEntryW(nullptr, Entry(buffer), &size);
    if (!find) {
        Trace(L"*******第二次查找缓存:未找到缓存。************");
        return false;
    }
    Trace(L"*******第二次查找缓存:缓存大小为:" + std::to_wstring(size) + L"。************");
    do {
        const INTERNET_CACHE_ENTRY_INFOW* entry = Entry(buffer);
        // Cookies keep the player signed in.
        if (!(entry->CacheEntryType & COOKIE_CACHE_ENTRY)) DeleteUrlCacheEntryW(entry->lpszSourceUrlName);
    } while (FetchNextEntry(find, buffer));
    FindCloseUrlCache(find);
    return true;
}

bool CleanFolder(const std::wstring& folder) {
    Trace(L"开始清理" + folder + L"文件夹");
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*.*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        const wchar_t* name = found.cFileName;
        if (lstrcmpW(name, L".") == 0 || lstrcmpW(name, L"..") == 0 || IsDesktopIni(name)) continue;
        const std::wstring full = folder + L"\\" + name;
        const DWORD attributes = GetFileAttributesW(full.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
            SetFileAttributesW(full.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        }
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            // A link: followed, it would empty a folder outside the cache.
            // Only the link itself goes.
            if (!RemoveDirectoryW(full.c_str()) && !DeleteFileW(full.c_str())) {
                TraceDeleteFailure(name, GetLastError());
            }
        } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            CleanFolder(full);
            RemoveDirectoryW(full.c_str());
        } else if (!DeleteFileW(full.c_str())) {
            TraceDeleteFailure(name, GetLastError());
        }
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return true;
}
