#include "widgets/png_image.h"

#include <cstring>

#include "widgets/png_resource.h"

Gdiplus::Image* LoadPngImage(WORD id) {
    const void* bytes = nullptr;
    DWORD size = 0;
    if (!FindPngResource(id, bytes, size)) return nullptr;

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
