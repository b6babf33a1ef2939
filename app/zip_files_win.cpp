// The ZIP reader's output as real files.
#include <windows.h>

#include "app/zip_archive.h"

namespace {

FILETIME ToFileTime(uint64_t t) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(t);
    ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
    return ft;
}

}  // namespace

ZipFilesWin::~ZipFilesWin() { CloseOutput(); }

std::wstring ZipFilesWin::CurrentFolder() {
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    if (n == 0) return std::wstring();
    std::wstring folder(n, L'\0');
    folder.resize(GetCurrentDirectoryW(n, &folder[0]));
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return folder;
}

bool ZipFilesWin::MakeFolder(const std::wstring& path) {
    if (CreateDirectoryW(path.c_str(), nullptr)) return true;
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ZipFilesWin::CreateOutput(const std::wstring& path, uint32_t attributes) {
    CloseOutput();
    // Attributes come last (CloseOutput): a read-only file is still written whole.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
        // A read-only, hidden or system file (a previous extraction's) is replaced too.
        DWORD old = GetFileAttributesW(path.c_str());
        if (old != INVALID_FILE_ATTRIBUTES && !(old & FILE_ATTRIBUTE_DIRECTORY) &&
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL))
            file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) return false;
    m_file = file;
    m_path = path;
    m_attributes = attributes;
    return true;
}

bool ZipFilesWin::WriteOutput(const uint8_t* data, size_t size) {
    if (!m_file) return false;
    while (size > 0) {
        DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(static_cast<HANDLE>(m_file), data, chunk, &written, nullptr) || written != chunk) return false;
        data += chunk;
        size -= chunk;
    }
    return true;
}

void ZipFilesWin::SetOutputTimes(uint64_t creation, uint64_t access, uint64_t modification) {
    if (!m_file) return;
    FILETIME c = ToFileTime(creation), a = ToFileTime(access), m = ToFileTime(modification);
    SetFileTime(static_cast<HANDLE>(m_file), &c, &a, &m);
}

void ZipFilesWin::CloseOutput() {
    if (!m_file) return;
    CloseHandle(static_cast<HANDLE>(m_file));
    m_file = nullptr;
    DWORD attributes = m_attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                       FILE_ATTRIBUTE_ARCHIVE);
    if (attributes != 0) SetFileAttributesW(m_path.c_str(), attributes);
}
