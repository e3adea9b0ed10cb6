#pragma once
// The skin's base colours and system measures, taken from a QPalette. Linux
// has no system colour scheme of the kind the skin's rules refer to, so the
// rules' "system" colours map onto palette roles:
//   window W -> Base,  menu M and button face -> Button,  highlight H -> Highlight,
//   grey text -> disabled Text,  menu text -> ButtonText,
//   button shadow -> Dark,  button highlight -> Light,
//   active caption -> Highlight,  caption text -> HighlightedText.
#include "HlsTransform.h"

#include <QColor>
#include <QPalette>

class QFontMetrics;

namespace skin {

inline QColor toQColor(Rgb c) { return QColor(c.r, c.g, c.b); }
inline Rgb toRgb(const QColor& c)
{
    return Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()), static_cast<std::uint8_t>(c.blue())};
}

struct SystemColours {
    Rgb window;
    Rgb menu;
    Rgb face;
    Rgb highlight;
    Rgb greyText;
    Rgb menuText;
    Rgb shadow;
    Rgb hilite;
    Rgb caption;
    Rgb captionText;
    static SystemColours from(const QPalette& palette);
};

// The light palette the skin installs on the application.
QPalette skinPalette();

// Whether the window system puts drop shadows under popup menus itself; when
// it does not, the skin draws its own 4-pixel shadow.
bool systemDrawsMenuShadows();

// Height of a menu line: the font's height plus the system's padding.
int systemMenuHeight(const QFontMetrics& fm);

// Image size of menu and toolbar commands.
constexpr int kImageWidth = 16;
constexpr int kImageHeight = 15;

} // namespace skin
