#include "update/executable_trust.h"

#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <vector>

#include "framework/handles.h"
#include "update/update_rules.h"

namespace {

const DWORD kHeaderBytes = 4096;

WORD RunningMachine() {
    const auto* base = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->FileHeader.Machine;
}

std::wstring Widen(const char* text) {
    std::wstring wide;
    for (; *text; ++text) wide.push_back(static_cast<wchar_t>(*text));
    return wide;
}

// The signer's display name of the file's embedded signature; false when it has none.
bool SignerName(const std::wstring& path, std::wstring& name) {
    HCERTSTORE store = nullptr;
    HCRYPTMSG message = nullptr;
    if (!CryptQueryObject(CERT_QUERY_OBJECT_FILE, path.c_str(), CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
                          CERT_QUERY_FORMAT_FLAG_BINARY, 0, nullptr, nullptr, nullptr, &store, &message, nullptr)) {
        return false;
    }
    bool found = false;
    DWORD size = 0;
    if (CryptMsgGetParam(message, CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size) && size > 0) {
        std::vector<BYTE> buffer(size);
        if (CryptMsgGetParam(message, CMSG_SIGNER_INFO_PARAM, 0, buffer.data(), &size)) {
            const auto* signer = reinterpret_cast<const CMSG_SIGNER_INFO*>(buffer.data());
            CERT_INFO wanted = {};
            wanted.Issuer = signer->Issuer;
            wanted.SerialNumber = signer->SerialNumber;
            PCCERT_CONTEXT certificate = CertFindCertificateInStore(
                store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CERT_FIND_SUBJECT_CERT, &wanted, nullptr);
            if (certificate) {
                wchar_t text[512] = L"";
                CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, text, ARRAYSIZE(text));
                name = text;
                found = true;
                CertFreeCertificateContext(certificate);
            }
        }
    }
    CryptMsgClose(message);
    CertCloseStore(store, 0);
    return found;
}

// The platform's own verdict on the signature and the file's digest (and, on
// Windows, the chain up to a trusted root).
LONG VerifySignature(const std::wstring& path) {
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG result = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return result;
}

}  // namespace

bool MayStartUpdate(const std::wstring& path, std::wstring& reason) {
    std::vector<unsigned char> header(kHeaderBytes);
    DWORD read = 0;
    {
        UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid() || !ReadFile(file.Get(), header.data(), kHeaderBytes, &read, nullptr)) read = 0;
    }
    const ExecutableVerdict verdict = CheckExecutableImage(header.data(), read, RunningMachine());
    if (verdict != ExecutableVerdict::Runnable) {
        reason = Widen(ExecutableVerdictText(verdict));
        return false;
    }
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring ownSigner;
    if (!SignerName(self, ownSigner)) return true;
    std::wstring signer;
    if (!SignerName(path, signer)) {
        reason = L"the download is not signed";
        return false;
    }
    if (VerifySignature(path) != ERROR_SUCCESS) {
        reason = L"the download's signature is not valid";
        return false;
    }
    if (signer != ownSigner) {
        reason = L"the download is signed by another subject";
        return false;
    }
    return true;
}
