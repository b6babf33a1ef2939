#include "app/file_utils.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/test_files.h"
#include "build_config.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

// Each test starts without <AppData>\kavro_2 and leaves none behind.
class DataFolderTest : public testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(platformFolder);
        ASSERT_FALSE(fs::exists(platformFolder));
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(platformFolder, ignored);
    }
    void MakeRes() { fs::create_directories(resFolder); }

    const fs::path platformFolder = AppData() + L"\\kavro_2";
    const fs::path resFolder = AppData() + L"\\kavro_2\\kavro_2\\res";
};

TEST_F(DataFolderTest, PathIsCachedAndNeverCreated) {
    const std::wstring expected = AppData() + L"\\kavro_2\\kavro_2\\";
    EXPECT_EQ(GetDataFolder(), expected);
    EXPECT_EQ(GetDataFolder(), expected);
    EXPECT_EQ(GetSettingsPath(), expected + L"res//systemset.ini");
    EXPECT_FALSE(fs::exists(platformFolder));
}

TEST_F(DataFolderTest, ReadSettingGivesValueOrDefault) {
    EXPECT_EQ(ReadSetting(L"Info", L"code", L"none"), L"none") << "missing file";

    MakeRes();
    WriteBytes(resFolder / L"systemset.ini",
               "[Info]\r\ncode=\r\npwd=cGFzc3dvcmQ=\r\n[Setting]\r\nlong=" + std::string(300, 'x') + "\r\n");
    const struct {
        const wchar_t* section;
        const wchar_t* key;
        std::wstring expected;
    } cases[] = {
        {L"Info", L"code", L""},  // present but empty: not the default
        {L"Info", L"pwd", L"cGFzc3dvcmQ="},
        {L"Info", L"absent", L"dflt"},
        {L"Nowhere", L"code", L"dflt"},
        {L"Setting", L"long", std::wstring(259, L'x')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(ReadSetting(c.section, c.key, L"dflt"), c.expected);
    }
}

TEST_F(DataFolderTest, WriteSettingCreatesFileSectionAndKey) {
    WriteSetting(L"Setting", L"fullscreen", L"Ctrl+F");  // no res folder: nothing happens
    EXPECT_FALSE(fs::exists(resFolder));

    MakeRes();
    WriteSetting(L"Setting", L"fullscreen", L"Ctrl+F");
    WriteSetting(L"Info", L"code", L"abc");
    WriteSetting(L"Setting", L"fullscreen", L"Alt+Enter");
    EXPECT_EQ(ReadSetting(L"Setting", L"fullscreen", L""), L"Alt+Enter");
    EXPECT_EQ(ReadSetting(L"Info", L"code", L""), L"abc");
    WriteSetting(L"Info", L"code", nullptr);
    EXPECT_EQ(ReadSetting(L"Info", L"code", L"gone"), L"gone");
}

TEST_F(DataFolderTest, UpdateLogNeedsTheResFolder) {
    EXPECT_EQ(WriteUpdateLog(L"Start Update."), -1);
    EXPECT_FALSE(fs::exists(platformFolder)) << "nothing is created";
}

TEST_F(DataFolderTest, UpdateLogAppendsUtf16LinesWithoutBom) {
    MakeRes();
    EXPECT_EQ(WriteUpdateLog(L"Start Update."), 0);
    EXPECT_EQ(WriteUpdateLog(L"更新完成"), 0);

    const std::string bytes = ReadBytes(resFolder / L"update.log");
    ASSERT_EQ(bytes.size() % 2, 0u);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_FALSE(bytes[0] == '\xFF' && bytes[1] == '\xFE') << "no byte-order mark";
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);

    const size_t firstEnd = text.find(L"\r\n");
    ASSERT_NE(firstEnd, std::wstring::npos);
    const std::wstring first = text.substr(0, firstEnd);
    const std::wstring second = text.substr(firstEnd + 2);
    const std::wstring prefixShape = L"####-##-## ##:##:## : \tUpdateModule\t";
    for (const std::wstring& line : {first, second}) {
        SCOPED_TRACE(testing::Message() << "line of " << line.size() << " characters");
        ASSERT_GT(line.size(), prefixShape.size());
        for (size_t i = 0; i < prefixShape.size(); ++i) {
            if (prefixShape[i] == L'#') {
                EXPECT_TRUE(iswdigit(line[i]) || (line[i] == L' ' && i >= 5)) << "at " << i;
            } else {
                EXPECT_EQ(line[i], prefixShape[i]) << "at " << i;
            }
        }
    }
    EXPECT_EQ(first.substr(prefixShape.size()), L"Start Update.");
    EXPECT_EQ(second, second.substr(0, prefixShape.size()) + L"更新完成\r\n");
}

