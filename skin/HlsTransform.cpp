#include "HlsTransform.h"

#include <algorithm>

namespace skin {
namespace {

using i64 = long long;

// Hue in 1/255 degree, so that the byte -> degrees step (h * 360 / 255)
// stays exact: degrees * 255 == h * 360.
constexpr i64 kDeg = 255;

// One component from the two intermediate values m1 <= m2 (both scaled by
// 255 * 255) and the hue (scaled by kDeg), with the piecewise rule at 60,
// 180 and 240 degrees. Returns the component times 255, truncated.
std::uint8_t component(i64 m1, i64 m2, i64 hue)
{
    if (hue > 360 * kDeg)
        hue -= 360 * kDeg;
    else if (hue < 0)
        hue += 360 * kDeg;
    i64 num = 0;                     // value * scale * 60 * kDeg
    constexpr i64 span = 60 * kDeg;
    if (hue < 60 * kDeg)
        num = m1 * span + (m2 - m1) * hue;
    else if (hue < 180 * kDeg)
        num = m2 * span;
    else if (hue < 240 * kDeg)
        num = m1 * span + (m2 - m1) * (240 * kDeg - hue);
    else
        num = m1 * span;
    // m1, m2 are value * 255 * 255, so value * 255 = num / (255 * span); num >= 0.
    return static_cast<std::uint8_t>(std::min<i64>(255, num / (255 * span)));
}

} // namespace

Hls rgbToHls(Rgb c)
{
    const int r = c.r, g = c.g, b = c.b;
    const int maxv = std::max({r, g, b});
    const int minv = std::min({r, g, b});
    const int sum = maxv + minv;
    const int diff = maxv - minv;
    Hls out;
    // lightness = sum / 510, scaled by 255.
    out.l = static_cast<std::uint8_t>(sum * 255 / 510);
    if (diff == 0)
        return out;
    // "At most one half" is sum / 510 <= 1/2, i.e. sum <= 255.
    out.s = static_cast<std::uint8_t>(sum <= 255 ? diff * 255 / sum : diff * 255 / (510 - sum));
    // Hue in sixths of a turn, scaled by diff: sector offset * diff + delta.
    // Blue is tested first, then green, then red; the first maximum wins.
    int sixths = 0;
    if (b == maxv)
        sixths = 4 * diff + (r - g);
    else if (g == maxv)
        sixths = 2 * diff + (b - r);
    else
        sixths = 6 * diff + (g - b);
    if (sixths > 6 * diff) // hue above 360 degrees
        sixths -= 6 * diff;
    // hue byte = degrees * 255 / 360 = (sixths / diff * 60) * 255 / 360.
    out.h = static_cast<std::uint8_t>(static_cast<i64>(sixths) * 255 / (6 * static_cast<i64>(diff)));
    return out;
}

Rgb hlsToRgb(Hls hls)
{
    if (hls.s == 0)
        return Rgb{hls.l, hls.l, hls.l};
    const i64 l = hls.l, s = hls.s;
    // Values scaled by 255 * 255.
    const i64 m2 = (2 * l <= 255) ? l * 255 + l * s : l * 255 + s * 255 - l * s;
    const i64 m1 = 2 * l * 255 - m2;
    const i64 hue = static_cast<i64>(hls.h) * 360; // degrees * kDeg
    return Rgb{component(m1, m2, hue + 120 * kDeg), component(m1, m2, hue), component(m1, m2, hue - 120 * kDeg)};
}

std::uint8_t adjustByPercent(std::uint8_t value, int percent)
{
    percent = std::clamp(percent, -100, 100);
    const int v = value;
    if (percent > 0)
        return static_cast<std::uint8_t>(v + (255 - v) * percent / 100);
    if (percent < 0)
        return static_cast<std::uint8_t>(v * (percent + 100) / 100);
    return value;
}

Rgb HlsTransform(Rgb colour, int lightnessPercent, int saturationPercent)
{
    Hls hls = rgbToHls(colour);
    hls.l = adjustByPercent(hls.l, lightnessPercent);
    hls.s = adjustByPercent(hls.s, saturationPercent);
    return hlsToRgb(hls);
}

Rgb blend(Rgb a, int percentA, Rgb b)
{
    percentA = std::clamp(percentA, 0, 100);
    const int pb = 100 - percentA;
    auto mix = [&](int x, int y) { return static_cast<std::uint8_t>((x * percentA + y * pb) / 100); };
    return Rgb{mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

Rgb darken(Rgb colour, int amount)
{
    amount = std::clamp(amount, 0, 255);
    auto d = [&](int x) { return static_cast<std::uint8_t>(x * (255 - amount) / 255); };
    return Rgb{d(colour.r), d(colour.g), d(colour.b)};
}

} // namespace skin
