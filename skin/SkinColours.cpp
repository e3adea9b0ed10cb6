#include "SkinColours.h"

#include <algorithm>

namespace skin {

Rgb lightTone(Rgb window, Rgb menu)
{
    return blend(window, 86, menu);
}

MenuColours popupMenuColours(Rgb window, Rgb menu, Rgb highlight)
{
    MenuColours c;
    c.background = blend(window, 86, menu);
    c.iconColumn = blend(menu, 86, window);
    c.selection = blend(window, 70, highlight);
    c.frame = highlight;
    if (c.background == c.iconColumn) {
        c.iconColumn = menu;
        c.background = window;
    }
    return c;
}

MenuColours menuBarColours(Rgb window, Rgb menu, Rgb highlight)
{
    MenuColours c = popupMenuColours(window, menu, highlight);
    c.background = menu;
    return c;
}

Rgb liftedImageShadow(Rgb selection)
{
    const int blue = std::min(255, selection.b + 55);
    return Rgb{static_cast<std::uint8_t>(selection.r * 70 / 100), static_cast<std::uint8_t>(selection.g * 70 / 100),
               static_cast<std::uint8_t>(blue * 70 / 100)};
}

Rgb popupFrameOutline(Rgb menu)
{
    return darken(menu, 255 - 127);
}

Rgb buttonFaceColour(int index, bool hovered, bool lit)
{
    const int i = std::clamp(index, 0, 63);
    const auto a = static_cast<std::uint8_t>(255 - i / 3);
    const auto b = static_cast<std::uint8_t>(255 - i / 4);
    const auto c = static_cast<std::uint8_t>(255 - i / 5);
    if (!hovered)
        return Rgb{a, a, lit ? b : c};
    return Rgb{b, b, lit ? a : c};
}

int buttonFaceIndex(int y, int faceHeight)
{
    if (faceHeight <= 0 || y <= 0)
        return 0;
    return std::min(63, y * 63 / faceHeight);
}

int shadowDarkness(int depth, int along)
{
    if (depth < 0 || depth > 3 || along < 4)
        return 0;
    const int amount = 30 * (depth + 1);
    if (along < 8)
        return amount * (along - 3) / 5;
    return amount;
}

ToolBarColours toolBarColours(Rgb face, Rgb highlight)
{
    ToolBarColours t;
    t.background = HlsTransform(face, 20, 0);
    t.frame = highlight;
    t.pressedFill = HlsTransform(highlight, 50, -50);
    t.hotFill = HlsTransform(highlight, 70, -57);
    t.checkedFill = HlsTransform(highlight, 80, -66);
    t.separator = HlsTransform(face, -15, 0);
    t.imageShadow = HlsTransform(highlight, 50, -66);
    t.disabledImage = HlsTransform(face, -27, 0);
    return t;
}

} // namespace skin
