// The main window's design in twips, turned into pixels at the usual
// screen resolutions.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "ui/Form1Layout.h"

namespace wof {
namespace {

TEST(TwipsToPixels, IsFifteenTwipsAPixelAt96Dpi) {
    EXPECT_EQ(TwipsToPixels(0, 96), 0);
    EXPECT_EQ(TwipsToPixels(15, 96), 1);
    EXPECT_EQ(TwipsToPixels(1440, 96), 96);
    EXPECT_EQ(TwipsToPixels(6510, 96), 434);
}

TEST(TwipsToPixels, IsTwelveTwipsAPixelAt120Dpi) {
    EXPECT_EQ(TwipsToPixels(12, 120), 1);
    EXPECT_EQ(TwipsToPixels(1440, 120), 120);
    EXPECT_EQ(TwipsToPixels(240, 120), 20);
}

TEST(TwipsToPixels, RoundsToTheNearestPixelWithHalvesUp) {
    EXPECT_EQ(TwipsToPixels(7, 96), 0);    // 0.47
    EXPECT_EQ(TwipsToPixels(8, 96), 1);    // 0.53
    EXPECT_EQ(TwipsToPixels(6, 120), 1);   // 0.5
    EXPECT_EQ(TwipsToPixels(1455, 120), 121);  // 121.25
    EXPECT_EQ(TwipsToPixels(6510, 120), 543);  // 542.5
}

TEST(TwipsToPixels, RoundsNegativeHalvesAwayFromZeroAsMulDivDoes) {
    EXPECT_EQ(TwipsToPixels(-6, 120), -1);
    EXPECT_EQ(TwipsToPixels(-5, 120), 0);
}

TEST(TwipsToPixels, DoesNotOverflowForLargeValues) {
    EXPECT_EQ(TwipsToPixels(2000000000, 144), 200000000);
}

TEST(TwipsToPixels, UsesTheHorizontalDpiAcrossAndTheVerticalDownwards) {
    const PixelRect rect = TwipsToPixels(TwipsRect{1440, 1440, 2880, 720}, Dpi{96, 120});
    EXPECT_EQ(rect, (PixelRect{96, 120, 192, 60}));
}

TEST(FontHeightForPointSize, IsTheNegatedCharacterHeightInPixels) {
    EXPECT_EQ(FontHeightForPointSize(825, 96), -11);
    EXPECT_EQ(FontHeightForPointSize(1425, 96), -19);
    EXPECT_EQ(FontHeightForPointSize(825, 120), -14);   // 13.75
    EXPECT_EQ(FontHeightForPointSize(1425, 120), -24);  // 23.75
    EXPECT_EQ(FontHeightForPointSize(800, 72), -8);
}

constexpr const PixelRect Form1Layout::*kControls[] = {&Form1Layout::label1, &Form1Layout::label2,
                                                       &Form1Layout::command2, &Form1Layout::command1,
                                                       &Form1Layout::label3};

void ExpectLayout(const Form1Layout& layout, const Form1Layout& expected) {
    EXPECT_EQ(layout.client, expected.client);
    for (const PixelRect Form1Layout::*rect : kControls) EXPECT_EQ(layout.*rect, expected.*rect);
    EXPECT_EQ(layout.windowFontHeight, expected.windowFontHeight);
    EXPECT_EQ(layout.headingFontHeight, expected.headingFontHeight);
}

TEST(LayoutForm1, At96Dpi) {
    ExpectLayout(LayoutForm1(Dpi{96, 96}), {{434, 197},
                                            {16, 16, 401, 41},
                                            {16, 56, 385, 57},
                                            {200, 128, 97, 25},
                                            {304, 128, 97, 25},
                                            {16, 176, 193, 17},
                                            -11,
                                            -19});
}

// Large fonts must not change the window's proportions: every length is
// a quarter larger than at 96 DPI, give or take the rounding of one pixel.
TEST(LayoutForm1, At120DpiIsTheSameWindowAQuarterLarger) {
    const Form1Layout large = LayoutForm1(Dpi{120, 120});
    ExpectLayout(large, {{543, 246},
                         {20, 20, 501, 51},
                         {20, 70, 481, 71},
                         {250, 160, 121, 31},
                         {380, 160, 121, 31},
                         {20, 220, 241, 21},
                         -14,
                         -24});
    const Form1Layout small = LayoutForm1(Dpi{96, 96});
    std::vector<std::pair<int, int>> lengths = {{small.client.width, large.client.width},
                                                {small.client.height, large.client.height}};
    for (const PixelRect Form1Layout::*rect : kControls) {
        for (int PixelRect::*length : {&PixelRect::left, &PixelRect::top, &PixelRect::width, &PixelRect::height})
            lengths.push_back({small.*rect.*length, large.*rect.*length});
    }
    for (const auto& [smallPixels, largePixels] : lengths)
        EXPECT_NEAR(largePixels, smallPixels * 1.25, 1.0) << smallPixels << " at 96 DPI";
}

TEST(LayoutForm1, ControlsStayInsideTheClientAreaAtCommonResolutions) {
    for (const int dpi : {72, 96, 120, 144, 192}) {
        const Form1Layout layout = LayoutForm1(Dpi{dpi, dpi});
        for (const PixelRect Form1Layout::*rect : kControls) {
            const PixelRect& control = layout.*rect;
            EXPECT_GE(control.left, 0) << dpi;
            EXPECT_GE(control.top, 0) << dpi;
            EXPECT_LE(control.left + control.width, layout.client.width) << dpi;
            EXPECT_LE(control.top + control.height, layout.client.height) << dpi;
        }
    }
}

// Label2 is drawn over the lowest 15 twips of Label1; the overlap must
// survive the rounding, neither vanishing nor growing into a gap.
TEST(LayoutForm1, Label2OverlapsTheBottomOfLabel1) {
    for (const int dpi : {96, 120, 144}) {
        const Form1Layout layout = LayoutForm1(Dpi{dpi, dpi});
        const int label1Bottom = layout.label1.top + layout.label1.height;
        EXPECT_GT(label1Bottom, layout.label2.top) << dpi;
        EXPECT_LE(label1Bottom - layout.label2.top, TwipsToPixels(15, dpi) + 1) << dpi;
    }
}

TEST(LayoutForm1, ButtonsAreTheSameSizeOnOneRowWithCommand1OnTheRight) {
    for (const int dpi : {96, 120, 144}) {
        const Form1Layout layout = LayoutForm1(Dpi{dpi, dpi});
        EXPECT_EQ(layout.command1.top, layout.command2.top) << dpi;
        EXPECT_EQ(layout.command1.width, layout.command2.width) << dpi;
        EXPECT_EQ(layout.command1.height, layout.command2.height) << dpi;
        EXPECT_GT(layout.command1.left, layout.command2.left + layout.command2.width) << dpi;
    }
}

}  // namespace
}  // namespace wof
