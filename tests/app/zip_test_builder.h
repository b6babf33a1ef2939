#pragma once
// A tiny archive writer for the ZIP reader's tests, independent of the reader.
#include <zlib.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zip_test {

inline void Put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

inline uint32_t Crc(const std::string& data) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

inline std::string RawDeflate(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// The traditional cipher written from its table definition, not as the reader does it.
struct Encrypter {
    uint32_t k[3] = {0x12345678, 0x23456789, 0x34567890};
    static uint32_t Step(uint32_t crc, uint8_t b) {
        crc ^= b;
        for (int i = 0; i < 8; ++i) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
        return crc;
    }
    void Update(uint8_t p) {
        k[0] = Step(k[0], p);
        k[1] = (k[1] + (k[0] & 0xFF)) * 134775813u + 1;
        k[2] = Step(k[2], static_cast<uint8_t>(k[1] >> 24));
    }
    char Encrypt(char plain) {
        uint32_t t = (k[2] & 0xFFFF) | 2;
        uint8_t p = static_cast<uint8_t>(plain);
        uint8_t c = static_cast<uint8_t>(p ^ ((t * (t ^ 1)) >> 8));
        Update(p);
        return static_cast<char>(c);
    }
};

struct Item {
    std::string name;
    std::string data;
    bool deflate = true;
    uint16_t madeBy = 0x0014;  // FAT
    uint32_t external = 0x20;
    uint16_t flags = 0;
    std::string localExtra;
    uint16_t dosTime = 0x6B2F;  // 13:25:30
    uint16_t dosDate = 0x5A21;  // 2025-01-01
    int encryptCheckDelta = -1;  // >= 0: encrypt, adding this to the right check byte
    std::function<void(std::string& local)> tweakLocal;
    std::function<void(std::string& payload)> tweakPayload;
};

inline std::string Build(const std::vector<Item>& items, const std::string& comment = "",
                  const std::string& prefix = "") {
    std::string locals, central;
    for (const Item& it : items) {
        uint32_t crc = Crc(it.data);
        std::string payload = it.deflate ? RawDeflate(it.data) : it.data;
        uint16_t flags = it.flags;
        if (it.encryptCheckDelta >= 0) {
            flags |= 1;
            Encrypter e;
            std::string header(11, 'h');
            header += static_cast<char>((crc >> 24) + it.encryptCheckDelta);
            std::string plain = header + payload;
            payload.clear();
            for (char c : plain) payload += e.Encrypt(c);
        }
        if (it.tweakPayload) it.tweakPayload(payload);
        uint32_t offset = static_cast<uint32_t>(locals.size());
        std::string local;
        Put32(local, 0x04034B50);
        Put16(local, 20);
        Put16(local, flags);
        Put16(local, it.deflate ? 8 : 0);
        Put16(local, it.dosTime);
        Put16(local, it.dosDate);
        Put32(local, crc);
        Put32(local, static_cast<uint32_t>(payload.size()));
        Put32(local, static_cast<uint32_t>(it.data.size()));
        Put16(local, static_cast<uint32_t>(it.name.size()));
        Put16(local, static_cast<uint32_t>(it.localExtra.size()));
        local += it.name + it.localExtra;
        if (it.tweakLocal) it.tweakLocal(local);
        locals += local + payload;

        Put32(central, 0x02014B50);
        Put16(central, it.madeBy);
        Put16(central, 20);
        Put16(central, flags);
        Put16(central, it.deflate ? 8 : 0);
        Put16(central, it.dosTime);
        Put16(central, it.dosDate);
        Put32(central, crc);
        Put32(central, static_cast<uint32_t>(payload.size()));
        Put32(central, static_cast<uint32_t>(it.data.size()));
        Put16(central, static_cast<uint32_t>(it.name.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, it.external);
        Put32(central, offset);
        central += it.name;
    }
    std::string end;
    Put32(end, 0x06054B50);
    Put32(end, 0);
    Put16(end, static_cast<uint32_t>(items.size()));
    Put16(end, static_cast<uint32_t>(items.size()));
    Put32(end, static_cast<uint32_t>(central.size()));
    Put32(end, static_cast<uint32_t>(locals.size()));
    Put16(end, static_cast<uint32_t>(comment.size()));
    return prefix + locals + central + end + comment;
}

// "UT" block with the given Unix times, present per flag bit.
inline std::string UtBlock(uint8_t flags, std::vector<uint32_t> times) {
    std::string b;
    Put16(b, 0x5455);
    Put16(b, static_cast<uint32_t>(1 + 4 * times.size()));
    b += static_cast<char>(flags);
    for (uint32_t t : times) Put32(b, t);
    return b;
}

inline uint64_t FromUnix(uint32_t t) { return (static_cast<uint64_t>(t) + 11644473600ULL) * 10000000ULL; }

}  // namespace zip_test
