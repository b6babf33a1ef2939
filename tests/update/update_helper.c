/* What the update test cannot do through `wine` alone:
 *   start APP CMDLINE              start APP with exactly CMDLINE (wine would quote its own
 *                                  arguments) and exit with APP's exit code
 *   lock PATH MS APP CMDLINE       hold PATH open without sharing, start APP, print "released"
 *                                  MS later, then wait for APP like start
 *   list                           the executable names of all processes, one per line
 * Failures print the Windows error code and exit 255. */
#include <windows.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

static int fail(const char* what) {
    printf("%s failed: %lu\n", what, GetLastError());
    fflush(stdout);
    return 255;
}

static HANDLE start(const wchar_t* app, const wchar_t* commandLine) {
    STARTUPINFOW si;
    PROCESS_INFORMATION pi;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    /* CreateProcessW may write into the command line, so it gets a copy. */
    wchar_t* line = _wcsdup(commandLine);
    BOOL ok = line && CreateProcessW(app, line, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi);
    free(line);
    if (!ok) return NULL;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

static int wait_for(HANDLE process) {
    DWORD code = 255;
    WaitForSingleObject(process, INFINITE);
    GetExitCodeProcess(process, &code);
    return (int)code;
}

static int list(void) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry;
    ZeroMemory(&entry, sizeof(entry));
    entry.dwSize = sizeof(entry);
    if (snapshot == INVALID_HANDLE_VALUE) return fail("CreateToolhelp32Snapshot");
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        printf("%ls\n", entry.szExeFile);
    }
    CloseHandle(snapshot);
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && !wcscmp(argv[1], L"list")) return list();
    if (argc == 4 && !wcscmp(argv[1], L"start")) {
        HANDLE child = start(argv[2], argv[3]);
        return child ? wait_for(child) : fail("CreateProcessW");
    }
    if (argc == 6 && !wcscmp(argv[1], L"lock")) {
        HANDLE file = CreateFileW(argv[2], GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
        if (file == INVALID_HANDLE_VALUE) return fail("CreateFileW");
        HANDLE child = start(argv[4], argv[5]);
        if (!child) return fail("CreateProcessW");
        Sleep((DWORD)wcstoul(argv[3], NULL, 10));
        CloseHandle(file);
        printf("released\n");
        fflush(stdout);
        return wait_for(child);
    }
    fprintf(stderr, "usage: update_helper list | start APP CMDLINE | lock PATH MS APP CMDLINE\n");
    return 2;
}
