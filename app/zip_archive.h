#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Result codes of the ZipArchive operations.
constexpr uint32_t kZipOk = 0;
// No valid end record (Open), or an output file or folder cannot be created (ExtractEntry).
constexpr uint32_t kZipCannotOpen = 0x200;
// Writing an output file failed.
constexpr uint32_t kZipWriteFailed = 0x400;
// The entry's local header does not match its central-directory record, or
// its compression method is neither stored (0) nor deflated (8).
constexpr uint32_t kZipBadLocalHeader = 0x700;
// A central or local record lies (partly) outside the archive bytes.
constexpr uint32_t kZipReadFailed = 0x800;
// The check byte of an encrypted entry did not match the empty password.
constexpr uint32_t kZipBadPassword = 0x1000;
// Index out of range (or below -1).
constexpr uint32_t kZipBadArgument = 0x10000;
// Open on an archive that is already open.
constexpr uint32_t kZipAlreadyOpen = 0x1000000;
// Inflating failed, the data ended early, or the extracted bytes fail their CRC-32.
constexpr uint32_t kZipBadData = 0x5000000;

// Platform file attributes as carried in ZipEntry::attributes.
constexpr uint32_t kZipReadOnly = 0x1;
constexpr uint32_t kZipHidden = 0x2;
constexpr uint32_t kZipSystem = 0x4;
constexpr uint32_t kZipDirectory = 0x10;
constexpr uint32_t kZipArchiveBit = 0x20;

constexpr size_t kZipMaxName = 260;

struct ZipEntry {
    // Position in the central directory from 0; for the query of -1 the number of entries.
    int32_t index = 0;
    // Sanitised UTF-16 name (see ZipArchive::GetEntry), NUL-terminated: at most 259 characters.
    wchar_t name[kZipMaxName] = {};
    uint32_t attributes = 0;
    // 100-ns units since 1601, UTC.
    uint64_t accessTime = 0;
    uint64_t creationTime = 0;
    uint64_t modificationTime = 0;
    int32_t compressedSize = 0;
    int32_t uncompressedSize = 0;
};

// Where extracted entries go. Paths are the base folder followed by the
// entry's relative path, whose separators may be "\" or "/".
class ZipFileSink {
public:
    virtual ~ZipFileSink() = default;
    // The base folder after Open, with a trailing separator.
    virtual std::wstring CurrentFolder() = 0;
    // Creates one folder level; true when the folder exists afterwards.
    virtual bool MakeFolder(const std::wstring& path) = 0;
    // Creates (or replaces) the file that the next calls write.
    virtual bool CreateOutput(const std::wstring& path, uint32_t attributes) = 0;
    virtual bool WriteOutput(const uint8_t* data, size_t size) = 0;
    // Called once the entry's data has been written whole.
    virtual void SetOutputTimes(uint64_t creation, uint64_t access, uint64_t modification) = 0;
    // Ends the file of CreateOutput, whether it was written whole or not.
    virtual void CloseOutput() = 0;
};

#ifdef _WIN32
// Real files through the Windows API (app/zip_files_win.cpp, in launcher_app).
class ZipFilesWin final : public ZipFileSink {
public:
    ZipFilesWin() = default;
    ZipFilesWin(const ZipFilesWin&) = delete;
    ZipFilesWin& operator=(const ZipFilesWin&) = delete;
    ~ZipFilesWin() override;
    std::wstring CurrentFolder() override;
    bool MakeFolder(const std::wstring& path) override;
    bool CreateOutput(const std::wstring& path, uint32_t attributes) override;
    bool WriteOutput(const uint8_t* data, size_t size) override;
    void SetOutputTimes(uint64_t creation, uint64_t access, uint64_t modification) override;
    void CloseOutput() override;

private:
    void* m_file = nullptr;  // HANDLE; null when none is open
    std::wstring m_path;
    uint32_t m_attributes = 0;
};
#endif

// Reads a ZIP archive held in memory and extracts single entries through a
// ZipFileSink. Stored and deflated entries only; no ZIP64, no multi-disk
// archives, no password (an encrypted entry fails its check byte).
// Every operation returns one of the codes above and never throws.
//
// Usage: ZipFilesWin files; ZipArchive zip(files); zip.Open(bytes, size);
// zip.SetBaseFolder(folder); zip.GetEntry(-1, e) for the count; then per index
// GetEntry and ExtractEntry(index, e.name); Close.
class ZipArchive {
public:
    explicit ZipArchive(ZipFileSink& files);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // The bytes are not copied and must outlive the open archive. The end
    // record nearest the end whose fields are consistent is used; one whose
    // comment reaches exactly to the end of the bytes is preferred, so a
    // signature inside a comment is passed over. On success the base folder
    // is the sink's current folder.
    uint32_t Open(const void* data, uint32_t size);

    // Always 0. A separator is appended when the path does not end with "\"
    // or "/"; an empty path means the sink's current folder.
    uint32_t SetBaseFolder(const std::wstring& folder);

    // Index -1 gives the entry count in entry.index, all else zero. The name
    // is UTF-8 converted to UTF-16 and then sanitised: drive prefixes ("x:"),
    // leading "\" or "/", leading "../" or "..\" and a name of only ".." are
    // skipped, and the name continues after the first "\..\", "\../", "/../"
    // or "/..\" (tested in this order), repeated until none applies, so no
    // name leaves the base folder.
    uint32_t GetEntry(int32_t index, ZipEntry& entry);

    // Writes the entry under base folder + name (name is sanitised like entry
    // names), creating missing folder levels; a directory entry creates the
    // folder only. The encryption check byte is tested before any file is
    // created; a later failure leaves the file as far as it was written.
    uint32_t ExtractEntry(int32_t index, const std::wstring& name);

    // Always 0; the archive can be opened again afterwards.
    uint32_t Close();

private:
    struct State;
    ZipFileSink& m_files;
    std::unique_ptr<State> m_state;
};

// The sanitising of GetEntry, on its own.
std::wstring SanitiseZipName(std::wstring name);
