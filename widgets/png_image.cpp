#include "widgets/png_image.h"

#include <cstring>

Gdiplus::Image* LoadPngImage(WORD id) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
    if (!resource) return nullptr;
    const DWORD size = SizeofResource(module, resource);
    if (size == 0) return nullptr;
    HGLOBAL loaded = LoadResource(module, resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return nullptr;

    HGLOBAL memory = GlobalAlloc(GMEM_FIXED, size);
    if (!memory) return nullptr;
    // The stream frees the memory with its last reference, which the image
    // holds for as long as it may read from it.
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
        GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(memory, bytes, size);
    Gdiplus::Image* image = Gdiplus::Image::FromStream(stream);
    stream->Release();
    return image;
}
