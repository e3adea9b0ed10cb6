#pragma once
// Image forms of menu and toolbar commands, and the link from toolbar
// buttons to menu items: an item shows the image of the toolbar button with
// the same command.
#include <QColor>
#include <QPixmap>

class QIcon;
class QMenu;
class QMenuBar;
class QToolBar;

namespace skin {

// The image's shape (its alpha) filled with one colour.
QPixmap oneColourImage(const QPixmap& image, const QColor& colour);
// Second form: for items neither selected nor unavailable, the image washed
// 20 % towards white, so that selection visibly "lifts" it.
QPixmap restingImage(const QPixmap& image);
// Third form: unavailable items, the shape in one muted colour.
QPixmap disabledImage(const QPixmap& image, const QColor& colour);

// The 16 x 16 pixmap of an icon (null when the icon is).
QPixmap commandImage(const QIcon& icon);

// Gives every action of the menus under bar (or of menu, recursively) that
// has no icon the icon of the toolbar's action for the same command: the
// same QAction, or one whose data() (the command id) is equal and valid.
// Returns the number of actions given an image.
int applyToolBarImages(QMenuBar* bar, const QToolBar* toolBar);
int applyToolBarImages(QMenu* menu, const QToolBar* toolBar);

} // namespace skin
