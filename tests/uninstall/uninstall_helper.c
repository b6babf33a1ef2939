/* What the uninstall test cannot do from the Linux side:
 *   answer ok|cancel|close LNK       start the shortcut's target with its arguments, as the shell
 *                                    would ("\"target\" args"), then as below
 *   answer ok|cancel|close APP CMD   start APP with exactly CMD inside a job, click the button of
 *                                    the box that its process shows, and wait until it and every
 *                                    process it started have ended. Prints "box", "confirmation
 *                                    exit N" and "processes N" (how many ran in the job)
 *   lock PATH MS APP CMD             hold PATH open without sharing, start APP with exactly CMD,
 *                                    release PATH MS later; prints "released MS" and "ended MS"
 *                                    (since the start) and exits with APP's exit code
 *   link LNK TARGET ARGS ICON|-      write a shortcut: empty description, no working folder,
 *                                    icon index 0, normal show command
 *   regset HKLM|HKCU KEY NAME VALUE  a REG_SZ value (HKLM in the 64-bit view)
 *   regdump HKLM|HKCU KEY            the key's values as NAME=VALUE lines in UTF-8, or "missing"
 * Failures print the Windows error code and exit 255. */
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

static int fail(const char* what, DWORD error) {
    printf("%s failed: %lu\n", what, error);
    fflush(stdout);
    return 255;
}

static void print_utf8(const wchar_t* text) {
    char buffer[4096];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof(buffer), NULL, NULL);
    if (n > 0) fputs(buffer, stdout);
}

static HANDLE start(const wchar_t* app, const wchar_t* commandLine, DWORD flags, HANDLE* thread) {
    STARTUPINFOW si;
    PROCESS_INFORMATION pi;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    /* CreateProcessW may write into the command line, so it gets a copy. */
    wchar_t* line = _wcsdup(commandLine);
    BOOL ok = line && CreateProcessW(app, line, NULL, NULL, FALSE, flags, NULL, NULL, &si, &pi);
    free(line);
    if (!ok) return NULL;
    if (thread) *thread = pi.hThread;
    else CloseHandle(pi.hThread);
    return pi.hProcess;
}

struct search {
    DWORD process;
    HWND found;
};

static BOOL CALLBACK find_box(HWND hwnd, LPARAM param) {
    struct search* s = (struct search*)param;
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != s->process || !IsWindowVisible(hwnd)) return TRUE;
    if (!GetDlgItem(hwnd, IDOK) || !GetDlgItem(hwnd, IDCANCEL) || !GetDlgItem(hwnd, 1001)) return TRUE;
    s->found = hwnd;
    return FALSE;
}

static int answer(const wchar_t* choice, const wchar_t* app, const wchar_t* commandLine) {
    int button = !wcscmp(choice, L"ok") ? IDOK : !wcscmp(choice, L"cancel") ? IDCANCEL : 1001;
    HANDLE job = CreateJobObjectW(NULL, NULL);
    if (!job) return fail("CreateJobObjectW", GetLastError());
    HANDLE thread = NULL;
    HANDLE process = start(app, commandLine, CREATE_SUSPENDED, &thread);
    if (!process) return fail("CreateProcessW", GetLastError());
    if (!AssignProcessToJobObject(job, process)) return fail("AssignProcessToJobObject", GetLastError());
    ResumeThread(thread);
    CloseHandle(thread);

    struct search s = {GetProcessId(process), NULL};
    for (int i = 0; i < 300 && !s.found; ++i) {
        EnumWindows(find_box, (LPARAM)&s);
        if (!s.found) Sleep(50);
    }
    if (!s.found) {
        TerminateJobObject(job, 99);
        printf("no box\n");
        return 1;
    }
    printf("box\n");
    fflush(stdout);
    PostMessageW(GetDlgItem(s.found, button), BM_CLICK, 0, 0);

    DWORD code = 255;
    if (WaitForSingleObject(process, 20000) != WAIT_OBJECT_0) {
        TerminateJobObject(job, 99);
        printf("confirmation still runs\n");
        return 1;
    }
    GetExitCodeProcess(process, &code);
    printf("confirmation exit %lu\n", code);
    fflush(stdout);

    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info;
    for (int i = 0; i < 600; ++i) {
        ZeroMemory(&info, sizeof(info));
        if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof(info), NULL)) {
            return fail("QueryInformationJobObject", GetLastError());
        }
        if (info.ActiveProcesses == 0) {
            printf("processes %lu\n", info.TotalProcesses);
            return 0;
        }
        Sleep(50);
    }
    TerminateJobObject(job, 99);
    printf("removal still runs\n");
    return 1;
}

static int answer_link(const wchar_t* choice, const wchar_t* lnk) {
    IShellLinkW* link = NULL;
    IPersistFile* file = NULL;
    wchar_t target[MAX_PATH] = L"", args[1024] = L"", line[2048];
    if (FAILED(CoCreateInstance(&CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, &IID_IShellLinkW, (void**)&link)))
        return fail("CoCreateInstance", 0);
    if (FAILED(link->lpVtbl->QueryInterface(link, &IID_IPersistFile, (void**)&file)) ||
        FAILED(file->lpVtbl->Load(file, lnk, STGM_READ)))
        return fail("IPersistFile::Load", 0);
    link->lpVtbl->GetPath(link, target, MAX_PATH, NULL, SLGP_RAWPATH);
    link->lpVtbl->GetArguments(link, args, 1024);
    file->lpVtbl->Release(file);
    link->lpVtbl->Release(link);
    swprintf(line, 2048, L"\"%ls\" %ls", target, args);
    return answer(choice, target, line);
}

