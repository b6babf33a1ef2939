// What the install test reads from inside the prefix, where the shell and the
// registry live:
//   install_probe dump PUBLISHER   one JSON object on stdout, UTF-8: the shell
//                                  folders, every .lnk on the desktop and below
//                                  <programs>\PUBLISHER as IShellLinkW reads it
//                                  back, and the values of the uninstall entry
//                                  and of the profile copy (null when absent)
//   install_probe forget           deletes that entry and the application's
//                                  whole profile key
// File names and registry texts are Chinese: they never go through the
// command line or `wine reg`, which show them as "??".
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const wchar_t kEntryKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TolvikMorvane";
const wchar_t kAppProfileKey[] = L"Software\\应用程序向导生成的本地应用程序\\Morvane";
const wchar_t kProfileSection[] = L"TolvikMorvane";

// {00021401-0000-0000-C000-000000000046}: the shell's link object. Spelled out
// so the probe needs no GUID library.
const CLSID kShellLink = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

// NULs and control characters are escaped, so a stored terminator shows.
std::string Json(const std::wstring& text) {
    std::string out = "\"";
    for (const char c : Utf8(text)) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return std::wstring();
    return path;
}

std::string ReadLink(const std::wstring& path) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(kShellLink, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IShellLinkW),
                                reinterpret_cast<void**>(&link)))) {
        return "{\"file\": " + Json(path) + ", \"error\": \"no link object\"}";
    }
    IPersistFile* file = nullptr;
    std::string out = "{\"file\": " + Json(path);
    if (FAILED(link->QueryInterface(__uuidof(IPersistFile), reinterpret_cast<void**>(&file)))) {
        out += ", \"error\": \"no IPersistFile\"}";
    } else if (FAILED(file->Load(path.c_str(), STGM_READ))) {
        out += ", \"error\": \"Load failed\"}";
    } else {
        wchar_t text[1024];
        int index = -1;
        int show = -1;
        // The stored path as it is, not resolved against the file system.
        text[0] = 0;
        link->GetPath(text, 1024, nullptr, SLGP_RAWPATH);
        out += ", \"target\": " + Json(text);
        text[0] = 0;
        link->GetArguments(text, 1024);
        out += ", \"arguments\": " + Json(text);
        text[0] = 0;
        link->GetIconLocation(text, 1024, &index);
        out += ", \"icon\": " + Json(text) + ", \"icon_index\": " + std::to_string(index);
        // This Wine answers 1 here whatever the file holds; the test reads the header.
        link->GetShowCmd(&show);
        out += ", \"show\": " + std::to_string(show);
        text[0] = 0;
        link->GetDescription(text, 1024);
        out += ", \"description\": " + Json(text);
        text[0] = 0;
        link->GetWorkingDirectory(text, 1024);
        out += ", \"working_directory\": " + Json(text) + "}";
    }
    if (file) file->Release();
    link->Release();
    return out;
}

void CollectLinks(const std::wstring& folder, bool recurse, std::vector<std::string>& links) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (recurse) CollectLinks(path, true, links);
        } else if (name.size() > 4 && lstrcmpiW(name.c_str() + name.size() - 4, L".lnk") == 0) {
            links.push_back(ReadLink(path));
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// Every value with its type and stored size, the data as UTF-16 text with
// whatever terminator was stored.
std::string ReadKey(HKEY root, const std::wstring& path, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return "null";
    std::string out = "{";
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        BYTE data[4096];
        DWORD size = sizeof(data);
        DWORD type = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        const std::wstring text(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
        if (i) out += ", ";
        out += Json(name) + ": {\"type\": " + std::to_string(type) + ", \"size\": " + std::to_string(size) +
               ", \"data\": " + Json(text) + "}";
    }
    RegCloseKey(key);
    return out + "}";
}

int Dump(const std::wstring& publisher) {
    const std::wstring desktop = ShellFolder(CSIDL_DESKTOP);
    const std::wstring programs = ShellFolder(CSIDL_PROGRAMS);
    std::vector<std::string> links;
    CollectLinks(desktop, false, links);
    CollectLinks(programs + L"\\" + publisher, true, links);
    std::string out = "{\"appdata\": " + Json(ShellFolder(CSIDL_APPDATA)) + ", \"desktop\": " + Json(desktop) +
                      ", \"programs\": " + Json(programs) + ", \"links\": [";
    for (size_t i = 0; i < links.size(); ++i) out += (i ? ", " : "") + links[i];
    out += "], \"entry\": " + ReadKey(HKEY_LOCAL_MACHINE, kEntryKey, KEY_WOW64_64KEY);
    out += ", \"profile\": " +
           ReadKey(HKEY_CURRENT_USER, std::wstring(kAppProfileKey) + L"\\" + kProfileSection, 0) + "}\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

int Forget() {
    const LSTATUS entry = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kEntryKey, KEY_WOW64_64KEY, 0);
    const LSTATUS profile = RegDeleteTreeW(HKEY_CURRENT_USER, kAppProfileKey);
    const bool ok = (entry == ERROR_SUCCESS || entry == ERROR_FILE_NOT_FOUND) &&
                    (profile == ERROR_SUCCESS || profile == ERROR_FILE_NOT_FOUND);
    if (!ok) std::printf("delete failed: entry %ld, profile %ld\n", entry, profile);
    return ok ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
    int result = 2;
    if (argc == 3 && lstrcmpW(argv[1], L"dump") == 0) {
        result = Dump(argv[2]);
    } else if (argc == 2 && lstrcmpW(argv[1], L"forget") == 0) {
        result = Forget();
    } else {
        std::fprintf(stderr, "usage: install_probe dump PUBLISHER | forget\n");
    }
    std::fflush(stdout);
    CoUninitialize();
    return result;
}
