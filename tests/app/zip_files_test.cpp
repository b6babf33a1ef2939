// The ZIP reader writing real files: folders, bytes, attributes and times.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/zip_archive.h"
#include "tests/app/zip_test_builder.h"

using namespace zip_test;

namespace {

std::wstring MakeTempFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring root = std::wstring(temp) + L"zip_files_test_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                        std::to_wstring(GetTickCount());
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW((root + L"\\base").c_str(), nullptr);
    return root;
}

std::string ReadFileBytes(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(f);
    return bytes;
}

uint64_t Ticks(const FILETIME& ft) { return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring child = path + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(path.c_str());
}

TEST(ZipFilesWinTest, FoldersBytesAttributesAndTimes) {
    std::wstring root = MakeTempFolder();
    std::wstring base = root + L"\\base";

    Item dir;
    dir.name = "empty/inner/";
    dir.external = 0x10;
    Item nested;
    nested.name = "sub/dir/f.txt";
    nested.data = std::string(40000, 'q') + "end";
    nested.external = 0x23;  // read-only, hidden, archive
    nested.localExtra = UtBlock(7, {1600000000, 1600000100, 1600000200});
    Item up;
    up.name = "..\\../up.ini";
    up.data = "up";
    up.deflate = false;
    up.madeBy = 0x0314;
    up.external = 0100644u << 16;
    std::string bytes = Build({dir, nested, up});

    // Twice: the second run replaces the read-only, hidden file of the first.
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        ZipFilesWin files;
        ZipArchive zip(files);
        ASSERT_EQ(zip.Open(bytes.data(), static_cast<uint32_t>(bytes.size())), kZipOk);
        zip.SetBaseFolder(base);
        ZipEntry e;
        for (int32_t i = 0; i < 3; ++i) {
            ASSERT_EQ(zip.GetEntry(i, e), kZipOk);
            EXPECT_EQ(zip.ExtractEntry(i, e.name), kZipOk) << i;
        }
        zip.Close();

        EXPECT_EQ(GetFileAttributesW((base + L"\\empty\\inner").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
                  static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
        std::wstring f = base + L"\\sub\\dir\\f.txt";
        EXPECT_EQ(GetFileAttributesW(f.c_str()),
                  static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
        HANDLE h = CreateFileW(f.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        FILETIME c, a, m;
        ASSERT_TRUE(GetFileTime(h, &c, &a, &m));
        CloseHandle(h);
        EXPECT_EQ(Ticks(m), FromUnix(1600000000));
        EXPECT_EQ(Ticks(a), FromUnix(1600000100));  // read before the content, which moves it
        // Wine on a Unix file system keeps no creation time and reports the modification time.
        EXPECT_TRUE(Ticks(c) == FromUnix(1600000200) || Ticks(c) == Ticks(m)) << Ticks(c);
        EXPECT_EQ(ReadFileBytes(f), nested.data);

        EXPECT_EQ(ReadFileBytes(base + L"\\up.ini"), "up");
        EXPECT_EQ(GetFileAttributesW((root + L"\\up.ini").c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(GetFileAttributesW((base + L"\\up.ini").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    }

    // Without SetBaseFolder the current folder is the base.
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(base.c_str()));
    {
        ZipFilesWin files;
        ZipArchive zip(files);
        ASSERT_EQ(zip.Open(bytes.data(), static_cast<uint32_t>(bytes.size())), kZipOk);
        EXPECT_EQ(zip.ExtractEntry(2, L"here.ini"), kZipOk);
    }
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(ReadFileBytes(base + L"\\here.ini"), "up");
    RemoveTree(root);
}

}  // namespace
