#pragma once
#include <QProxyStyle>

class QApplication;

namespace skin {

// Installs the window skin on the application: the skin style over Fusion
// and the skin's light palette. Call once, after the QApplication exists and
// before the first window is created.
void installSkin(QApplication& app);

// The skin's style: owner-drawn menu bar and popup menus, the flat toolbar's
// buttons and the flat status bar's panes; everything else is Fusion's.
class SkinStyle : public QProxyStyle {
    Q_OBJECT
public:
    SkinStyle();

    void polish(QWidget* widget) override;
    void unpolish(QWidget* widget) override;
    using QProxyStyle::polish;
    using QProxyStyle::unpolish;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                           const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    QPalette standardPalette() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace skin
