#pragma once
// The skin's derived colours, computed from a handful of base colours
// (window, menu, highlight, button face). Free of any GUI library.
#include "HlsTransform.h"

namespace skin {

// Colours of an owner-drawn menu item.
struct MenuColours {
    Rgb background; // B: item background
    Rgb iconColumn; // C: icon column, popup frame gap
    Rgb selection;  // S: selected item fill
    Rgb frame;      // H: 1-pixel frame round the selection
};

// 86 % window + 14 % menu: the light tone of gradient title bands.
Rgb lightTone(Rgb window, Rgb menu);

// B = 86 % W + 14 % M, C = 86 % M + 14 % W, S = 70 % W + 30 % H, frame H.
// When B and C come out equal, C becomes M and B becomes W so the icon
// column still stands out.
MenuColours popupMenuColours(Rgb window, Rgb menu, Rgb highlight);
// The same for menu-bar items, whose background B is the menu colour M.
MenuColours menuBarColours(Rgb window, Rgb menu, Rgb highlight);

// Shadow of a lifted menu image: the selection colour at 70 % per channel,
// blue raised by 55 first (clamped to 255 rather than wrapping).
Rgb liftedImageShadow(Rgb selection);

// Outer outline of a popup menu frame: the menu colour at 127/255.
Rgb popupFrameOutline(Rgb menu);

// Face of a skin push button: 64 colours, index 0 (top) to 63 (bottom).
Rgb buttonFaceColour(int index, bool hovered, bool lit);
// Index of the face row at vertical position y of the button (y = 0 at the
// button's top edge), for a face of faceHeight rows. Rows whose index would
// exceed 63 keep the last colour.
int buttonFaceIndex(int y, int faceHeight);

// Darkening (0..255) of one pixel of a 4-pixel shadow strip.
// depth: 0 at the outer edge (30), then 60, 90, 120 towards the window.
// along: position along the strip from its start; the first 4 pixels are
// left alone, the next 4 fade in by fifths, the rest take the full amount.
int shadowDarkness(int depth, int along);

// Colours of the flat toolbar.
struct ToolBarColours {
    Rgb background;   // HlsTransform(face, +20, 0)
    Rgb frame;        // highlight
    Rgb pressedFill;  // HlsTransform(highlight, +50, -50): pressed, or hot and checked
    Rgb hotFill;      // HlsTransform(highlight, +70, -57)
    Rgb checkedFill;  // HlsTransform(highlight, +80, -66)
    Rgb separator;    // HlsTransform(face, -15, 0)
    Rgb imageShadow;  // HlsTransform(highlight, +50, -66)
    Rgb disabledImage; // HlsTransform(face, -27, 0)
};
ToolBarColours toolBarColours(Rgb buttonFace, Rgb highlight);

} // namespace skin
