#include "widgets/png_resource.h"

bool FindPngResource(UINT id, const void*& bytes, DWORD& size) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
    if (!resource) return false;
    size = SizeofResource(module, resource);
    if (size == 0) return false;
    HGLOBAL loaded = LoadResource(module, resource);
    bytes = loaded ? LockResource(loaded) : nullptr;
    return bytes != nullptr;
}
