#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

// The version server answers with a download URL, or with a short or negative
// body when there is nothing newer. Five characters or fewer can never be a
// URL; a body that starts with a negative number (after white space) is a
// refusal whatever follows it. Every other body is the URL, taken whole.
bool MeansNoUpdate(std::wstring_view response);

// A resumed download is done once what was already on disk plus what came in
// this time makes up the whole file. Negative sizes (an unknown length) never
// count as complete.
bool DownloadComplete(int64_t existingSize, int64_t received, int64_t total);

// IMAGE_FILE_MACHINE values for the machines the launcher ships for.
constexpr uint16_t kMachineI386 = 0x014c;
constexpr uint16_t kMachineAmd64 = 0x8664;

enum class ExecutableVerdict { Runnable, NotExecutable, OtherMachine };

// Looks at the first bytes of a downloaded file (up to 4096; fewer, or none,
// is fine) before it is started, so that an error page or a truncated file is
// never run. Runnable means a PE executable image, not a DLL, whose machine is
// `machine` and whose optional header is the one that machine uses
// (PE32 for i386, PE32+ for amd64, either for any other machine). A machine
// mismatch gives OtherMachine; anything else that falls short, including a
// header that runs past `size`, gives NotExecutable. A null `data` is treated
// as no bytes.
ExecutableVerdict CheckExecutableImage(const unsigned char* data, size_t size, uint16_t machine);

// A short English reason for the update log. A value outside the enum reads as
// "not an executable", as the caller refuses everything but Runnable.
const char* ExecutableVerdictText(ExecutableVerdict verdict);
