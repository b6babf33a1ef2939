#include "app/zip_archive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "tests/app/zip_test_builder.h"

namespace fs = std::filesystem;
using namespace zip_test;

namespace {

// --- Real files in a temporary folder, with times and attributes on the side ---

fs::path ToPath(const std::wstring& w) {
#ifdef _WIN32
    return fs::path(w);
#else
    std::string s;
    for (wchar_t c : w) {
        uint32_t u = c == L'\\' ? '/' : static_cast<uint32_t>(c);
        if (u < 0x80) {
            s += static_cast<char>(u);
        } else if (u < 0x800) {
            s += static_cast<char>(0xC0 | (u >> 6));
            s += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            s += static_cast<char>(0xE0 | (u >> 12));
            s += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return fs::path(s);
#endif
}

struct FileInfo {
    uint32_t attributes = 0;
    uint64_t creation = 0, access = 0, modification = 0;
    bool timesSet = false;
};

class TempFiles : public ZipFileSink {
public:
    explicit TempFiles(fs::path cwd) : m_cwd(std::move(cwd)) {}
    std::wstring CurrentFolder() override { return m_cwd.wstring() + L"/"; }
    bool MakeFolder(const std::wstring& path) override {
        std::error_code ec;
        fs::create_directory(ToPath(path), ec);
        return fs::is_directory(ToPath(path));
    }
    bool CreateOutput(const std::wstring& path, uint32_t attributes) override {
        m_out.open(ToPath(path), std::ios::binary | std::ios::trunc);
        m_path = ToPath(path).lexically_normal().string();
        files[m_path] = FileInfo{attributes};
        return m_out.is_open();
    }
    bool WriteOutput(const uint8_t* data, size_t size) override {
        m_out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        return static_cast<bool>(m_out);
    }
    void SetOutputTimes(uint64_t c, uint64_t a, uint64_t m) override {
        FileInfo& f = files[m_path];
        f.creation = c;
        f.access = a;
        f.modification = m;
        f.timesSet = true;
    }
    void CloseOutput() override { m_out.close(); }

    std::map<std::string, FileInfo> files;

private:
    fs::path m_cwd;
    std::ofstream m_out;
    std::string m_path;
};

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Narrow(const wchar_t* w) { return ToPath(w).string(); }

class ZipArchiveTest : public testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        m_root = fs::temp_directory_path() /
                 ("zip_archive_test_" + std::to_string(std::time(nullptr)) + "_" + std::to_string(++counter));
        m_base = m_root / "base";
        fs::create_directories(m_base);
        fs::create_directories(m_root / "cwd");
        m_files = std::make_unique<TempFiles>(m_root / "cwd");
        m_zip = std::make_unique<ZipArchive>(*m_files);
    }
    // Whatever a fixture held, nothing was written beside the base folder.
    void TearDown() override {
        m_zip.reset();
        std::vector<std::string> outside;
        for (const auto& e : fs::recursive_directory_iterator(m_root)) {
            std::string rel = e.path().lexically_relative(m_root).generic_string();
            if (rel != "base" && rel != "cwd" && rel.rfind("base/", 0) != 0) outside.push_back(rel);
        }
        EXPECT_EQ(outside, std::vector<std::string>());
        fs::remove_all(m_root);
    }
    void OpenArchive(const std::string& bytes) {
        m_bytes = bytes;
        ASSERT_EQ(m_zip->Open(m_bytes.data(), static_cast<uint32_t>(m_bytes.size())), kZipOk);
        m_zip->SetBaseFolder(m_base.wstring());
    }
    // Extracts every entry under its own name; the result code per entry.
    std::vector<uint32_t> ExtractAll() {
        ZipEntry count;
        m_zip->GetEntry(-1, count);
        std::vector<uint32_t> results;
        for (int32_t i = 0; i < count.index; ++i) {
            ZipEntry e;
            uint32_t rc = m_zip->GetEntry(i, e);
            results.push_back(rc ? rc : m_zip->ExtractEntry(i, e.name));
        }
        return results;
    }
    // Extracted files by path under the base folder, with their bytes.
    std::map<std::string, std::string> Tree() {
        std::map<std::string, std::string> tree;
        for (const auto& e : fs::recursive_directory_iterator(m_base))
            tree[e.path().lexically_relative(m_base).generic_string()] =
                e.is_directory() ? "<dir>" : ReadAll(e.path());
        return tree;
    }

    fs::path m_root, m_base;
    std::string m_bytes;
    std::unique_ptr<TempFiles> m_files;
    std::unique_ptr<ZipArchive> m_zip;
};

TEST_F(ZipArchiveTest, NamesNeverLeaveTheBaseFolder) {
    const struct {
        const char* stored;
        const char* sanitised;
    } cases[] = {
        {"../../x1.ini", "x1.ini"},
        {"../x2.ini", "x2.ini"},
        {"..\\x3.ini", "x3.ini"},
        {"C:\\x\\y.ini", "x\\y.ini"},
        {"a/../b.ini", "b.ini"},
        {"/abs.ini", "abs.ini"},
        {"C:/..\\..//q.ini", "q.ini"},
        {"\\\\server\\share\\s.ini", "server\\share\\s.ini"},
        {"d/..\\e/../..\\..\\f.ini", "f.ini"},
        {"..", ""},
        {"ok/..", "ok/.."},  // no separator after "..": names the folder itself, which is no file
        {"n.ini\0../../../m.ini", "n.ini"},
    };
    std::vector<Item> items;
    for (const auto& c : cases) {
        Item it;
        it.name = c.stored;
        it.data = std::string("content of ") + c.stored;
        items.push_back(it);
    }
    items.back().name = std::string("n.ini\0../../../m.ini", 20);  // the C string above ends at the NUL
    OpenArchive(Build(items));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].stored);
        ZipEntry e;
        ASSERT_EQ(m_zip->GetEntry(static_cast<int32_t>(i), e), kZipOk);
        EXPECT_EQ(Narrow(e.name), ToPath(std::wstring(cases[i].sanitised, cases[i].sanitised +
                                                      std::strlen(cases[i].sanitised))).string());
        uint32_t rc = m_zip->ExtractEntry(static_cast<int32_t>(i), e.name);
        std::string expected = cases[i].sanitised;
        if (expected.empty() || expected == "ok/..") {
            EXPECT_EQ(rc, kZipCannotOpen);
            continue;
        }
        EXPECT_EQ(rc, kZipOk);
        std::string rel = ToPath(std::wstring(expected.begin(), expected.end())).generic_string();
        EXPECT_EQ(ReadAll(m_base / rel), items[i].data);
    }
    // A caller's own name is held to the same rules.
    EXPECT_EQ(m_zip->ExtractEntry(0, L"..\\../caller.ini"), kZipOk);
    EXPECT_EQ(ReadAll(m_base / "caller.ini"), items[0].data);
}

