#include "MenuTitle.h"

#include "SkinColours.h"
#include "SkinPalette.h"

#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QWidgetAction>

namespace skin {

QFont menuTitleFont()
{
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(16);
    f.setWeight(QFont::Bold);
    return f;
}

QSize menuTitleSize(const QString& text, int style)
{
    const QFontMetrics fm(menuTitleFont());
    const int rule = (style & TitleRule) ? 8 : 0;
    return QSize(fm.horizontalAdvance(text), fm.height() + rule);
}

namespace {

// A 3-D rectangle: light at top and left, dark at bottom and right.
void draw3dRect(QPainter* p, const QRect& r, const QColor& topLeft, const QColor& bottomRight)
{
    p->setPen(topLeft);
    p->drawLine(r.left(), r.top(), r.right() - 1, r.top());
    p->drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
    p->setPen(bottomRight);
    p->drawLine(r.right(), r.top(), r.right(), r.bottom());
    p->drawLine(r.left(), r.bottom(), r.right(), r.bottom());
}

} // namespace

void paintMenuTitle(QPainter* p, const QRect& rect, const QString& text, int style, const QPalette& palette)
{
    const SystemColours sys = SystemColours::from(palette);
    const QColor caption = toQColor(sys.caption);
    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    if (style & TitleGradient) {
        QLinearGradient g(rect.topLeft(), rect.topRight());
        g.setColorAt(0, caption);
        g.setColorAt(1, toQColor(lightTone(sys.window, sys.menu)));
        p->setBrush(g);
    } else {
        p->setBrush(caption);
    }
    if (style & TitleRounded) {
        p->setRenderHint(QPainter::Antialiasing, true);
        p->setPen(QPen(Qt::white, 1));
        // 10 x 10 corner ellipses: radius 5, the outline on pixel centres.
        p->drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
        p->setRenderHint(QPainter::Antialiasing, false);
    } else {
        p->setPen(Qt::NoPen);
        p->drawRect(rect);
    }
    if (style & TitleSunken)
        draw3dRect(p, rect, toQColor(sys.shadow), toQColor(sys.hilite));

    p->setFont(menuTitleFont());
    p->setPen(toQColor(sys.captionText));
    const QFontMetrics fm(p->font());
    const int textWidth = fm.horizontalAdvance(text);
    const int left = (style & TitleCentred) ? rect.left() + (rect.width() - textWidth) / 2 : rect.left() + 4;
    p->drawText(QRect(left, rect.top(), textWidth, fm.height()), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                text);

    if (style & TitleRule) {
        const QColor hilite = toQColor(sys.hilite), shadow = toQColor(sys.shadow);
        // From (left + 2, bottom - 7) to (right - 2, bottom - 5), exclusive
        // corners; then 3 pixels lower, 10 narrower at each end, colours swapped.
        const int l = rect.left(), r = rect.right() + 1, b = rect.bottom() + 1;
        draw3dRect(p, QRect(QPoint(l + 2, b - 7), QPoint(r - 3, b - 6)), hilite, shadow);
        draw3dRect(p, QRect(QPoint(l + 12, b - 4), QPoint(r - 13, b - 3)), shadow, hilite);
    }
    p->restore();
}

CMenuTitle::CMenuTitle(const QString& text, int style, QWidget* parent)
    : QWidget(parent), m_text(text), m_style(style & ~TitleVertical)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize CMenuTitle::sizeHint() const
{
    const QSize s = menuTitleSize(m_text, m_style);
    // Room for the rounded corners beside the text.
    return QSize(s.width() + 20 + 2 * kMenuTitleMargin, s.height() + 2 * kMenuTitleMargin);
}

void CMenuTitle::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const SystemColours sys = SystemColours::from(palette());
    p.fillRect(rect(), toQColor(popupMenuColours(sys.window, sys.menu, sys.highlight).background));
    paintMenuTitle(&p, rect().adjusted(kMenuTitleMargin, kMenuTitleMargin, -kMenuTitleMargin, -kMenuTitleMargin),
                   m_text, m_style, palette());
}

QAction* addMenuTitle(QMenu* menu, const QString& text, int style)
{
    if (!menu)
        return nullptr;
    auto* action = new QWidgetAction(menu);
    action->setDefaultWidget(new CMenuTitle(text, style));
    action->setText(text);
    action->setEnabled(false);
    const QList<QAction*> actions = menu->actions();
    menu->insertAction(actions.isEmpty() ? nullptr : actions.first(), action);
    return action;
}

} // namespace skin
