#pragma once
// Colour arithmetic of the skin, free of any GUI library so that it can be
// checked on its own: the HLS transform that derives every shaded colour,
// and the per-channel blends and darkenings the painters use.
#include <cstdint>

namespace skin {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb& a, const Rgb& c) { return a.r == c.r && a.g == c.g && a.b == c.b; }
    friend bool operator!=(const Rgb& a, const Rgb& c) { return !(a == c); }
};

// Hue, lightness and saturation, each scaled to 0..255.
struct Hls {
    std::uint8_t h = 0;
    std::uint8_t l = 0;
    std::uint8_t s = 0;
};

// RGB -> HLS with every scaling truncated. Pure red yields hue 255 (360
// degrees), not 0: the red sector is 360 + 60 * (g - b) / diff.
Hls rgbToHls(Rgb colour);
// HLS -> RGB, each component truncated.
Rgb hlsToRgb(Hls hls);
// Moves a 0..255 byte towards 255 (percent > 0) or towards 0 (percent < 0).
std::uint8_t adjustByPercent(std::uint8_t value, int percent);

// The skin's colour transform: lightness, then saturation, moved by their
// percents (-100..100) in HLS space. Computed in exact integer arithmetic so
// that the truncations land where the rule puts them and nowhere else.
Rgb HlsTransform(Rgb colour, int lightnessPercent, int saturationPercent);

// percentA % of a plus (100 - percentA) % of b, per channel, truncated.
Rgb blend(Rgb a, int percentA, Rgb b);
// Each channel times (255 - amount) / 255, truncated; amount is 0..255.
Rgb darken(Rgb colour, int amount);

} // namespace skin
