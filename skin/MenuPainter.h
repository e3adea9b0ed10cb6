#pragma once
// Measuring and painting of owner-drawn menus: menu-bar items, popup items
// and the popup window's frame and shadow.
#include <QRect>
#include <QSize>

class QPainter;
class QStyleOptionMenuItem;
class QWidget;
class QImage;

namespace skin {

// Width of the icon column of a popup: image width + 8.
constexpr int kIconColumnWidth = 16 + 8;
// Frame of a popup: dark outline, light outline, icon-column gap.
constexpr int kPopupFrameWidth = 3;
// Width of the own shadow right of and below a popup, and of the shadow a
// menu-bar item casts while its popup is open.
constexpr int kShadowWidth = 4;
// Padding on each side of a menu-bar item's text.
constexpr int kMenuBarItemPadding = 6;

QSize popupItemSize(const QStyleOptionMenuItem* opt, QSize contents);
QSize menuBarItemSize(const QStyleOptionMenuItem* opt, QSize contents);

void paintPopupItem(const QStyleOptionMenuItem* opt, QPainter* p, const QWidget* w);
void paintMenuBarItem(const QStyleOptionMenuItem* opt, QPainter* p, const QWidget* w);

// Everything of a popup window outside its items: frame, gap, background and,
// when the popup carries one, the own shadow made from the screen backdrop
// (the dynamic property kBackdropProperty, a QImage of the screen under the
// popup; the menu colour stands in for it when absent).
void paintPopupPanel(QPainter* p, const QWidget* menu, const QRect& rect);
// Whether the popup leaves 4 pixels at its right and bottom for the own shadow.
bool popupHasOwnShadow(const QWidget* menu);

inline constexpr const char* kBackdropProperty = "skinBackdrop";
inline constexpr const char* kOwnShadowProperty = "skinOwnShadow";

} // namespace skin
