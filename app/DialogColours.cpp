#include "DialogColours.h"

#include <QDialog>
#include <QEvent>
#include <QPalette>

bool DialogColours::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Polish) {
        if (auto* dialog = qobject_cast<QDialog*>(watched)) {
            // Only these two roles are set; the rest still follows the style.
            QPalette palette;
            palette.setColor(QPalette::Window, QColor::fromRgb(kBackground));
            palette.setColor(QPalette::WindowText, Qt::black);
            dialog->setPalette(palette);
            dialog->setAutoFillBackground(true);
        }
    }
    return QObject::eventFilter(watched, event);
}
