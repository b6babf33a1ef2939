// Not a test: downloads one URL with the launcher's own download code and
// prints the seconds it took, then those of the MD5 that the update log
// records afterwards, for tools/bench-download.sh.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/file_utils.h"
#include "update/client_updater.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fwprintf(stderr, L"usage: download_bench <url>\n");
        return 2;
    }
    CClientUpdater updater(L"\\download_bench.tmp", L"\\kavro_2\\kavro_2\\");
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const bool complete = updater.DownloadToTemp(argv[1]);
    QueryPerformanceCounter(&end);
    // The digest that the update log records next, timed on its own.
    LARGE_INTEGER hashed;
    std::wstring md5;
    GetFileMd5(updater.m_tempExePath, md5);
    QueryPerformanceCounter(&hashed);
    DeleteFileW(updater.m_tempExePath.c_str());
    if (!complete) {
        fwprintf(stderr, L"download incomplete\n");
        return 1;
    }
    const double ticks = static_cast<double>(frequency.QuadPart);
    printf("%.4f %.4f\n", static_cast<double>(end.QuadPart - start.QuadPart) / ticks,
           static_cast<double>(hashed.QuadPart - end.QuadPart) / ticks);
    return 0;
}
