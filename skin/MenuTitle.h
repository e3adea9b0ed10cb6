#pragma once
// The title band of a menu: a line of text on a coloured band at the top of
// the popup, in the style the title style bits select.
#include <QString>
#include <QWidget>

class QAction;
class QMenu;
class QPainter;

namespace skin {

// Title style bits.
enum MenuTitleStyle : int {
    TitleVertical = 0x02, // along the side (drawn horizontally here: see addMenuTitle)
    TitleGradient = 0x04, // gradient band instead of a plain one
    TitleSunken = 0x08,   // sunken frame round the band
    TitleRule = 0x10,     // engraved rule under the text
    TitleRounded = 0x20,  // rounded band, 10 x 10 corner ellipses
    TitleCentred = 0x40,  // text centred horizontally
};
// Horizontal, engraved rule, rounded band, centred text.
constexpr int kSystemMenuTitleStyle = 0x70;

// Size of a title in the title font ("Arial", 16 pixels, bold): as wide and
// as high as its text, 8 pixels higher with the engraved rule.
QSize menuTitleSize(const QString& text, int style);
// Paints the title onto rect with the palette's caption colours.
void paintMenuTitle(QPainter* p, const QRect& rect, const QString& text, int style, const QPalette& palette);
QFont menuTitleFont();

// Widget that carries a title into a QMenu.
class CMenuTitle : public QWidget {
    Q_OBJECT
public:
    CMenuTitle(const QString& text, int style, QWidget* parent = nullptr);
    QString text() const { return m_text; }
    int titleStyle() const { return m_style; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    int m_style;
};

// Margin between the menu's frame and the title band.
constexpr int kMenuTitleMargin = 2;

// Puts the title at the top of menu (above its first action) and returns the
// action that carries it. A vertical title (bit 0x02) is drawn as a
// horizontal one: a QMenu has no side strip to put it in.
QAction* addMenuTitle(QMenu* menu, const QString& text, int style = kSystemMenuTitleStyle);

} // namespace skin
