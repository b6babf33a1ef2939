#include "app/file_utils.h"

#include <cwchar>
#include <vector>

std::wstring GetFileVersionString(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return std::wstring();

    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return L"None VerSion Supprot";

    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return std::wstring();

    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translations = nullptr;
    UINT translationBytes = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                        &translationBytes) ||
        translationBytes < sizeof(Translation)) {
        return std::wstring();
    }

    std::wstring result;
    for (UINT i = 0; i < translationBytes / sizeof(Translation); ++i) {
        wchar_t query[64];
        swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\FileVersion", translations[i].language,
                 translations[i].codePage);
        wchar_t* text = nullptr;
        UINT length = 0;
        if (VerQueryValueW(block.data(), query, reinterpret_cast<void**>(&text), &length) && text) result += text;
    }
    return result;
}
