// Where the main window's controls go and how big its fonts are, for a
// given screen resolution. The window is designed in twips (1440 to the
// inch) so that it keeps its proportions when the user picks large fonts;
// this is the arithmetic that turns the design into pixels. No Windows
// headers here, so the numbers can be checked on any machine.
#pragma once

namespace wof {

constexpr int kTwipsPerInch = 1440;

// Pixels per logical inch, horizontally and vertically.
struct Dpi {
    int x;
    int y;
};

struct TwipsRect {
    int left;
    int top;
    int width;
    int height;
};

struct PixelRect {
    int left;
    int top;
    int width;
    int height;

    bool operator==(const PixelRect& other) const {
        return left == other.left && top == other.top && width == other.width && height == other.height;
    }
};

struct PixelSize {
    int width;
    int height;

    bool operator==(const PixelSize& other) const { return width == other.width && height == other.height; }
};

// Rounds to the nearest pixel, halves away from zero, as MulDiv does.
int TwipsToPixels(int twips, int dpi);

// Each of left, top, width and height is converted on its own, so every
// control of a given size gets the same pixel size wherever it sits.
PixelRect TwipsToPixels(const TwipsRect& rect, Dpi dpi);

// A LOGFONT height for a size in hundredths of a point: negative, so that
// it asks for the character height rather than the cell height.
int FontHeightForPointSize(int hundredthsOfPoint, int dpi);

namespace form1 {

// The design, in twips. The window font is 8.25 pt, the heading 14.25 pt.
constexpr TwipsRect kClient{0, 0, 6510, 2955};
constexpr TwipsRect kLabel1{240, 240, 6015, 615};
constexpr TwipsRect kLabel2{240, 840, 5775, 855};
constexpr TwipsRect kCommand2{3000, 1920, 1455, 375};
constexpr TwipsRect kCommand1{4560, 1920, 1455, 375};
constexpr TwipsRect kLabel3{240, 2640, 2895, 255};
constexpr int kWindowFontSize = 825;
constexpr int kHeadingFontSize = 1425;

}  // namespace form1

struct Form1Layout {
    PixelSize client;
    PixelRect label1;
    PixelRect label2;
    PixelRect command2;
    PixelRect command1;
    PixelRect label3;
    int windowFontHeight;   // also Label2's, which is the same size in bold
    int headingFontHeight;  // Label1
};

Form1Layout LayoutForm1(Dpi dpi);

}  // namespace wof
