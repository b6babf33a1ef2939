#include "app/zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kCentralSize = 46;
constexpr size_t kLocalSize = 30;
constexpr size_t kMaxBack = 0xFFFF;
constexpr size_t kSearchWindow = 1028;
constexpr size_t kChunk = 16384;
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Read32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

struct CentralHeader {
    uint16_t versionMadeBy, flags, method, dosTime, dosDate;
    uint32_t crc, compressedSize, uncompressedSize;
    uint16_t nameLength, extraLength, commentLength;
    uint32_t externalAttributes, localOffset;
};

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Invalid sequences become U+FFFD, as the platform's converter does; a
// surrogate pair that would not fit is dropped rather than split.
std::wstring Utf8ToUtf16(const uint8_t* s, size_t n, size_t maxUnits) {
    std::wstring out;
    size_t i = 0;
    while (i < n) {
        uint32_t c = s[i];
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        uint32_t cp = 0xFFFD;
        size_t used = 1;
        if (len == 1) {
            cp = c;
        } else if (len > 1 && i + len <= n) {
            uint32_t v = c & (0x7F >> len);
            bool ok = true;
            for (size_t k = 1; k < len; ++k) {
                if ((s[i + k] & 0xC0) != 0x80) { ok = false; break; }
                v = (v << 6) | (s[i + k] & 0x3F);
            }
            static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
            if (ok && v >= kMin[len] && v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF)) {
                cp = v;
                used = len;
            }
        }
        i += used;
        size_t units = cp >= 0x10000 ? 2 : 1;
        if (out.size() + units > maxUnits) break;
        if (units == 2) {
            cp -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(cp));
        }
    }
    return out;
}

uint64_t UnixToFileTime(int32_t t) {
    return static_cast<uint64_t>(static_cast<int64_t>(t) * 10000000 + static_cast<int64_t>(kUnixEpochAsFileTime));
}

// DOS fields are local time; mktime applies the zone (and daylight saving) of that date.
uint64_t DosToFileTime(uint16_t date, uint16_t time) {
    std::tm tm{};
    tm.tm_year = 80 + (date >> 9);
    tm.tm_mon = ((date >> 5) & 0xF) - 1;
    tm.tm_mday = date & 0x1F;
    tm.tm_hour = time >> 11;
    tm.tm_min = (time >> 5) & 0x3F;
    tm.tm_sec = (time & 0x1F) * 2;
    tm.tm_isdst = -1;
    std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return 0;
    return static_cast<uint64_t>(static_cast<int64_t>(t) * 10000000 + static_cast<int64_t>(kUnixEpochAsFileTime));
}

// Traditional PKWARE stream cipher.
struct Cipher {
    uint32_t keys[3] = {0x12345678, 0x23456789, 0x34567890};
    void Update(uint8_t c) {
        keys[0] = static_cast<uint32_t>(crc32(keys[0] ^ 0xFFFFFFFFu, &c, 1) ^ 0xFFFFFFFFu);
        keys[1] = (keys[1] + (keys[0] & 0xFF)) * 134775813u + 1;
        uint8_t high = static_cast<uint8_t>(keys[1] >> 24);
        keys[2] = static_cast<uint32_t>(crc32(keys[2] ^ 0xFFFFFFFFu, &high, 1) ^ 0xFFFFFFFFu);
    }
    uint8_t Decrypt(uint8_t c) {
        uint32_t t = (keys[2] & 0xFFFF) | 2;
        uint8_t plain = static_cast<uint8_t>(c ^ static_cast<uint8_t>((t * (t ^ 1)) >> 8));
        Update(plain);
        return plain;
    }
};

}  // namespace

std::wstring SanitiseZipName(std::wstring name) {
    static const wchar_t* const kInner[] = {L"\\..\\", L"\\../", L"/../", L"/..\\"};
    for (;;) {
        if (name.size() >= 2 && name[1] == L':') {
            name.erase(0, 2);
        } else if (!name.empty() && IsSeparator(name[0])) {
            name.erase(0, 1);
        } else if (name.size() >= 3 && name[0] == L'.' && name[1] == L'.' && IsSeparator(name[2])) {
            name.erase(0, 3);
        } else if (name == L"..") {
            name.clear();
        } else {
            bool found = false;
            for (const wchar_t* pattern : kInner) {
                size_t at = name.find(pattern);
                if (at != std::wstring::npos) {
                    name.erase(0, at + 4);
                    found = true;
                    break;
                }
            }
            if (!found) return name;
        }
    }
}