static int lock(const wchar_t* path, DWORD ms, const wchar_t* app, const wchar_t* commandLine) {
    HANDLE file = CreateFileW(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return fail("CreateFileW", GetLastError());
    DWORD t0 = GetTickCount();
    HANDLE child = start(app, commandLine, 0, NULL);
    if (!child) return fail("CreateProcessW", GetLastError());
    BOOL ended = WaitForSingleObject(child, ms) == WAIT_OBJECT_0;
    if (ended) printf("ended %lu\n", GetTickCount() - t0);
    CloseHandle(file);
    printf("released %lu\n", GetTickCount() - t0);
    if (!ended) {
        if (WaitForSingleObject(child, 30000) != WAIT_OBJECT_0) {
            printf("still runs\n");
            return 1;
        }
        printf("ended %lu\n", GetTickCount() - t0);
    }
    DWORD code = 255;
    GetExitCodeProcess(child, &code);
    return (int)code;
}

static int link(const wchar_t* lnk, const wchar_t* target, const wchar_t* args, const wchar_t* icon) {
    IShellLinkW* link = NULL;
    IPersistFile* file = NULL;
    if (FAILED(CoCreateInstance(&CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, &IID_IShellLinkW, (void**)&link)))
        return fail("CoCreateInstance", 0);
    link->lpVtbl->SetPath(link, target);
    link->lpVtbl->SetArguments(link, args);
    link->lpVtbl->SetDescription(link, L"");
    if (wcscmp(icon, L"-")) link->lpVtbl->SetIconLocation(link, icon, 0);
    link->lpVtbl->SetShowCmd(link, SW_SHOWNORMAL);
    HRESULT hr = link->lpVtbl->QueryInterface(link, &IID_IPersistFile, (void**)&file);
    if (SUCCEEDED(hr)) hr = file->lpVtbl->Save(file, lnk, TRUE);
    if (file) file->lpVtbl->Release(file);
    link->lpVtbl->Release(link);
    return SUCCEEDED(hr) ? 0 : fail("IPersistFile::Save", (DWORD)hr);
}

static HKEY open_key(const wchar_t* hive, const wchar_t* key, BOOL create) {
    HKEY root = !wcscmp(hive, L"HKLM") ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    REGSAM access = KEY_ALL_ACCESS | (root == HKEY_LOCAL_MACHINE ? KEY_WOW64_64KEY : 0);
    HKEY result = NULL;
    LONG error = create ? RegCreateKeyExW(root, key, 0, NULL, 0, access, NULL, &result, NULL)
                        : RegOpenKeyExW(root, key, 0, access, &result);
    SetLastError((DWORD)error);
    return error == ERROR_SUCCESS ? result : NULL;
}

static int regset(const wchar_t* hive, const wchar_t* key, const wchar_t* name, const wchar_t* value) {
    HKEY k = open_key(hive, key, TRUE);
    if (!k) return fail("RegCreateKeyExW", GetLastError());
    LONG error = RegSetValueExW(k, name, 0, REG_SZ, (const BYTE*)value, (DWORD)((wcslen(value) + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
    return error == ERROR_SUCCESS ? 0 : fail("RegSetValueExW", (DWORD)error);
}

static int regdump(const wchar_t* hive, const wchar_t* key) {
    HKEY k = open_key(hive, key, FALSE);
    if (!k) {
        printf("missing\n");
        return 0;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256], data[2048];
        DWORD nameLength = 256, dataSize = sizeof(data) - sizeof(wchar_t), type = 0;
        ZeroMemory(data, sizeof(data));
        if (RegEnumValueW(k, i, name, &nameLength, NULL, &type, (BYTE*)data, &dataSize) != ERROR_SUCCESS) break;
        print_utf8(name);
        printf("=");
        print_utf8(data);
        printf(" (type %lu, %lu bytes)\n", type, dataSize);
    }
    RegCloseKey(k);
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    CoInitialize(NULL);
    if (argc == 4 && !wcscmp(argv[1], L"answer")) return answer_link(argv[2], argv[3]);
    if (argc == 5 && !wcscmp(argv[1], L"answer")) return answer(argv[2], argv[3], argv[4]);
    if (argc == 6 && !wcscmp(argv[1], L"lock")) return lock(argv[2], (DWORD)wcstoul(argv[3], NULL, 10), argv[4], argv[5]);
    if (argc == 6 && !wcscmp(argv[1], L"link")) return link(argv[2], argv[3], argv[4], argv[5]);
    if (argc == 6 && !wcscmp(argv[1], L"regset")) return regset(argv[2], argv[3], argv[4], argv[5]);
    if (argc == 4 && !wcscmp(argv[1], L"regdump")) return regdump(argv[2], argv[3]);
    fprintf(stderr, "usage: see the head of uninstall_helper.c\n");
    return 2;
}
