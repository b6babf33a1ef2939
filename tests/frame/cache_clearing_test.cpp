// Clearing the browser cache from the frame: the URL cache and the cache
// folder as WinINet and the player's files leave them, behind the overlay.
#include <windows.h>
#include <shlobj.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/test_files.h"
#include "debug_output.h"
#include "frame/frame_driver.h"
#include "res/resource.h"
#include "widgets/menban_dlg.h"

namespace fs = std::filesystem;

namespace {

std::wstring CacheFolder() {
    wchar_t path[MAX_PATH] = L"";
    SHGetSpecialFolderPathW(nullptr, path, CSIDL_INTERNET_CACHE, TRUE);
    return path;
}

// An entry of the URL cache as a page download leaves it.
bool CacheEntry(const std::wstring& url) {
    wchar_t file[MAX_PATH] = L"";
    if (!CreateUrlCacheEntryW(url.c_str(), 0, L"png", file, 0)) return false;
    WriteBytes(file, "image bytes");
    const FILETIME never = {};
    return CommitUrlCacheEntryW(url.c_str(), file, never, never, NORMAL_CACHE_ENTRY, nullptr, 0, nullptr,
                                nullptr) != FALSE;
}

bool InUrlCache(const std::wstring& url) {
    DWORD size = 0;
    GetUrlCacheEntryInfoW(url.c_str(), nullptr, &size);
    return GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

// The source URLs of the cache's cookie entries.
std::vector<std::wstring> CookieEntries() {
    std::vector<std::wstring> urls;
    std::vector<BYTE> buffer(64 * 1024);
    DWORD size = static_cast<DWORD>(buffer.size());
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
    HANDLE find = FindFirstUrlCacheEntryW(nullptr, entry, &size);
    if (!find) return urls;
    do {
        if (entry->CacheEntryType & COOKIE_CACHE_ENTRY) urls.push_back(entry->lpszSourceUrlName);
        size = static_cast<DWORD>(buffer.size());
    } while (FindNextUrlCacheEntryW(find, entry, &size));
    FindCloseUrlCache(find);
    return urls;
}

bool StartsWith(const std::wstring& text, const std::wstring& start) {
    return text.compare(0, start.size(), start) == 0;
}

int LinesStarting(const std::vector<std::wstring>& lines, const std::wstring& start) {
    int count = 0;
    for (const std::wstring& line : lines) count += StartsWith(line, DebugOutputCapture::AsSeen(start)) ? 1 : 0;
    return count;
}

void ClickClearCache(HWND frame) {
    SendMessageW(frame, WM_COMMAND, MAKEWPARAM(IDC_FRAME_CLEARCACHE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(frame, IDC_FRAME_CLEARCACHE)));
}

bool WaitHidden(HWND overlay) {
    for (int i = 0; i < 500 && IsWindowVisible(overlay); ++i) PumpFor(10);
    return !IsWindowVisible(overlay);
}

TEST(CacheClearingTest, EverythingButCookiesDesktopIniAndHeldFiles) {
    const std::wstring page = L"http://127.0.0.1:9/game/sprite.png";
    ASSERT_TRUE(CacheEntry(page));
    ASSERT_TRUE(InternetSetCookieW(L"http://127.0.0.1:9/", L"session",
                                   L"signed-in; expires=Sat, 01-Jan-2039 00:00:00 GMT"));
    const std::vector<std::wstring> cookies = CookieEntries();
    ASSERT_FALSE(cookies.empty()) << "the cookie is in the URL cache";

    const fs::path cache = CacheFolder();
    const fs::path fixture = cache / L"fixture";
    // A link into the cache that points at a folder elsewhere on the disk,
    // made by make_cache_link.sh, which also empties the fixture.
    const fs::path link = fixture / L"links" / L"outside";
    const DWORD linkAttributes = GetFileAttributesW(link.c_str());
    ASSERT_TRUE(linkAttributes != INVALID_FILE_ATTRIBUTES && (linkAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        << "run make_cache_link.sh first, as ctest does";
    const fs::path target = L"C:\\cache-link-fixture\\target";
    fs::create_directories(fixture / L"a" / L"b" / L"c");
    fs::create_directories(fixture / L"kept");
    WriteBytes(fixture / L"a" / L"b" / L"c" / L"deep.htm", "<p>");
    WriteBytes(fixture / L"a" / L"top.js", "1");
    WriteBytes(fixture / L"readonly.css", "p{}");
    SetFileAttributesW((fixture / L"readonly.css").c_str(), FILE_ATTRIBUTE_READONLY);
    WriteBytes(fixture / L"desktop.ini", "[.ShellClassInfo]");
    WriteBytes(fixture / L"kept" / L"Desktop.INI", "[.ShellClassInfo]");
    WriteBytes(fixture / L"held.bin", "in use");
    HANDLE held = CreateFileW((fixture / L"held.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    DebugOutputCapture output;
    ProbeFrame frame;
    RunFrame(frame, RefusedGameUrl(), [&] {
        HWND hwnd = frame.GetSafeHwnd();
        ASSERT_TRUE(frame.m_overlay);
        HWND overlay = frame.m_overlay->GetSafeHwnd();
        EXPECT_FALSE(IsWindowVisible(overlay)) << "hidden until a clearing starts";

        ClickClearCache(hwnd);
        EXPECT_TRUE(IsWindowVisible(overlay));
        EXPECT_TRUE(SameRect(WindowRect(overlay), WindowRect(hwnd))) << Describe(WindowRect(overlay));
        // The worker cannot report while this thread does not pump: it is
        // still running when the second start comes.
        Sleep(1500);
        WriteBytes(fixture / L"late.tmp", "written after the first pass");
        ClickClearCache(hwnd);
        EXPECT_TRUE(IsWindowVisible(overlay));
        EXPECT_TRUE(WaitHidden(overlay));
        PumpFor(1000);
        EXPECT_TRUE(fs::exists(fixture / L"late.tmp")) << "no second worker ran";
        frame.ExitFrame();
    });
    CloseHandle(held);

    EXPECT_FALSE(InUrlCache(page));
    for (const std::wstring& cookie : cookies) EXPECT_TRUE(InUrlCache(cookie)) << "kept: " << fs::path(cookie);

    // Windows removes a folder link with RemoveDirectory; this Wine cannot
    // remove one at all, and then the link must stay a link, its failure traced.
    const DWORD after = GetFileAttributesW(link.c_str());
    const bool linkStayed = after != INVALID_FILE_ATTRIBUTES;
    if (linkStayed) {
        EXPECT_TRUE(after & FILE_ATTRIBUTE_REPARSE_POINT);
    }
    std::vector<std::wstring> left;
    for (const auto& entry : fs::recursive_directory_iterator(fixture)) {
        const std::wstring name = fs::relative(entry.path(), fixture).wstring();
        if (!linkStayed || !StartsWith(name, L"links")) left.push_back(name);
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::wstring>{L"desktop.ini", L"held.bin", L"kept", L"kept\\Desktop.INI",
                                               L"late.tmp"}));
    EXPECT_EQ(ReadBytes(target / L"keep.txt"), "outside the cache\n") << "the link's target is left alone";

    const std::vector<std::wstring> lines = output.Taken();
    EXPECT_EQ(LinesStarting(lines, L"*******第二次查找缓存:缓存大小为:"), 1) << "one worker";
    EXPECT_EQ(LinesStarting(lines, L"临时文件夹路径为:" + cache.wstring() + L"\r\n"), 1);
    EXPECT_EQ(LinesStarting(lines, L"开始清理" + fixture.wstring() + L"\\a文件夹\r\n"), 1);
    EXPECT_EQ(LinesStarting(lines, L"开始清理" + fixture.wstring() + L"\\links\\outside文件夹"), 0)
        << "the link is not followed";
    EXPECT_EQ(LinesStarting(lines, L"***********删除文件:held.bin失败，错误代码:32******************\r\n"), 1);
    EXPECT_EQ(LinesStarting(lines, L"***********删除文件:outside失败"), linkStayed ? 1 : 0);
}

TEST(CacheClearingTest, OverlayCoversTheFrameInEveryState) {
    const struct {
        const char* what;
        int button;
    } states[] = {
        {"maximised", IDC_FRAME_MAXIMISE},
        {"restored", IDC_FRAME_RESTORE},
        {"full screen", IDC_FRAME_FULLSCREEN},
    };
    ProbeFrame frame;
    RunFrame(frame, RefusedGameUrl(), [&] {
        HWND hwnd = frame.GetSafeHwnd();
        HWND overlay = frame.m_overlay->GetSafeHwnd();
        for (const auto& state : states) {
            SCOPED_TRACE(state.what);
            SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(state.button, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(hwnd, state.button)));
            PumpFor(50);
            SendMessageW(hwnd, WM_COMMAND, ID_TRAY_CLEARCACHE, 0);
            EXPECT_TRUE(IsWindowVisible(overlay));
            EXPECT_TRUE(SameRect(WindowRect(overlay), WindowRect(hwnd)))
                << Describe(WindowRect(overlay)) << " over " << Describe(WindowRect(hwnd));
            EXPECT_TRUE(WaitHidden(overlay));
        }
        SendMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
        frame.ExitFrame();
    });
}

}  // namespace
