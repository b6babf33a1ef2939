// Any bytes opened as an archive: every entry listed and extracted into a sink
// that keeps nothing, with a known result code, a safe name and no more output
// than the entry declares.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "app/zip_archive.h"

namespace {

const std::wstring kBase = L"B\\";

bool Known(uint32_t rc) {
    switch (rc) {
    case kZipOk: case kZipCannotOpen: case kZipWriteFailed: case kZipBadLocalHeader: case kZipReadFailed:
    case kZipBadPassword: case kZipBadArgument: case kZipAlreadyOpen: case kZipBadData:
        return true;
    default:
        return false;
    }
}

bool Separator(wchar_t c) { return c == L'\\' || c == L'/'; }

// What a path under the base folder must not look like.
bool Escapes(const std::wstring& rel) {
    if (rel.size() >= 2 && rel[1] == L':') return true;
    if (!rel.empty() && Separator(rel[0])) return true;
    if (rel == L"..") return true;
    for (size_t i = 0; i + 1 < rel.size(); ++i) {
        bool start = i == 0 || Separator(rel[i - 1]);
        bool end = i + 2 == rel.size() || Separator(rel[i + 2]);
        // A ".." component is harmless only as the very last one (it then names a folder, never a file).
        if (start && rel[i] == L'.' && rel[i + 1] == L'.' && end && i + 2 != rel.size()) return true;
    }
    return false;
}

class Discard : public ZipFileSink {
public:
    std::wstring CurrentFolder() override { return L"C:\\cwd\\"; }
    bool MakeFolder(const std::wstring& path) override {
        Check(path);
        return true;
    }
    bool CreateOutput(const std::wstring& path, uint32_t) override {
        Check(path);
        if (open) __builtin_trap();
        open = true;
        written = 0;
        return true;
    }
    bool WriteOutput(const uint8_t*, size_t size) override {
        if (!open || size == 0 || size > 16384) __builtin_trap();
        written += size;
        return true;
    }
    void SetOutputTimes(uint64_t, uint64_t, uint64_t) override {
        if (!open) __builtin_trap();
    }
    void CloseOutput() override {
        if (!open) __builtin_trap();
        open = false;
    }
    static void Check(const std::wstring& path) {
        if (path.compare(0, kBase.size(), kBase) != 0 || Escapes(path.substr(kBase.size()))) __builtin_trap();
    }
    bool open = false;
    uint64_t written = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Discard files;
    ZipArchive zip(files);
    uint32_t rc = zip.Open(data, static_cast<uint32_t>(size));
    if (!Known(rc)) __builtin_trap();
    zip.SetBaseFolder(L"B");
    ZipEntry count;
    if (zip.GetEntry(-1, count) != kZipOk || count.index < 0 || (rc != kZipOk && count.index != 0))
        __builtin_trap();
    for (int32_t i = 0; i < count.index && i < 64; ++i) {
        ZipEntry e, again;
        uint32_t got = zip.GetEntry(i, e);
        if (!Known(got)) __builtin_trap();
        if (got == kZipOk) {
            size_t n = wcsnlen(e.name, kZipMaxName);
            if (n == kZipMaxName || e.index != i || Escapes(e.name)) __builtin_trap();
            if (zip.GetEntry(i, again) != kZipOk || std::memcmp(&e, &again, sizeof e) != 0) __builtin_trap();
        }
        files.written = 0;
        uint32_t x = zip.ExtractEntry(i, got == kZipOk ? std::wstring(e.name) : std::wstring(L"n"));
        if (!Known(x) || (got != kZipOk && x != got) || files.open) __builtin_trap();
        if (got == kZipOk && files.written > static_cast<uint32_t>(e.uncompressedSize)) __builtin_trap();
    }
    if (zip.GetEntry(count.index, count) != kZipBadArgument) __builtin_trap();
    zip.Close();
    return 0;
}
