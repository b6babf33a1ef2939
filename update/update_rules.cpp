#include "update/update_rules.h"

#include "app/decimal.h"

namespace {

// Winnt.h values, spelled out so this file builds without Windows headers.
constexpr uint16_t kFileExecutableImage = 0x0002;
constexpr uint16_t kFileDll = 0x2000;
constexpr uint16_t kPe32Magic = 0x010b;
constexpr uint16_t kPe32PlusMagic = 0x020b;

constexpr size_t kLfanewOffset = 0x3C;
constexpr size_t kSignatureSize = 4;
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kCharacteristicsOffset = 18;  // within the file header

uint16_t ReadU16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t ReadU32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// True when `length` bytes from `offset` lie inside `size`; written so that
// no sum can wrap, whatever the file claims.
bool Fits(size_t offset, size_t length, size_t size) {
    return offset <= size && length <= size - offset;
}

}  // namespace

bool MeansNoUpdate(std::wstring_view response) {
    return response.size() <= 5 || ParseLeadingDecimal(response) < 0;
}

bool DownloadComplete(int64_t existingSize, int64_t received, int64_t total) {
    if (existingSize < 0 || received < 0 || total < existingSize) return false;
    return received == total - existingSize;
}

ExecutableVerdict CheckExecutableImage(const unsigned char* data, size_t size, uint16_t machine) {
    if (data == nullptr) size = 0;
    if (!Fits(kLfanewOffset, 4, size) || data[0] != 'M' || data[1] != 'Z') return ExecutableVerdict::NotExecutable;

    const uint32_t lfanew = ReadU32(data + kLfanewOffset);
    if (!Fits(lfanew, kSignatureSize + kFileHeaderSize, size)) return ExecutableVerdict::NotExecutable;
    const unsigned char* pe = data + lfanew;
    if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) return ExecutableVerdict::NotExecutable;

    const unsigned char* fileHeader = pe + kSignatureSize;
    if (ReadU16(fileHeader) != machine) return ExecutableVerdict::OtherMachine;
    const uint16_t characteristics = ReadU16(fileHeader + kCharacteristicsOffset);
    if (!(characteristics & kFileExecutableImage) || (characteristics & kFileDll)) {
        return ExecutableVerdict::NotExecutable;
    }

    const size_t magicOffset = static_cast<size_t>(lfanew) + kSignatureSize + kFileHeaderSize;
    if (!Fits(magicOffset, 2, size)) return ExecutableVerdict::NotExecutable;
    const uint16_t magic = ReadU16(data + magicOffset);
    bool magicFits;
    switch (machine) {
        case kMachineI386: magicFits = magic == kPe32Magic; break;
        case kMachineAmd64: magicFits = magic == kPe32PlusMagic; break;
        default: magicFits = magic == kPe32Magic || magic == kPe32PlusMagic; break;
    }
    return magicFits ? ExecutableVerdict::Runnable : ExecutableVerdict::NotExecutable;
}

const char* ExecutableVerdictText(ExecutableVerdict verdict) {
    switch (verdict) {
        case ExecutableVerdict::Runnable: return "runnable";
        case ExecutableVerdict::OtherMachine: return "an executable for another machine";
        case ExecutableVerdict::NotExecutable: break;
    }
    return "not an executable";
}