struct ZipArchive::State {
    const uint8_t* data = nullptr;
    size_t size = 0;
    std::wstring base;
    uint32_t count = 0;
    size_t centralStart = 0;  // absolute position of the first central header
    size_t bytesBefore = 0;
    // The walk: the header at walkPos belongs to entry walkIndex.
    uint32_t walkIndex = 0;
    size_t walkPos = 0;
    // The cached entry and what extraction needs of it.
    int32_t cachedIndex = -1;
    ZipEntry cached;
    CentralHeader header{};
    size_t dataStart = 0;
    std::vector<uint8_t> output;

    bool Has(size_t pos, size_t n) const { return pos <= size && n <= size - pos; }
};

ZipArchive::ZipArchive(ZipFileSink& files) : m_files(files) {}

ZipArchive::~ZipArchive() { Close(); }

uint32_t ZipArchive::Open(const void* data, uint32_t size) {
    if (m_state) return kZipAlreadyOpen;
    if (!data || size < kEndRecordSize) return kZipCannotOpen;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);

    // Backwards in overlapping windows; the first consistent record wins, but
    // only one whose comment ends exactly at the end of the bytes wins at once.
    size_t back = std::min<size_t>(size, kMaxBack);
    size_t searchStart = size - back;
    bool haveLoose = false;
    size_t loosePos = 0, chosen = 0;
    bool haveExact = false;
    size_t windowEnd = size;
    auto consistent = [&](size_t pos, bool& exact) {
        if (pos + kEndRecordSize > size) return false;
        const uint8_t* r = bytes + pos;
        uint16_t disk = Read16(r + 4), cdDisk = Read16(r + 6);
        uint16_t onDisk = Read16(r + 8), total = Read16(r + 10);
        uint64_t cdSize = Read32(r + 12), cdOffset = Read32(r + 16);
        uint16_t commentLength = Read16(r + 20);
        if (disk != 0 || cdDisk != 0 || onDisk != total || pos < cdOffset + cdSize) return false;
        exact = pos + kEndRecordSize + commentLength == size;
        return true;
    };
    while (!haveExact && windowEnd > searchStart) {
        size_t windowStart = windowEnd > searchStart + kSearchWindow ? windowEnd - kSearchWindow : searchStart;
        for (size_t p = windowEnd - std::min<size_t>(windowEnd - windowStart, 4); p-- > windowStart;) {
            if (p + 4 > windowEnd) continue;
            if (Read32(bytes + p) != kEndSignature) continue;
            bool exact = false;
            if (!consistent(p, exact)) continue;
            if (exact) {
                haveExact = true;
                chosen = p;
                break;
            }
            if (!haveLoose) {
                haveLoose = true;
                loosePos = p;
            }
        }
        if (windowStart == searchStart) break;
        windowEnd = windowStart + 4;  // the windows overlap by 4 bytes
    }
    if (!haveExact) {
        if (!haveLoose) return kZipCannotOpen;
        chosen = loosePos;
    }

    const uint8_t* r = bytes + chosen;
    auto state = std::make_unique<State>();
    state->data = bytes;
    state->size = size;
    state->count = Read16(r + 10);
    uint32_t cdSize = Read32(r + 12), cdOffset = Read32(r + 16);
    state->bytesBefore = chosen - (static_cast<size_t>(cdOffset) + cdSize);
    state->centralStart = state->bytesBefore + cdOffset;
    state->walkPos = state->centralStart;
    state->base = m_files.CurrentFolder();
    m_state = std::move(state);
    return kZipOk;
}

uint32_t ZipArchive::SetBaseFolder(const std::wstring& folder) {
    if (!m_state) return kZipOk;
    std::wstring base = folder.empty() ? m_files.CurrentFolder() : folder;
    if (!base.empty() && !IsSeparator(base.back())) base += L'\\';
    m_state->base = base;
    return kZipOk;
}

