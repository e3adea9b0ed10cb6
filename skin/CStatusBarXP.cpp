#include "CStatusBarXP.h"

#include "SkinPalette.h"

#include <QLabel>
#include <QPainter>

CStatusBarXP::CStatusBarXP(QWidget* parent) : QStatusBar(parent)
{
    setMinimumHeight(kMinimumHeight);
}

QList<QLabel*> CStatusBarXP::setIndicators(const QStringList& texts)
{
    for (QLabel* l : std::as_const(m_indicators)) {
        removeWidget(l);
        delete l;
    }
    m_indicators.clear();
    setMinimumHeight(kMinimumHeight);
    for (const QString& t : texts) {
        auto* pane = new QLabel(t, this);
        pane->setFrameShape(QFrame::NoFrame);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(t) + 8);
        addPermanentWidget(pane);
        m_indicators.append(pane);
    }
    return m_indicators;
}

QRect CStatusBarXP::messagePaneRect() const
{
    int right = width() - 2;
    for (QObject* o : children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w && w->isVisible() && !w->isWindow())
            right = std::min(right, w->geometry().left() - 4);
    }
    return QRect(QPoint(2, 2), QPoint(right, height() - 3));
}

QRect CStatusBarXP::paneOutline(const QWidget* pane) const
{
    return pane->geometry().adjusted(-2, -1, 1, 1) & rect();
}

void CStatusBarXP::paintEvent(QPaintEvent* event)
{
    QStatusBar::paintEvent(event);
    QPainter p(this);
    p.setPen(QPen(skin::toQColor(skin::SystemColours::from(palette()).shadow), 1));
    p.setBrush(Qt::NoBrush);
    // The panes beside the message: every visible child but the size grip.
    for (QObject* o : children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || !w->isVisible() || w->isWindow() || w->inherits("QSizeGrip"))
            continue;
        p.drawRect(paneOutline(w).adjusted(0, 0, -1, -1));
    }
    const QRect message = messagePaneRect();
    if (message.width() > 8)
        p.drawRect(message.adjusted(0, 0, -1, 0));
}
