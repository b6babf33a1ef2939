// Any download must get a verdict and any server answer a decision, without
// crashing or reading past the bytes given.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "update/update_rules.h"

namespace {

constexpr size_t kPeOffset = 0x40;
constexpr size_t kHeaderEnd = kPeOffset + 4 + 20 + 2;  // through the optional header's magic

// A valid header up to the magic, for one machine.
std::vector<unsigned char> Header(uint16_t machine, uint16_t magic) {
    std::vector<unsigned char> header(kHeaderEnd, 0);
    std::memcpy(&header[0], "MZ", 2);
    header[0x3C] = kPeOffset;
    std::memcpy(&header[kPeOffset], "PE\0\0", 4);
    header[kPeOffset + 4] = static_cast<unsigned char>(machine);
    header[kPeOffset + 5] = static_cast<unsigned char>(machine >> 8);
    header[kPeOffset + 22] = 0x02;  // IMAGE_FILE_EXECUTABLE_IMAGE
    header[kPeOffset + 24] = static_cast<unsigned char>(magic);
    header[kPeOffset + 25] = static_cast<unsigned char>(magic >> 8);
    return header;
}

bool Known(ExecutableVerdict verdict) {
    return verdict == ExecutableVerdict::Runnable || verdict == ExecutableVerdict::NotExecutable ||
           verdict == ExecutableVerdict::OtherMachine;
}

void CheckVerdicts(const std::vector<unsigned char>& bytes, uint16_t thirdMachine) {
    const uint16_t machines[] = {kMachineI386, kMachineAmd64, thirdMachine};
    ExecutableVerdict verdicts[3];
    for (int i = 0; i < 3; ++i) {
        verdicts[i] = CheckExecutableImage(bytes.data(), bytes.size(), machines[i]);
        const char* text = ExecutableVerdictText(verdicts[i]);
        if (!Known(verdicts[i]) || text == nullptr || *text == '\0') __builtin_trap();
        // Telling machines apart needs at least a DOS header that points somewhere.
        if (verdicts[i] != ExecutableVerdict::NotExecutable &&
            (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z')) {
            __builtin_trap();
        }
    }
    // One header names one machine: runnable for it means another machine for every other.
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (machines[i] != machines[j] && verdicts[i] == ExecutableVerdict::Runnable &&
                verdicts[j] != ExecutableVerdict::OtherMachine) {
                __builtin_trap();
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Exactly `size` bytes of their own, so a read past the end trips the address sanitizer.
    const std::vector<unsigned char> raw(data, data + size);
    CheckVerdicts(raw, 0);

    // Random bytes almost never hold an e_lfanew that points at "PE\0\0", so
    // the same bytes are also XORed onto valid headers: zeros give a runnable
    // image, each flipped bit one way to fall short, and every input of that
    // length is still reachable.
    static const std::vector<unsigned char> headers[] = {Header(kMachineI386, 0x10b), Header(kMachineAmd64, 0x20b)};
    for (const std::vector<unsigned char>& header : headers) {
        std::vector<unsigned char> shaped = raw;
        for (size_t i = 0; i < shaped.size() && i < header.size(); ++i) shaped[i] ^= header[i];
        // The machine the shaped header names, so that other machines are judged too.
        const uint16_t named = shaped.size() >= kPeOffset + 6
                                   ? static_cast<uint16_t>(shaped[kPeOffset + 4] | (shaped[kPeOffset + 5] << 8))
                                   : 0;
        CheckVerdicts(shaped, named);
    }

    if (size >= 24) {
        int64_t sizes[3];
        std::memcpy(sizes, data, sizeof sizes);
        const bool complete = DownloadComplete(sizes[0], sizes[1], sizes[2]);
        const bool sums = sizes[0] >= 0 && sizes[1] >= 0 &&
                          static_cast<__int128>(sizes[0]) + sizes[1] == static_cast<__int128>(sizes[2]);
        if (complete != sums) __builtin_trap();
    }

    // UTF-16 code units, as the server's answer reaches the launcher.
    std::wstring response;
    for (size_t i = 0; i + 1 < size; i += 2) response.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    const bool noUpdate = MeansNoUpdate(response);
    if (response.size() <= 5 && !noUpdate) __builtin_trap();
    // Only a minus sign after white space can turn a longer answer into a refusal.
    const size_t first = response.find_first_not_of(L" \t\n\v\f\r");
    if (noUpdate && response.size() > 5 && (first == std::wstring::npos || response[first] != L'-')) __builtin_trap();
    return 0;
}
