// The skin's colour arithmetic on worked values.
#include "skin/HlsTransform.h"
#include "skin/SkinColours.h"

#include <gtest/gtest.h>

#include <ostream>

namespace skin {
std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "RGB(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ")";
}
} // namespace skin

using skin::Rgb;

namespace {

struct Worked {
    Rgb in;
    int lightness;
    int saturation;
    Rgb out;
};

TEST(HlsTransform, WorkedValues)
{
    const Worked cases[] = {
        // Pure colours lose one step to the truncations on the way round.
        {{255, 0, 0}, 0, 0, {254, 0, 0}},
        {{0, 255, 0}, 0, 0, {0, 254, 0}},
        {{0, 0, 255}, 0, 0, {0, 0, 254}},
        // Greys come back exactly and move by their lightness percent.
        {{192, 192, 192}, 0, 0, {192, 192, 192}},
        {{128, 128, 128}, 20, 0, {153, 153, 153}},
        {{128, 128, 128}, -20, 0, {102, 102, 102}},
        {{255, 255, 255}, -50, 0, {127, 127, 127}},
        {{0, 0, 0}, 50, 0, {127, 127, 127}},
        // Saturation both ways.
        {{0, 0, 255}, 0, -50, {63, 63, 190}},
        {{0, 0, 255}, 0, 50, {0, 0, 254}},
        {{200, 100, 50}, -30, 30, {149, 65, 24}},
        {{10, 20, 30}, 40, -40, {80, 115, 147}},
        // Full percents reach white and black.
        {{100, 150, 200}, 100, -100, {255, 255, 255}},
        {{100, 150, 200}, -100, 100, {0, 0, 0}},
        // Hue sector edges: two equal maxima, and red either side of 360.
        {{255, 255, 0}, 0, 0, {254, 251, 0}},
        {{0, 255, 255}, 0, 0, {0, 254, 251}},
        {{255, 0, 255}, 0, 0, {251, 0, 254}},
        {{255, 0, 1}, 0, 0, {254, 0, 5}},
        {{255, 1, 0}, 0, 0, {254, 0, 0}},
        {{255, 128, 0}, 0, 0, {254, 125, 0}},
        // The toolbar's fills from the skin highlight.
        {{49, 106, 197}, 70, -57, {204, 212, 225}},
        {{49, 106, 197}, 50, -50, {169, 185, 208}},
        {{49, 106, 197}, 80, -66, {222, 226, 233}},
        {{49, 106, 197}, 50, -66, {175, 186, 202}},
        {{236, 238, 243}, 20, 0, {239, 240, 244}},
        {{236, 238, 243}, -27, 0, {155, 166, 192}},
    };
    for (const Worked& w : cases)
        EXPECT_EQ(skin::HlsTransform(w.in, w.lightness, w.saturation), w.out)
            << w.in << " L" << w.lightness << " S" << w.saturation;
}

TEST(HlsTransform, HueBytesOfTheSectors)
{
    // Red sits at 360 degrees (byte 255); 360 + a little wraps to 0. Where
    // two components share the maximum, blue wins over green over red.
    EXPECT_EQ(skin::rgbToHls({255, 0, 0}).h, 255);
    EXPECT_EQ(skin::rgbToHls({255, 1, 0}).h, 0);
    EXPECT_EQ(skin::rgbToHls({255, 0, 1}).h, 254);
    EXPECT_EQ(skin::rgbToHls({0, 255, 0}).h, 85);
    EXPECT_EQ(skin::rgbToHls({0, 0, 255}).h, 170);
    EXPECT_EQ(skin::rgbToHls({255, 255, 0}).h, 42);
    EXPECT_EQ(skin::rgbToHls({0, 255, 255}).h, 127);
    EXPECT_EQ(skin::rgbToHls({255, 0, 255}).h, 212);
    // Saturation on either side of half lightness.
    EXPECT_EQ(skin::rgbToHls({0, 0, 255}).s, 255);
    EXPECT_EQ(skin::rgbToHls({49, 106, 197}).s, 153);
    EXPECT_EQ(skin::rgbToHls({236, 238, 243}).s, 57);
    EXPECT_EQ(skin::rgbToHls({236, 238, 243}).l, 239);
    // Greys carry neither hue nor saturation.
    const skin::Hls grey = skin::rgbToHls({77, 77, 77});
    EXPECT_EQ(grey.h, 0);
    EXPECT_EQ(grey.s, 0);
    EXPECT_EQ(grey.l, 77);
}

TEST(HlsTransform, PercentAdjustmentTruncatesAndClamps)
{
    EXPECT_EQ(skin::adjustByPercent(128, 20), 153);  // 128 + 25.4
    EXPECT_EQ(skin::adjustByPercent(128, -20), 102); // 102.4
    EXPECT_EQ(skin::adjustByPercent(128, 0), 128);
    EXPECT_EQ(skin::adjustByPercent(0, 100), 255);
    EXPECT_EQ(skin::adjustByPercent(200, 250), 255);
    EXPECT_EQ(skin::adjustByPercent(200, -250), 0);
}

TEST(SkinColours, MenuBlends)
{
    const Rgb white{255, 255, 255}, face{236, 238, 243}, highlight{49, 106, 197};
    const skin::MenuColours popup = skin::popupMenuColours(white, face, highlight);
    EXPECT_EQ(popup.background, (Rgb{252, 252, 253}));
    EXPECT_EQ(popup.iconColumn, (Rgb{238, 240, 244}));
    EXPECT_EQ(popup.selection, (Rgb{193, 210, 237}));
    EXPECT_EQ(popup.frame, highlight);
    EXPECT_EQ(skin::lightTone(white, face), popup.background);

    // Menu-bar items sit on the menu colour.
    EXPECT_EQ(skin::menuBarColours(white, face, highlight).background, face);

    // When B and C blend to the same colour the column falls back to M and
    // the background to W.
    const skin::MenuColours flat = skin::popupMenuColours(white, white, highlight);
    EXPECT_EQ(flat.iconColumn, white);
    EXPECT_EQ(flat.background, white);
    const skin::MenuColours close = skin::popupMenuColours({250, 250, 250}, {251, 251, 251}, highlight);
    EXPECT_EQ(close.iconColumn, (Rgb{251, 251, 251}));
    EXPECT_EQ(close.background, (Rgb{250, 250, 250}));

    EXPECT_EQ(skin::liftedImageShadow({193, 210, 237}), (Rgb{135, 147, 178})); // blue clamped to 255 first
    EXPECT_EQ(skin::liftedImageShadow({100, 100, 100}), (Rgb{70, 70, 108}));
    EXPECT_EQ(skin::popupFrameOutline({236, 238, 243}), (Rgb{117, 118, 121}));
    EXPECT_EQ(skin::darken({200, 100, 50}, 30), (Rgb{176, 88, 44}));
    EXPECT_EQ(skin::blend({255, 0, 0}, 86, {0, 0, 255}), (Rgb{219, 0, 35}));
}

TEST(SkinColours, ButtonFaceGradient)
{
    // Index 0 is white whatever the state.
    EXPECT_EQ(skin::buttonFaceColour(0, false, false), (Rgb{255, 255, 255}));
    EXPECT_EQ(skin::buttonFaceColour(0, true, true), (Rgb{255, 255, 255}));
    // Index 63: a = 234, b = 240, c = 243.
    EXPECT_EQ(skin::buttonFaceColour(63, false, false), (Rgb{234, 234, 243}));
    EXPECT_EQ(skin::buttonFaceColour(63, false, true), (Rgb{234, 234, 240}));
    EXPECT_EQ(skin::buttonFaceColour(63, true, false), (Rgb{240, 240, 243}));
    EXPECT_EQ(skin::buttonFaceColour(63, true, true), (Rgb{240, 240, 234}));
    EXPECT_EQ(skin::buttonFaceColour(200, false, false), skin::buttonFaceColour(63, false, false));

    // Row index y * 63 / face height, with y counted from the button's top:
    // the face of a 24-pixel button has 20 rows, y 2..21.
    EXPECT_EQ(skin::buttonFaceIndex(2, 20), 6);
    EXPECT_EQ(skin::buttonFaceIndex(12, 20), 37);
    EXPECT_EQ(skin::buttonFaceIndex(20, 20), 63);
    EXPECT_EQ(skin::buttonFaceIndex(21, 20), 63); // would be 66
    EXPECT_EQ(skin::buttonFaceIndex(5, 0), 0);
}

TEST(SkinColours, ShadowStripDarkness)
{
    // Outer column 30, then 60, 90, 120 towards the window.
    EXPECT_EQ(skin::shadowDarkness(0, 20), 30);
    EXPECT_EQ(skin::shadowDarkness(3, 20), 120);
    // First 4 pixels untouched, then fifths.
    for (int along = 0; along < 4; ++along)
        EXPECT_EQ(skin::shadowDarkness(2, along), 0);
    EXPECT_EQ(skin::shadowDarkness(2, 4), 18);
    EXPECT_EQ(skin::shadowDarkness(2, 5), 36);
    EXPECT_EQ(skin::shadowDarkness(2, 6), 54);
    EXPECT_EQ(skin::shadowDarkness(2, 7), 72);
    EXPECT_EQ(skin::shadowDarkness(2, 8), 90);
    EXPECT_EQ(skin::shadowDarkness(4, 20), 0);
}

} // namespace
