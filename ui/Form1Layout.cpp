#include "ui/Form1Layout.h"

namespace wof {

namespace {

// a * b / c rounded to nearest, halves away from zero; the product is
// taken in 64 bits so that no design value can overflow it.
int ScaleRounded(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

int TwipsToPixels(int twips, int dpi) { return ScaleRounded(twips, dpi, kTwipsPerInch); }

PixelRect TwipsToPixels(const TwipsRect& rect, Dpi dpi) {
    return {TwipsToPixels(rect.left, dpi.x), TwipsToPixels(rect.top, dpi.y), TwipsToPixels(rect.width, dpi.x),
            TwipsToPixels(rect.height, dpi.y)};
}

int FontHeightForPointSize(int hundredthsOfPoint, int dpi) {
    // 72 points to the inch, and the size is in hundredths.
    return -ScaleRounded(hundredthsOfPoint, dpi, 72 * 100);
}

Form1Layout LayoutForm1(Dpi dpi) {
    const PixelRect client = TwipsToPixels(form1::kClient, dpi);
    return {{client.width, client.height},
            TwipsToPixels(form1::kLabel1, dpi),
            TwipsToPixels(form1::kLabel2, dpi),
            TwipsToPixels(form1::kCommand2, dpi),
            TwipsToPixels(form1::kCommand1, dpi),
            TwipsToPixels(form1::kLabel3, dpi),
            FontHeightForPointSize(form1::kWindowFontSize, dpi.y),
            FontHeightForPointSize(form1::kHeadingFontSize, dpi.y)};
}

}  // namespace wof
