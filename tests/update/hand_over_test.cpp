// The two hand-overs of an update when the process start fails: the only
// fault here that nothing real can produce, so the start is replaced.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/file_utils.h"
#include "app/run_modes.h"
#include "app/test_files.h"
#include "update/client_updater.h"
#include "update/process_start.h"

namespace fs = std::filesystem;

namespace {

struct StartCall {
    std::wstring application;
    std::wstring commandLine;
    bool hasCommandLine;
};
std::vector<StartCall> g_starts;

BOOL WINAPI FailingStart(LPCWSTR application, LPWSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                         BOOL, DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION) {
    g_starts.push_back({application ? application : L"", commandLine ? commandLine : L"", commandLine != nullptr});
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return FALSE;
}

// The messages of the update log, without their time and tag.
std::vector<std::wstring> LogMessages(const fs::path& log) {
    std::ifstream in(log, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    std::vector<std::wstring> messages;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring line = text.substr(start, end - start);
        const size_t tab = line.find(L'\t', line.find(L'\t') + 1);
        messages.push_back(tab == std::wstring::npos ? line : line.substr(tab + 1));
        start = end + 2;
    }
    return messages;
}

class HandOverTest : public testing::Test {
protected:
    void SetUp() override {
        std::error_code ignored;
        fs::remove_all(platform, ignored);
        fs::create_directories(data / L"res");
        g_starts.clear();
        g_updateCreateProcess = FailingStart;
    }
    void TearDown() override {
        g_updateCreateProcess = CreateProcessW;
        std::error_code ignored;
        fs::remove_all(platform, ignored);
    }

    const fs::path platform = AppData() + L"\\kavro_2";
    const fs::path data = AppData() + L"\\kavro_2\\kavro_2";
};

TEST_F(HandOverTest, AFailedStartIsLoggedAndTheLauncherGoesOn) {
    const std::wstring temp = AppData() + L"\\cache\\quvaqlndtmp.exe";
    const std::wstring installed = (data / L"Morvane Game.exe").wstring();
    LaunchUpdateApply(temp, installed);  // returns instead of ending the process

    // The apply step: its copy succeeds, the start of the installed copy does not.
    ApplyDownloadedUpdate(L"-d " + installed);

    ASSERT_EQ(g_starts.size(), 2u);
    EXPECT_EQ(g_starts[0].application, temp);
    EXPECT_EQ(g_starts[0].commandLine, L"-d " + installed) << "unquoted, spaces and all";
    EXPECT_EQ(g_starts[1].application, installed);
    EXPECT_FALSE(g_starts[1].hasCommandLine);

    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring md5;
    ASSERT_TRUE(GetFileMd5(self, md5));
    const std::vector<std::wstring> expected = {
        L"Update failure.Error Code:193",
        L"Finish download,current file md5=" + md5,
        L"Update success.Current Version:" + GetFileVersionString(self),
        L"=====================",
        L"Update failure.Error Code:193",
    };
    EXPECT_EQ(LogMessages(data / L"res" / L"update.log"), expected);
    EXPECT_TRUE(fs::exists(installed));
}

TEST_F(HandOverTest, BareSwitchCopiesNothing) {
    ApplyDownloadedUpdate(L"-d");
    EXPECT_TRUE(g_starts.empty());
    EXPECT_FALSE(fs::exists(data / L"res" / L"update.log"));
}

}  // namespace