TEST_F(ZipArchiveTest, NestedFoldersAndExactBytes) {
    std::string big;
    for (int i = 0; i < 70000; ++i) big += static_cast<char>((i * 7919) >> 5);  // several 16 KiB chunks
    Item dir;
    dir.name = "empty/inner/";
    dir.external = 0x10;
    Item nested;
    nested.name = "sub/dir/f.txt";
    nested.data = big;
    Item stored;
    stored.name = "sub\\stored.bin";
    stored.data = big.substr(100, 40000);
    stored.deflate = false;
    Item empty;
    empty.name = "zero.txt";
    OpenArchive(Build({dir, nested, stored, empty}));
    EXPECT_EQ(ExtractAll(), (std::vector<uint32_t>{0, 0, 0, 0}));
    std::map<std::string, std::string> expected = {
        {"empty", "<dir>"},      {"empty/inner", "<dir>"},         {"sub", "<dir>"},
        {"sub/dir", "<dir>"},    {"sub/dir/f.txt", big},           {"sub/stored.bin", stored.data},
        {"zero.txt", ""},
    };
    EXPECT_EQ(Tree(), expected);
}

TEST_F(ZipArchiveTest, IndexesAndRewalk) {
    Item a, b;
    a.name = "first.ini";
    a.data = "one";
    b.name = "second.ini";
    b.data = "two";
    b.localExtra = UtBlock(1, {1700000000});
    OpenArchive(Build({a, b}));
    ZipEntry count, first, second, again;
    ASSERT_EQ(m_zip->GetEntry(-1, count), kZipOk);
    EXPECT_EQ(count.index, 2);
    ASSERT_EQ(m_zip->GetEntry(0, first), kZipOk);
    ASSERT_EQ(m_zip->GetEntry(1, second), kZipOk);
    EXPECT_EQ(Narrow(second.name), "second.ini");
    ASSERT_EQ(m_zip->GetEntry(0, again), kZipOk);  // walks from the start again
    EXPECT_EQ(std::memcmp(&first, &again, sizeof first), 0);
    EXPECT_EQ(Narrow(again.name), "first.ini");
    ZipEntry untouched;
    EXPECT_EQ(m_zip->GetEntry(2, untouched), kZipBadArgument);
    EXPECT_EQ(m_zip->GetEntry(-2, untouched), kZipBadArgument);
    EXPECT_EQ(m_zip->ExtractEntry(2, L"x"), kZipBadArgument);
    EXPECT_EQ(m_zip->Open(m_bytes.data(), static_cast<uint32_t>(m_bytes.size())), kZipAlreadyOpen);
    EXPECT_EQ(m_zip->ExtractEntry(1, second.name), kZipOk);  // entry 1 after the re-walk
    EXPECT_EQ(ReadAll(m_base / "second.ini"), "two");
    EXPECT_EQ(m_zip->Close(), kZipOk);
    EXPECT_EQ(m_zip->GetEntry(0, untouched), kZipBadArgument);
}

