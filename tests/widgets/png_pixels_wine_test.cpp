// The launcher's own PNG reader against the imaging library, on every PNG
// resource of the executable.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "fixtures/ui_test_ids.h"
#include "widgets/png_image.h"
#include "widgets/png_pixels.h"
#include "widgets/png_resource.h"

namespace {

std::vector<WORD> PngResourceIds() {
    std::vector<WORD> ids;
    EnumResourceNamesW(
        GetModuleHandleW(nullptr), L"PNG",
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) -> BOOL {
            const WORD id = IS_INTRESOURCE(name) ? LOWORD(name) : 0;
            // The test program's own broken "PNG" fixtures are not art.
            if (id && id != IDB_TEST_EMPTY && id != IDB_TEST_NOT_PNG) {
                reinterpret_cast<std::vector<WORD>*>(param)->push_back(id);
            }
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&ids));
    return ids;
}

TEST(PngPixelsTest, SameAsTheImagingLibraryForEveryResource) {
    const std::vector<WORD> ids = PngResourceIds();
    ASSERT_GT(ids.size(), 40u) << "the login, frame, box and overlay art";
    for (WORD id : ids) {
        SCOPED_TRACE(testing::Message() << "PNG " << id);
        const void* bytes = nullptr;
        DWORD size = 0;
        ASSERT_TRUE(FindPngResource(id, bytes, size));
        PremultipliedPixels direct;
        ASSERT_TRUE(DecodePngPremultiplied(static_cast<const uint8_t*>(bytes), size, direct));

        std::unique_ptr<Gdiplus::Bitmap> image(static_cast<Gdiplus::Bitmap*>(LoadPngImage(id)));
        ASSERT_TRUE(image);
        ASSERT_EQ(direct.width, image->GetWidth());
        ASSERT_EQ(direct.height, image->GetHeight());
        std::vector<uint8_t> library(direct.bgra.size());
        Gdiplus::BitmapData data = {};
        data.Width = direct.width;
        data.Height = direct.height;
        data.Stride = static_cast<INT>(direct.width * 4);
        data.PixelFormat = PixelFormat32bppPARGB;
        data.Scan0 = library.data();
        Gdiplus::Rect all(0, 0, static_cast<INT>(direct.width), static_cast<INT>(direct.height));
        ASSERT_EQ(image->LockBits(&all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                  PixelFormat32bppPARGB, &data),
                  Gdiplus::Ok);
        image->UnlockBits(&data);
        size_t differing = 0;
        for (size_t i = 0; i < library.size(); ++i) differing += library[i] != direct.bgra[i] ? 1 : 0;
        EXPECT_EQ(differing, 0u) << "of " << library.size() << " bytes";
    }
}

}  // namespace
