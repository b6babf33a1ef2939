#include "app/file_utils.h"

#include <wincrypt.h>

#include <memory>
#include <new>

#include "framework/handles.h"

namespace {

class CryptContext {
public:
    ~CryptContext() {
        if (m_hash) CryptDestroyHash(m_hash);
        if (m_provider) CryptReleaseContext(m_provider, 0);
    }
    bool Open() {
        return CryptAcquireContextW(&m_provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
               CryptCreateHash(m_provider, CALG_MD5, 0, 0, &m_hash);
    }
    HCRYPTHASH Hash() const { return m_hash; }

private:
    HCRYPTPROV m_provider = 0;
    HCRYPTHASH m_hash = 0;
};

}  // namespace

bool GetFileMd5(const std::wstring& path, std::wstring& out) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return false;

    CryptContext crypt;
    if (!crypt.Open()) return false;

    // One read of the whole file: it is the executable, a few megabytes.
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > MAXDWORD) return false;
    const DWORD length = static_cast<DWORD>(size.QuadPart);
    std::unique_ptr<BYTE[]> data(new (std::nothrow) BYTE[length ? length : 1]);
    if (!data) return false;
    DWORD read = 0;
    // A short read would hash part of the file and pass it off as the whole.
    if (!ReadFile(file.Get(), data.get(), length, &read, nullptr) || read != length) return false;
    if (!CryptHashData(crypt.Hash(), data.get(), read, 0)) return false;
    file.Reset();

    DWORD digestLength = 0;
    if (!CryptGetHashParam(crypt.Hash(), HP_HASHVAL, nullptr, &digestLength, 0)) return false;
    BYTE digest[64];
    if (digestLength > sizeof(digest) || !CryptGetHashParam(crypt.Hash(), HP_HASHVAL, digest, &digestLength, 0)) {
        return false;
    }

    static const wchar_t kHex[] = L"0123456789abcdef";
    for (DWORD i = 0; i < digestLength; ++i) {
        out += kHex[digest[i] >> 4];
        out += kHex[digest[i] & 0x0F];
    }
    return true;
}