uint32_t ZipArchive::GetEntry(int32_t index, ZipEntry& entry) {
    uint32_t count = m_state ? m_state->count : 0;
    if (index == -1) {
        entry = ZipEntry();
        entry.index = static_cast<int32_t>(count);
        return kZipOk;
    }
    if (index < 0 || static_cast<uint32_t>(index) >= count) return kZipBadArgument;
    State& s = *m_state;
    if (s.cachedIndex == index) {
        entry = s.cached;
        return kZipOk;
    }
    s.cachedIndex = -1;

    uint32_t target = static_cast<uint32_t>(index);
    if (target < s.walkIndex) {
        s.walkIndex = 0;
        s.walkPos = s.centralStart;
    }
    CentralHeader h{};
    for (;;) {
        if (!s.Has(s.walkPos, kCentralSize) || Read32(s.data + s.walkPos) != kCentralSignature) {
            s.walkIndex = 0;
            s.walkPos = s.centralStart;
            return kZipReadFailed;
        }
        const uint8_t* c = s.data + s.walkPos;
        h.versionMadeBy = Read16(c + 4);
        h.flags = Read16(c + 8);
        h.method = Read16(c + 10);
        h.dosTime = Read16(c + 12);
        h.dosDate = Read16(c + 14);
        h.crc = Read32(c + 16);
        h.compressedSize = Read32(c + 20);
        h.uncompressedSize = Read32(c + 24);
        h.nameLength = Read16(c + 28);
        h.extraLength = Read16(c + 30);
        h.commentLength = Read16(c + 32);
        h.externalAttributes = Read32(c + 38);
        h.localOffset = Read32(c + 42);
        if (s.walkIndex == target) break;
        s.walkPos += kCentralSize + h.nameLength + h.extraLength + h.commentLength;
        ++s.walkIndex;
    }
    size_t namePos = s.walkPos + kCentralSize;
    size_t nameBytes = std::min<size_t>(h.nameLength, kZipMaxName);
    if (!s.Has(namePos, nameBytes)) return kZipReadFailed;

    size_t local = s.bytesBefore + h.localOffset;
    if (!s.Has(local, kLocalSize)) return kZipReadFailed;
    const uint8_t* l = s.data + local;
    uint16_t localMethod = Read16(l + 8);
    bool descriptor = (h.flags & 8) != 0;
    if (Read32(l) != kLocalSignature || localMethod != h.method || (h.method != 0 && h.method != 8) ||
        Read16(l + 26) != h.nameLength ||
        (!descriptor && (Read32(l + 14) != h.crc || Read32(l + 18) != h.compressedSize ||
                         Read32(l + 22) != h.uncompressedSize)))
        return kZipBadLocalHeader;
    uint16_t localExtraLength = Read16(l + 28);
    size_t localExtra = local + kLocalSize + h.nameLength;
    if (!s.Has(localExtra, localExtraLength)) return kZipReadFailed;

    ZipEntry e;
    e.index = index;
    std::wstring name = Utf8ToUtf16(s.data + namePos, nameBytes, kZipMaxName - 1);
    name.resize(std::min(name.size(), name.find(L'\0')));  // a NUL ends the name, as in C
    name = SanitiseZipName(name);  // after the cut, or "..\0x" would end as ".."
    std::copy(name.begin(), name.end(), e.name);

    uint8_t host = static_cast<uint8_t>(h.versionMadeBy >> 8);
    uint32_t ext = h.externalAttributes;
    if (host == 0 || host == 7 || host == 11 || host == 14) {
        e.attributes = ext & (kZipReadOnly | kZipHidden | kZipSystem | kZipDirectory | kZipArchiveBit);
    } else {
        e.attributes = kZipArchiveBit | ((ext & (1u << 30)) ? kZipDirectory : 0) |
                       ((ext & (1u << 23)) ? 0 : kZipReadOnly);
    }

    uint64_t dos = DosToFileTime(h.dosDate, h.dosTime);
    e.modificationTime = e.accessTime = e.creationTime = dos;
    const uint8_t* x = s.data + localExtra;
    for (size_t at = 0; at + 4 <= localExtraLength;) {
        uint16_t tag = Read16(x + at), blockSize = Read16(x + at + 2);
        size_t body = at + 4;
        if (body + blockSize > localExtraLength) break;
        if (tag == 0x5455 && blockSize >= 1) {
            uint8_t flags = x[body];
            size_t t = body + 1;
            uint64_t* targets[] = {&e.modificationTime, &e.accessTime, &e.creationTime};
            for (int bit = 0; bit < 3; ++bit) {
                if (!(flags & (1 << bit))) continue;
                if (t + 4 > body + blockSize) break;
                *targets[bit] = UnixToFileTime(static_cast<int32_t>(Read32(x + t)));
                t += 4;
            }
        }
        at = body + blockSize;
    }
    e.compressedSize = static_cast<int32_t>(h.compressedSize);
    e.uncompressedSize = static_cast<int32_t>(h.uncompressedSize);

    s.header = h;
    s.dataStart = localExtra + localExtraLength;
    s.cached = e;
    s.cachedIndex = index;
    entry = e;
    return kZipOk;
}

