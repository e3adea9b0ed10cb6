#include "CToolBarXP.h"

#include "MenuImages.h"
#include "SkinColours.h"
#include "SkinPalette.h"

#include <QEvent>
#include <QLayout>
#include <QPainter>
#include <QStyleOptionToolBar>
#include <QStyleOptionToolButton>

CToolBarXP::CToolBarXP(QWidget* parent) : QToolBar(parent)
{
    init();
}

CToolBarXP::CToolBarXP(const QString& title, QWidget* parent) : QToolBar(title, parent)
{
    init();
}

void CToolBarXP::init()
{
    setIconSize(QSize(skin::kImageWidth, skin::kImageWidth));
    applyBorders();
    connect(this, &QToolBar::orientationChanged, this, [this] { applyBorders(); });
}

void CToolBarXP::applyBorders()
{
    QLayout* l = layout();
    if (!l)
        return;
    l->setSpacing(0);
    const QMargins b = borders();
    if (orientation() == Qt::Vertical) {
        l->setContentsMargins(b);
        return;
    }
    // Qt's toolbar layout sizes a horizontal bar from left + right and
    // top + bottom, but places its first row at (top, left): hand it the
    // margins so that both come out as the borders say.
    l->setContentsMargins(b.top(), b.left(), b.left() + b.right() - b.top(), b.top() + b.bottom() - b.left());
}

bool CToolBarXP::event(QEvent* event)
{
    const bool handled = QToolBar::event(event);
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::Polish)
        applyBorders();
    return handled;
}

QSize CToolBarXP::buttonSize(QSize iconSize)
{
    return iconSize + QSize(7, 6);
}

void CToolBarXP::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const skin::SystemColours sys = skin::SystemColours::from(palette());
    p.fillRect(rect(), skin::toQColor(skin::toolBarColours(sys.face, sys.highlight).background));
    QStyleOptionToolBar opt;
    initStyleOption(&opt);
    opt.rect = style()->subElementRect(QStyle::SE_ToolBarHandle, &opt, this);
    if (opt.rect.isValid())
        style()->drawPrimitive(QStyle::PE_IndicatorToolBarHandle, &opt, &p, this);
}

void CToolBarXP::paintButton(const QStyleOptionToolButton* opt, QPainter* p, const QWidget* button)
{
    using namespace skin;
    const SystemColours sys = SystemColours::from(opt->palette);
    const ToolBarColours tc = toolBarColours(sys.face, sys.highlight);
    const QRect r = opt->rect;
    const bool enabled = opt->state & QStyle::State_Enabled;
    const bool hot = enabled && (opt->state & QStyle::State_MouseOver);
    const bool pressed = opt->state & QStyle::State_Sunken;
    const bool checked = opt->state & QStyle::State_On;

    p->save();
    if (hot || checked || (enabled && pressed)) {
        Rgb fill = tc.checkedFill;
        if (pressed || (hot && checked))
            fill = tc.pressedFill;
        else if (hot)
            fill = tc.hotFill;
        p->fillRect(r, toQColor(fill));
        p->setPen(QPen(toQColor(tc.frame), 1));
        p->setBrush(Qt::NoBrush);
        p->drawRect(r.adjusted(0, 0, -1, -1));
    }

    const QPixmap image = opt->icon.pixmap(opt->iconSize, button ? button->devicePixelRatio() : 1.0);
    if (!enabled) {
        p->drawPixmap(r.topLeft() + QPoint(kImageOffset, kImageOffset), oneColourImage(image, toQColor(tc.disabledImage)));
    } else if (hot && !pressed) {
        p->drawPixmap(r.topLeft() + QPoint(kShadowOffset, kShadowOffset), oneColourImage(image, toQColor(tc.imageShadow)));
        p->drawPixmap(r.topLeft() + QPoint(kLiftedImageOffset, kLiftedImageOffset), image);
    } else {
        p->drawPixmap(r.topLeft() + QPoint(kImageOffset, kImageOffset), image);
    }
    if (opt->features & QStyleOptionToolButton::HasMenu) {
        // Drop-down arrow at the right edge.
        const int cx = r.right() - 4, cy = r.center().y();
        QPolygon tri;
        tri << QPoint(cx - 2, cy - 1) << QPoint(cx + 2, cy - 1) << QPoint(cx, cy + 1);
        p->setPen(Qt::NoPen);
        p->setBrush(toQColor(sys.menuText));
        p->drawPolygon(tri);
    }
    p->restore();
}
