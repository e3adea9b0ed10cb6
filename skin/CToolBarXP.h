#pragma once
#include <QToolBar>

class QPainter;
class QStyleOptionToolButton;

// The flat toolbar of the main window: light background, framed fills for
// the hot and checked buttons, and a hot button's image lifted over its
// one-colour shadow. The buttons themselves are painted by the skin style
// through paintButton().
class CToolBarXP : public QToolBar {
    Q_OBJECT
public:
    explicit CToolBarXP(QWidget* parent = nullptr);
    explicit CToolBarXP(const QString& title, QWidget* parent = nullptr);

    // Borders round the buttons: left 1, top 3, right 6, bottom 4.
    static QMargins borders() { return QMargins(1, 3, 6, 4); }
    // Offsets of a button's image from its top-left corner.
    static constexpr int kImageOffset = 3;
    static constexpr int kLiftedImageOffset = 2;
    static constexpr int kShadowOffset = 4;

    // Paints one button of a skin toolbar (called by the skin style).
    static void paintButton(const QStyleOptionToolButton* opt, QPainter* p, const QWidget* button);
    // Size of a button showing an image of iconSize: the image plus 7 by 6.
    static QSize buttonSize(QSize iconSize);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    void init();
    // The toolbar layout re-reads margins and spacing from the style on every
    // style change; the skin's borders go back on after it.
    void applyBorders();
};