TEST_F(ZipArchiveTest, WhatOpens) {
    Item it;
    it.name = "a.ini";
    it.data = "a";
    std::string good = Build({it});
    std::string noEnd = good;
    noEnd[noEnd.size() - 22] = 'Q';
    std::string diskOne = good;
    diskOne[good.size() - 22 + 4] = 1;
    std::string countsDiffer = good;
    countsDiffer[good.size() - 22 + 8] = 2;
    std::string pastDirectory = good;
    pastDirectory[good.size() - 22 + 16] = 0x7F;  // the directory would end after the record
    std::string falseInComment = Build({it}, std::string("PK\x05\x06", 4) + std::string(18, '\0') + "tail");
    const struct {
        const char* what;
        std::string bytes;
        uint32_t result;
        int32_t entries;
    } cases[] = {
        {"21 bytes", std::string("PK\x05\x06", 4) + std::string(17, '\0'), kZipCannotOpen, 0},
        {"empty archive", std::string("PK\x05\x06", 4) + std::string(18, '\0'), kZipOk, 0},
        {"no end record", noEnd, kZipCannotOpen, 0},
        {"disk 1", diskOne, kZipCannotOpen, 0},
        {"entry counts differ", countsDiffer, kZipCannotOpen, 0},
        {"directory past the record", pastDirectory, kZipCannotOpen, 0},
        {"false signature in the comment", falseInComment, kZipOk, 1},
        {"bytes before the archive", Build({it}, "", std::string(3000, 'p')), kZipOk, 1},
        {"comment of 65000 bytes", Build({it}, std::string(65000, 'c')), kZipOk, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ZipArchive zip(*m_files);
        ASSERT_EQ(zip.Open(c.bytes.data(), static_cast<uint32_t>(c.bytes.size())), c.result);
        ZipEntry e;
        zip.GetEntry(-1, e);
        EXPECT_EQ(e.index, c.entries);
        if (c.entries == 1) {
            zip.SetBaseFolder(m_base.wstring());
            ASSERT_EQ(zip.GetEntry(0, e), kZipOk);
            EXPECT_EQ(zip.ExtractEntry(0, e.name), kZipOk);
            EXPECT_EQ(ReadAll(m_base / "a.ini"), "a");
            fs::remove(m_base / "a.ini");
        }
    }
    ZipArchive zip(*m_files);
    EXPECT_EQ(zip.Open(nullptr, 100), kZipCannotOpen);
}

TEST_F(ZipArchiveTest, DamagedEntries) {
    auto setLocal16 = [](size_t at, uint16_t v) {
        return [at, v](std::string& local) {
            local[at] = static_cast<char>(v & 0xFF);
            local[at + 1] = static_cast<char>(v >> 8);
        };
    };
    const std::string text(5000, 'z');
    const struct {
        const char* what;
        std::function<void(Item&)> change;
        uint32_t getResult;
        uint32_t extractResult;
        bool fileWritten;
    } cases[] = {
        {"intact", [](Item&) {}, kZipOk, kZipOk, true},
        {"local signature", [&](Item& i) { i.tweakLocal = setLocal16(0, 0x4B51); }, kZipBadLocalHeader, 0, false},
        {"local method", [&](Item& i) { i.tweakLocal = setLocal16(8, 0); }, kZipBadLocalHeader, 0, false},
        {"local CRC", [&](Item& i) { i.tweakLocal = setLocal16(14, 0x1234); }, kZipBadLocalHeader, 0, false},
        {"local CRC with data descriptor",
         [&](Item& i) {
             i.flags = 8;
             i.tweakLocal = setLocal16(14, 0x1234);
         },
         kZipOk, kZipOk, true},
        {"local name length", [&](Item& i) { i.tweakLocal = setLocal16(26, 4); }, kZipBadLocalHeader, 0, false},
        {"local extra past the end", [&](Item& i) { i.tweakLocal = setLocal16(28, 60000); }, kZipReadFailed, 0,
         false},
        {"unknown method",
         [&](Item& i) {
             i.tweakLocal = [](std::string& local) { local[8] = 12; };
         },
         kZipBadLocalHeader, 0, false},
        {"encrypted, right check byte", [](Item& i) { i.encryptCheckDelta = 0; }, kZipOk, kZipOk, true},
        {"encrypted, wrong check byte", [](Item& i) { i.encryptCheckDelta = 1; }, kZipOk, kZipBadPassword,
         false},
        {"truncated deflate stream",
         [](Item& i) { i.tweakPayload = [](std::string& p) { p.resize(p.size() / 2); }; }, kZipOk,
         kZipBadData, true},
        {"corrupt deflate stream",
         [](Item& i) { i.tweakPayload = [](std::string& p) { p[0] = static_cast<char>(0xFF); }; }, kZipOk,
         kZipBadData, true},
        {"stored data of the wrong CRC",
         [](Item& i) {
             i.deflate = false;
             i.tweakPayload = [](std::string& p) { p[10] = 'y'; };
         },
         kZipOk, kZipBadData, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Item it;
        it.name = "victim.ini";
        it.data = text;
        c.change(it);
        std::string bytes = Build({it});
        // A file from before: kept unless the entry really gets written.
        { std::ofstream(m_base / "victim.ini", std::ios::binary) << "old"; }
        ZipArchive zip(*m_files);
        ASSERT_EQ(zip.Open(bytes.data(), static_cast<uint32_t>(bytes.size())), kZipOk);
        zip.SetBaseFolder(m_base.wstring());
        ZipEntry e;
        EXPECT_EQ(zip.GetEntry(0, e), c.getResult);
        EXPECT_EQ(zip.ExtractEntry(0, L"victim.ini"), c.getResult ? c.getResult : c.extractResult);
        std::string now = ReadAll(m_base / "victim.ini");
        if (!c.fileWritten)
            EXPECT_EQ(now, "old");
        else if (c.extractResult == kZipOk)
            EXPECT_EQ(now, text);
        else
            EXPECT_NE(now, text);
    }
}

TEST_F(ZipArchiveTest, AttributesAndTimes) {
    const uint32_t unixWritable = 0100644u << 16, unixReadOnly = 0100444u << 16, unixDir = 040755u << 16 | 0x10;
    const struct {
        const char* name;
        uint16_t madeBy;
        uint32_t external;
        std::string extra;
        uint32_t attributes;
        uint64_t modification, access, creation;  // 0: the DOS time
    } cases[] = {
        {"fat.ini", 0x0014, 0x27, "", kZipReadOnly | kZipHidden | kZipSystem | kZipArchiveBit, 0, 0, 0},
        {"ntfs.ini", 0x0B14, 0xC0 | 0x01, "", kZipReadOnly, 0, 0, 0},
        {"unix.ini", 0x0314, unixWritable, UtBlock(7, {1600000000, 1600000100, 1600000200}), kZipArchiveBit,
         FromUnix(1600000000), FromUnix(1600000100), FromUnix(1600000200)},
        {"unix_ro.ini", 0x0314, unixReadOnly, UtBlock(2, {1500000000}), kZipArchiveBit | kZipReadOnly, 0,
         FromUnix(1500000000), 0},
        {"unixdir/", 0x0314, 0x40000000u | unixDir, "", kZipArchiveBit | kZipDirectory, 0, 0, 0},
        {"short_ut.ini", 0x0014, 0x20, UtBlock(7, {1400000000}), kZipArchiveBit, FromUnix(1400000000), 0, 0},
    };
    std::vector<Item> items;
    for (const auto& c : cases) {
        Item it;
        it.name = c.name;
        it.data = c.name;
        it.madeBy = c.madeBy;
        it.external = c.external;
        it.localExtra = std::string("\x01\x00\x00\x00", 4) + c.extra;  // an empty foreign block first
        items.push_back(it);
    }
    OpenArchive(Build(items));
    // The DOS time 2025-01-01 13:25:30 local, read back through the C library.
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        ZipEntry e;
        ASSERT_EQ(m_zip->GetEntry(static_cast<int32_t>(i), e), kZipOk);
        EXPECT_EQ(e.attributes, cases[i].attributes);
        uint64_t expected[] = {cases[i].modification, cases[i].access, cases[i].creation};
        uint64_t got[] = {e.modificationTime, e.accessTime, e.creationTime};
        for (int k = 0; k < 3; ++k) {
            if (expected[k]) {
                EXPECT_EQ(got[k], expected[k]) << k;
                continue;
            }
            std::time_t t = static_cast<std::time_t>(got[k] / 10000000 - 11644473600LL);
            std::tm* local = std::localtime(&t);
            ASSERT_NE(local, nullptr);
            EXPECT_EQ(got[k] % 10000000, 0u);
            EXPECT_EQ((std::vector<int>{local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, local->tm_hour,
                                        local->tm_min, local->tm_sec}),
                      (std::vector<int>{2025, 1, 1, 13, 25, 30}))
                << k;
        }
        ASSERT_EQ(m_zip->ExtractEntry(static_cast<int32_t>(i), e.name), kZipOk);
        if (e.attributes & kZipDirectory) continue;
        const FileInfo& f = m_files->files.at((m_base / cases[i].name).lexically_normal().string());
        EXPECT_EQ(f.attributes, e.attributes);
        EXPECT_TRUE(f.timesSet);
        EXPECT_EQ((std::vector<uint64_t>{f.creation, f.access, f.modification}),
                  (std::vector<uint64_t>{e.creationTime, e.accessTime, e.modificationTime}));
    }
    EXPECT_TRUE(fs::is_directory(m_base / "unixdir"));
}

}  // namespace
