#include "update/update_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(MeansNoUpdateTest, Table) {
    const struct {
        const wchar_t* response;
        bool noUpdate;
    } cases[] = {
        {L"", true},
        {L"-1", true},
        {L"0", true},
        {L"abcde", true},
        {L"abcdef", false},
        {L"12345", true},
        {L"123456", false},
        {L"-5 nope, not a url", true},
        {L"   -12xyz", true},
        {L"\t\r\n-3 later", true},
        {L"-99999999999999999999", true},
        {L"0000001", false},
        {L"+5 and text", false},
        // A sign without digits, or a negative zero, is no negative number.
        {L"-abcdef", false},
        {L"-0000000", false},
        {L"http://127.0.0.1:18091/download/Morvane-1.0.0.1.exe", false},
        {L"http://h/x.exe\r\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "response #" << (&c - cases));
        EXPECT_EQ(MeansNoUpdate(c.response), c.noUpdate);
    }
}

TEST(DownloadCompleteTest, Table) {
    const struct {
        int64_t existing, received, total;
        bool complete;
    } cases[] = {
        {0, 100, 100, true},
        {40, 60, 100, true},
        {40, 59, 100, false},
        {40, 61, 100, false},
        {0, 100, -1, false},
        {10, -5, 5, false},
        // Sums that would wrap to the total if added up.
        {INT64_MAX, INT64_MAX, -2, false},
        {INT64_MAX, 1, INT64_MIN, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case #" << (&c - cases));
        EXPECT_EQ(DownloadComplete(c.existing, c.received, c.total), c.complete);
    }
}

constexpr uint16_t kMachineArm64 = 0xAA64;
constexpr uint16_t kExecutableImage = 0x0002;
constexpr uint16_t kLargeAddressAware = 0x0020;
constexpr uint16_t k32BitMachine = 0x0100;
constexpr uint16_t kDll = 0x2000;
constexpr uint32_t kPeOffset = 0x40;
constexpr size_t kMagicEnd = kPeOffset + 4 + 20 + 2;

void Put16(std::vector<unsigned char>& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<unsigned char>(value);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

void Put32(std::vector<unsigned char>& bytes, size_t at, uint32_t value) {
    Put16(bytes, at, static_cast<uint16_t>(value));
    Put16(bytes, at + 2, static_cast<uint16_t>(value >> 16));
}

// The headers of an image up to and including the optional header's magic,
// which is as far as the check reads.
std::vector<unsigned char> Image(uint16_t machine, uint16_t characteristics, uint16_t magic) {
    std::vector<unsigned char> bytes(kMagicEnd, 0);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    Put32(bytes, 0x3C, kPeOffset);
    bytes[kPeOffset] = 'P';
    bytes[kPeOffset + 1] = 'E';
    Put16(bytes, kPeOffset + 4, machine);
    Put16(bytes, kPeOffset + 6, 3);                              // NumberOfSections
    Put16(bytes, kPeOffset + 20, magic == 0x20b ? 0xF0 : 0xE0);  // SizeOfOptionalHeader
    Put16(bytes, kPeOffset + 22, characteristics);
    Put16(bytes, kPeOffset + 24, magic);
    return bytes;
}

std::vector<unsigned char> Pe32() {
    return Image(kMachineI386, kExecutableImage | k32BitMachine, 0x10b);
}

std::vector<unsigned char> Pe32Plus() {
    return Image(kMachineAmd64, kExecutableImage | kLargeAddressAware, 0x20b);
}

std::vector<unsigned char> WithLfanew(std::vector<unsigned char> bytes, uint32_t lfanew) {
    Put32(bytes, 0x3C, lfanew);
    return bytes;
}

std::vector<unsigned char> Padded(std::vector<unsigned char> bytes, size_t size) {
    bytes.resize(size, 0);
    return bytes;
}

std::vector<unsigned char> Text(const char* text) {
    return std::vector<unsigned char>(text, text + std::strlen(text));
}

std::vector<unsigned char> HtmlPage(size_t size) {
    std::string page = "<html><head><title>404 Not Found</title></head><body>";
    while (page.size() + 14 < size) page += "<p>missing</p>";
    page += "</body></html>";
    return std::vector<unsigned char>(page.begin(), page.end());
}

TEST(CheckExecutableImageTest, Table) {
    using V = ExecutableVerdict;
    std::vector<unsigned char> pe01 = Pe32();
    pe01[kPeOffset + 3] = 1;
    std::vector<unsigned char> pe10 = Pe32();
    pe10[kPeOffset + 2] = 1;
    std::vector<unsigned char> ne = Pe32();
    ne[kPeOffset] = 'N';
    std::vector<unsigned char> zm = Pe32();
    zm[0] = 'Z';
    zm[1] = 'M';
    std::vector<unsigned char> lowerZ = Pe32();
    lowerZ[1] = 'z';

    const struct {
        const char* name;
        std::vector<unsigned char> bytes;
        uint16_t machine;
        V expected;
    } cases[] = {
        {"PE32 on i386", Pe32(), kMachineI386, V::Runnable},
        {"PE32+ on amd64", Pe32Plus(), kMachineAmd64, V::Runnable},
        {"PE32 in a 4096-byte read", Padded(Pe32(), 4096), kMachineI386, V::Runnable},
        {"PE32 on amd64", Pe32(), kMachineAmd64, V::OtherMachine},
        {"PE32+ on i386", Pe32Plus(), kMachineI386, V::OtherMachine},
        {"i386 image with PE32+ magic", Image(kMachineI386, kExecutableImage, 0x20b), kMachineI386,
         V::NotExecutable},
        {"amd64 image with PE32 magic", Image(kMachineAmd64, kExecutableImage, 0x10b), kMachineAmd64,
         V::NotExecutable},
        {"ROM magic", Image(kMachineI386, kExecutableImage, 0x107), kMachineI386, V::NotExecutable},
        {"arm64 PE32+", Image(kMachineArm64, kExecutableImage, 0x20b), kMachineArm64, V::Runnable},
        {"arm64 PE32", Image(kMachineArm64, kExecutableImage, 0x10b), kMachineArm64, V::Runnable},
        {"arm64 ROM magic", Image(kMachineArm64, kExecutableImage, 0x107), kMachineArm64, V::NotExecutable},
        {"DLL", Image(kMachineI386, kExecutableImage | kDll | k32BitMachine, 0x10b), kMachineI386,
         V::NotExecutable},
        {"object file, not an image", Image(kMachineI386, k32BitMachine, 0x10b), kMachineI386, V::NotExecutable},
        // The machine is told apart before the flags: a DLL for another machine says so.
        {"amd64 DLL on i386", Image(kMachineAmd64, kExecutableImage | kDll, 0x20b), kMachineI386,
         V::OtherMachine},
        {"signature PE\\0\\1", pe01, kMachineI386, V::NotExecutable},
        {"signature PE\\1\\0", pe10, kMachineI386, V::NotExecutable},
        {"signature NE", ne, kMachineI386, V::NotExecutable},
        {"ZM", zm, kMachineI386, V::NotExecutable},
        {"Mz", lowerZ, kMachineI386, V::NotExecutable},
        {"MZ only", Text("MZ"), kMachineI386, V::NotExecutable},
        {"DOS header only", Padded(Text("MZ"), 0x40), kMachineI386, V::NotExecutable},
        {"empty", {}, kMachineI386, V::NotExecutable},
        {"e_lfanew past the end", WithLfanew(Pe32(), 0x1000), kMachineI386, V::NotExecutable},
        {"e_lfanew at the end", WithLfanew(Pe32(), kMagicEnd), kMachineI386, V::NotExecutable},
        {"e_lfanew 0xFFFFFFFF", WithLfanew(Pe32(), 0xFFFFFFFF), kMachineI386, V::NotExecutable},
        // Plus the 24 header bytes, this wraps to 0 in 32-bit arithmetic.
        {"e_lfanew 0xFFFFFFE8", WithLfanew(Pe32(), 0xFFFFFFE8), kMachineI386, V::NotExecutable},
        {"e_lfanew 0", WithLfanew(Pe32(), 0), kMachineI386, V::NotExecutable},
        {"short HTML page", Text("<html>"), kMachineI386, V::NotExecutable},
        {"HTML page", HtmlPage(4096), kMachineAmd64, V::NotExecutable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // An allocation of exactly this size, so that a read past it trips the address sanitizer.
        std::vector<unsigned char> bytes = c.bytes;
        EXPECT_EQ(CheckExecutableImage(bytes.data(), bytes.size(), c.machine), c.expected);
    }
}

// Every cut of a valid header short of the magic is refused; once the file
// header is whole, a machine mismatch is already told apart.
TEST(CheckExecutableImageTest, EveryTruncation) {
    const struct {
        std::vector<unsigned char> image;
        uint16_t machine, otherMachine;
    } images[] = {
        {Pe32(), kMachineI386, kMachineAmd64},
        {Pe32Plus(), kMachineAmd64, kMachineI386},
    };
    for (const auto& image : images) {
        for (size_t size = 0; size < image.image.size(); ++size) {
            SCOPED_TRACE(testing::Message() << "machine " << image.machine << ", " << size << " bytes");
            std::vector<unsigned char> cut(image.image.begin(), image.image.begin() + size);
            EXPECT_EQ(CheckExecutableImage(cut.data(), cut.size(), image.machine), ExecutableVerdict::NotExecutable);
            EXPECT_EQ(CheckExecutableImage(cut.data(), cut.size(), image.otherMachine),
                      size >= kPeOffset + 24 ? ExecutableVerdict::OtherMachine : ExecutableVerdict::NotExecutable);
        }
    }
}

TEST(CheckExecutableImageTest, NullDataIsNoBytes) {
    EXPECT_EQ(CheckExecutableImage(nullptr, 4096, kMachineI386), ExecutableVerdict::NotExecutable);
}

TEST(ExecutableVerdictTextTest, Table) {
    const struct {
        ExecutableVerdict verdict;
        const char* text;
    } cases[] = {
        {ExecutableVerdict::Runnable, "runnable"},
        {ExecutableVerdict::NotExecutable, "not an executable"},
        {ExecutableVerdict::OtherMachine, "an executable for another machine"},
        {static_cast<ExecutableVerdict>(42), "not an executable"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(ExecutableVerdictText(c.verdict), c.text);
    }
}

}  // namespace
