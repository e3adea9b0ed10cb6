#include "MenuImages.h"

#include "SkinPalette.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QToolBar>

namespace skin {

QPixmap oneColourImage(const QPixmap& image, const QColor& colour)
{
    if (image.isNull())
        return image;
    QPixmap out(image.size());
    out.setDevicePixelRatio(image.devicePixelRatio());
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.drawPixmap(0, 0, image);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(out.rect(), colour);
    return out;
}

QPixmap restingImage(const QPixmap& image)
{
    if (image.isNull())
        return image;
    QImage img = image.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb v = line[x];
            auto wash = [](int c) { return (c * 80 + 255 * 20) / 100; };
            line[x] = qRgba(wash(qRed(v)), wash(qGreen(v)), wash(qBlue(v)), qAlpha(v));
        }
    }
    QPixmap out = QPixmap::fromImage(img);
    out.setDevicePixelRatio(image.devicePixelRatio());
    return out;
}

QPixmap disabledImage(const QPixmap& image, const QColor& colour)
{
    return oneColourImage(image, colour);
}

QPixmap commandImage(const QIcon& icon)
{
    if (icon.isNull())
        return QPixmap();
    return icon.pixmap(QSize(kImageWidth, kImageWidth));
}

namespace {

QIcon toolBarIconFor(const QAction* action, const QToolBar* toolBar)
{
    const QList<QAction*> actions = toolBar->actions();
    for (const QAction* t : actions) {
        if (t->icon().isNull() || t->isSeparator())
            continue;
        if (t == action || (action->data().isValid() && t->data().isValid() && t->data() == action->data()))
            return t->icon();
    }
    return QIcon();
}

int applyToActions(const QList<QAction*>& actions, const QToolBar* toolBar)
{
    int given = 0;
    for (QAction* a : actions) {
        if (QMenu* sub = a->menu()) {
            given += applyToActions(sub->actions(), toolBar);
            continue;
        }
        if (a->isSeparator() || !a->icon().isNull())
            continue;
        const QIcon icon = toolBarIconFor(a, toolBar);
        if (!icon.isNull()) {
            a->setIcon(icon);
            ++given;
        }
    }
    return given;
}

} // namespace

int applyToolBarImages(QMenuBar* bar, const QToolBar* toolBar)
{
    if (!bar || !toolBar)
        return 0;
    return applyToActions(bar->actions(), toolBar);
}

int applyToolBarImages(QMenu* menu, const QToolBar* toolBar)
{
    if (!menu || !toolBar)
        return 0;
    return applyToActions(menu->actions(), toolBar);
}

} // namespace skin