uint32_t ZipArchive::ExtractEntry(int32_t index, const std::wstring& name) {
    if (!m_state || index < 0 || static_cast<uint32_t>(index) >= m_state->count) return kZipBadArgument;
    ZipEntry entry;
    if (uint32_t rc = GetEntry(index, entry)) return rc;
    State& s = *m_state;
    const CentralHeader h = s.header;

    std::wstring relative = SanitiseZipName(name);
    bool directory = (entry.attributes & kZipDirectory) != 0;
    std::wstring folder, filePart;
    if (directory) {
        while (!relative.empty() && IsSeparator(relative.back())) relative.pop_back();
        folder = relative;
    } else {
        size_t split = relative.find_last_of(L"\\/");
        if (split != std::wstring::npos) folder = relative.substr(0, split);
        filePart = split == std::wstring::npos ? relative : relative.substr(split + 1);
    }
    // Each missing folder level in turn; the last one decides a directory entry's result.
    bool made = true;
    for (size_t i = 1; i <= folder.size(); ++i) {
        if ((i == folder.size() || IsSeparator(folder[i])) && !IsSeparator(folder[i - 1]))
            made = m_files.MakeFolder(s.base + folder.substr(0, i));
    }
    if (directory) return made ? kZipOk : kZipCannotOpen;
    if (filePart.empty()) return kZipCannotOpen;  // nothing to name the file by

    // Encryption header first, so a wrong password never truncates an existing file.
    size_t pos = s.dataStart;
    uint64_t remaining = h.compressedSize;
    Cipher cipher;
    bool encrypted = (h.flags & 1) != 0;
    if (encrypted) {
        if (remaining < 12 || !s.Has(pos, 12)) return kZipBadData;
        uint8_t last = 0;
        for (int i = 0; i < 12; ++i) last = cipher.Decrypt(s.data[pos + i]);
        uint8_t check = (h.flags & 8) ? static_cast<uint8_t>(h.dosTime >> 8) : static_cast<uint8_t>(h.crc >> 24);
        if (last != check) return kZipBadPassword;
        pos += 12;
        remaining -= 12;
    }

    if (!m_files.CreateOutput(s.base + relative, entry.attributes)) return kZipCannotOpen;
    if (s.output.empty()) s.output.resize(kChunk);

    z_stream z{};
    bool deflated = h.method == 8;
    if (deflated && inflateInit2(&z, -MAX_WBITS) != Z_OK) {
        m_files.CloseOutput();
        return kZipBadData;
    }
    std::vector<uint8_t> input(kChunk);
    uint64_t left = h.uncompressedSize;  // output never exceeds the declared size
    uLong crc = crc32(0, nullptr, 0);
    uint32_t rc = kZipOk;
    bool streamEnded = false;
    // Moves up to one chunk of compressed bytes from the source into the input buffer.
    auto feed = [&]() -> size_t {
        size_t n = static_cast<size_t>(std::min<uint64_t>(remaining, kChunk));
        n = std::min(n, s.size > pos ? s.size - pos : 0);
        if (n == 0) return 0;
        std::memcpy(input.data(), s.data + pos, n);
        if (encrypted)
            for (size_t i = 0; i < n; ++i) input[i] = cipher.Decrypt(input[i]);
        pos += n;
        remaining -= n;
        return n;
    };
    while (left > 0 && rc == kZipOk) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(left, kChunk));
        size_t got = 0;
        if (!deflated) {
            size_t n = static_cast<size_t>(std::min<uint64_t>(remaining, want));
            n = std::min(n, s.size > pos ? s.size - pos : 0);
            if (n > 0) std::memcpy(s.output.data(), s.data + pos, n);
            if (encrypted)
                for (size_t i = 0; i < n; ++i) s.output[i] = cipher.Decrypt(s.output[i]);
            pos += n;
            remaining -= n;
            got = n;
        } else if (!streamEnded) {
            z.next_out = s.output.data();
            z.avail_out = static_cast<uInt>(want);
            while (z.avail_out > 0) {
                bool exhausted = false;
                if (z.avail_in == 0) {
                    z.avail_in = static_cast<uInt>(feed());
                    z.next_in = input.data();
                    exhausted = z.avail_in == 0;
                }
                uInt before = z.avail_out;
                int zr = inflate(&z, Z_SYNC_FLUSH);
                if (zr == Z_STREAM_END) {
                    streamEnded = true;
                    break;
                }
                if (zr != Z_OK && zr != Z_BUF_ERROR) {
                    rc = kZipBadData;
                    break;
                }
                if (exhausted && before == z.avail_out) break;  // the data ended early
            }
            got = want - z.avail_out;
        }
        if (rc != kZipOk) break;
        if (got == 0) {
            rc = kZipBadData;
            break;
        }
        crc = crc32(crc, s.output.data(), static_cast<uInt>(got));
        if (!m_files.WriteOutput(s.output.data(), got)) {
            rc = kZipWriteFailed;
            break;
        }
        left -= got;
    }
    if (deflated) inflateEnd(&z);
    if (rc == kZipOk) {
        m_files.SetOutputTimes(entry.creationTime, entry.accessTime, entry.modificationTime);
        // Reported, unlike a plain read: a damaged entry must not count as extracted.
        if (crc != h.crc) rc = kZipBadData;
    }
    m_files.CloseOutput();
    return rc;
}

uint32_t ZipArchive::Close() {
    m_state.reset();
    return kZipOk;
}