TEST_F(DataFolderTest, UpdateLogHeldByAnotherWriterFails) {
    MakeRes();
    const fs::path log = resFolder / L"update.log";
    WriteBytes(log, "x\0"s);
    HANDLE holder = CreateFileW(log.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WriteUpdateLog(L"line"), -1);
    CloseHandle(holder);
    EXPECT_EQ(ReadBytes(log), "x\0"s);
}

TEST(FileVersionTest, Table) {
    const fs::path plain = fs::temp_directory_path() / L"no_version.txt";
    WriteBytes(plain, "not an executable");
    const struct {
        std::wstring path;
        std::wstring expected;
    } cases[] = {
        {BesideTests(L"Morvane.exe"), L"" LAUNCHER_VERSION_TEXT},
        {BesideTests(L"two_translations.dll"), L"2.0.0.12.0.0.2"},
        {plain.wstring(), L"None VerSion Supprot"},
        {BesideTests(L"missing.exe"), L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "file #" << (&c - cases));
        EXPECT_EQ(GetFileVersionString(c.path), c.expected);
    }
    fs::remove(plain);
}

TEST(FileMd5Test, AppendsDigestOrLeavesOutputAlone) {
    const fs::path folder = fs::temp_directory_path() / L"md5_cases";
    fs::create_directories(folder);
    const struct {
        const wchar_t* name;
        std::string content;
        const wchar_t* digest;
    } cases[] = {
        {L"empty.bin", "", L"d41d8cd98f00b204e9800998ecf8427e"},
        {L"abc.bin", "abc", L"900150983cd24fb0d6963f7d28e17f72"},
        {L"fox.bin", "The quick brown fox jumps over the lazy dog", L"9e107d9d372bb6826bd81d3542a419d6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(folder / c.name, c.content);
        std::wstring out = L"md5:";
        EXPECT_TRUE(GetFileMd5((folder / c.name).wstring(), out));
        EXPECT_EQ(out, std::wstring(L"md5:") + c.digest);
    }

    std::wstring out = L"unchanged";
    EXPECT_FALSE(GetFileMd5((folder / L"missing.bin").wstring(), out));
    EXPECT_EQ(out, L"unchanged");

    // Held open for writing by someone else: cannot be opened shared for reading.
    const std::wstring locked = (folder / L"abc.bin").wstring();
    HANDLE writer = CreateFileW(locked.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(GetFileMd5(locked, out));
    EXPECT_EQ(out, L"unchanged");
    CloseHandle(writer);
    fs::remove_all(folder);
}

TEST(DecodeBase64TextTest, RoundTripsThroughTheAnsiCodePage) {
    EXPECT_EQ(DecodeBase64Text(L"cGFzc3dvcmQ="), L"password");
    EXPECT_EQ(DecodeBase64Text(L"cGFz\r\nc3dv cmQ"), L"password");
    EXPECT_EQ(DecodeBase64Text(L""), L"");
    EXPECT_EQ(DecodeBase64Text(L"密码"), L"") << "characters outside the alphabet are skipped";
}

}  // namespace
