#include "widgets/arial_font.h"

std::unique_ptr<Gdiplus::Font> MakeArialFont(HDC dc, Gdiplus::REAL pixelSize, INT style) {
    std::unique_ptr<Gdiplus::Font> font;
    Gdiplus::FontFamily arial(L"arial");
    if (arial.GetLastStatus() == Gdiplus::Ok) {
        font = std::make_unique<Gdiplus::Font>(&arial, pixelSize, style, Gdiplus::UnitPixel);
    } else if (const Gdiplus::FontFamily* generic = Gdiplus::FontFamily::GenericSansSerif()) {
        font = std::make_unique<Gdiplus::Font>(generic, pixelSize, style, Gdiplus::UnitPixel);
    } else {
        font = std::make_unique<Gdiplus::Font>(dc, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    }
    if (font->GetLastStatus() != Gdiplus::Ok) font.reset();
    return font;
}
