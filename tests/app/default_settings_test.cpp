#include "app/default_settings.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/file_utils.h"
#include "app/test_files.h"

namespace fs = std::filesystem;

namespace {

// The default file, as the player first gets it.
const char kDefaults[] =
    "[Info]\r\ncode=\r\npwd=\r\nrem=1\r\n"
    "[Setting]\r\nsoundoff=0\r\nautostart=0\r\nautologin=0\r\nscreenshots=Ctrl+Shift+A\r\n"
    "screentoggle=F10\r\nfullscreen=F11\r\n";
static_assert(sizeof(kDefaults) - 1 == 137, "the default settings file is 137 bytes");

// A settings file of an older start: the player's values and no defaults beyond them.
const char kPlayerFile[] = "[Info]\r\ncode=YWNjb3VudA==\r\npwd=c2VjcmV0\r\nrem=0\r\n[Setting]\r\nstart=%s\r\n";

// The committed art, copied beside the tests by the build.
fs::path SourceIcon() {
    return BesideTests(L"fixtures") / L"uninstall.ico";
}

// Each test starts with an empty data folder, as the per-user install leaves it, and removes it after.
class DefaultSettingsTest : public testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(platformFolder);
        fs::create_directories(dataFolder);
        ASSERT_FALSE(fs::exists(resFolder));
        ASSERT_EQ(GetDataFolder(), dataFolder.wstring() + L"\\");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(platformFolder, ignored);
    }
    void Extract() { ExtractDefaultSettings(dataFolder.wstring()); }

    const fs::path platformFolder = AppData() + L"\\kavro_2";
    const fs::path dataFolder = AppData() + L"\\kavro_2\\kavro_2";
    const fs::path resFolder = dataFolder / L"res";
    const fs::path settings = resFolder / L"systemset.ini";
    const fs::path icon = resFolder / L"uninstall.ico";
};

TEST_F(DefaultSettingsTest, FirstStartExtractsBothEntriesAndSetsTheMarker) {
    Extract();
    // The private-profile writer appends the marker to the last section, [Setting].
    EXPECT_EQ(ReadBytes(settings), std::string(kDefaults) + "start=1001\r\n");
    const std::string iconBytes = ReadBytes(icon);
    EXPECT_EQ(iconBytes, ReadBytes(SourceIcon()));

    // One 16 x 16 image of 32 bits, stored as a bitmap with its mask: 6 + 16 + 40 + 1024 + 64 bytes.
    ASSERT_EQ(iconBytes.size(), 1150u);
    const auto byte = [&](size_t at) { return static_cast<unsigned>(static_cast<uint8_t>(iconBytes[at])); };
    const auto word = [&](size_t at) { return byte(at) | byte(at + 1) << 8; };
    EXPECT_EQ(word(2), 1u) << "an icon";
    EXPECT_EQ(word(4), 1u) << "one image";
    EXPECT_EQ(byte(6), 16u) << "width";
    EXPECT_EQ(byte(7), 16u) << "height";
    EXPECT_EQ(word(12), 32u) << "bits per pixel";
    EXPECT_EQ(word(18), 22u) << "image right after the directory";
    EXPECT_EQ(word(22), 40u) << "a BITMAPINFOHEADER, not PNG";
    EXPECT_EQ(word(36), 32u) << "bits per pixel in the bitmap";
    HICON loaded = static_cast<HICON>(LoadImageW(nullptr, icon.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
    ASSERT_NE(loaded, nullptr) << "the shell can load it";
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(loaded, &info));
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof(colour), &colour);
    EXPECT_EQ(colour.bmWidth, 16);
    EXPECT_EQ(colour.bmHeight, 16);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(loaded);
}

// Every start after the first finds a settings file; the marker decides.
TEST_F(DefaultSettingsTest, MarkerDecidesAndThePlayersValuesSurvive) {
    const struct {
        const char* marker;
        bool extracts;
    } cases[] = {
        {"1001", false},
        {"1001x", false},  // parsing stops at the letter
        {"01001", false},
        {"1000", true},  // an older version's file
        {"", true},
        {"-1", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.marker);
        fs::remove_all(resFolder);
        fs::create_directories(resFolder);
        char file[256];
        snprintf(file, sizeof(file), kPlayerFile, c.marker);
        WriteBytes(settings, file);
        WriteBytes(icon, "an old icon");
        WriteBytes(resFolder / L"data.zip", "stale");

        Extract();

        EXPECT_EQ(ReadSetting(L"Info", L"code", L"?"), L"YWNjb3VudA==");
        EXPECT_EQ(ReadSetting(L"Info", L"pwd", L"?"), L"c2VjcmV0");
        EXPECT_EQ(ReadSetting(L"Info", L"rem", L"?"), L"0");
        if (c.extracts) {
            EXPECT_EQ(ReadSetting(L"Setting", L"start", L"?"), L"1001");
            EXPECT_EQ(ReadSetting(L"Setting", L"fullscreen", L"absent"), L"absent") << "settings file replaced";
            EXPECT_EQ(ReadBytes(icon), ReadBytes(SourceIcon())) << "icon replaced";
            EXPECT_FALSE(fs::exists(resFolder / L"data.zip"));
        } else {
            EXPECT_EQ(ReadBytes(settings), file) << "settings file untouched";
            EXPECT_EQ(ReadBytes(icon), "an old icon");
            EXPECT_TRUE(fs::exists(resFolder / L"data.zip"));
        }
    }
}

TEST_F(DefaultSettingsTest, LaterStartsKeepTheFileAndDoNotBringTheIconBack) {
    Extract();
    WriteSetting(L"Info", L"code", L"YWNjb3VudA==");
    WriteSetting(L"Info", L"rem", L"0");
    ASSERT_TRUE(fs::remove(icon));

    Extract();
    EXPECT_FALSE(fs::exists(icon)) << "the marker stands";
    EXPECT_EQ(ReadSetting(L"Info", L"code", L"?"), L"YWNjb3VudA==");
    EXPECT_EQ(ReadSetting(L"Info", L"rem", L"?"), L"0");

    // Without the settings file the defaults come back whole; the player's values go with the file.
    ASSERT_TRUE(fs::remove(settings));
    Extract();
    EXPECT_EQ(ReadBytes(settings), std::string(kDefaults) + "start=1001\r\n");
    EXPECT_TRUE(fs::exists(icon));
}

}  // namespace
