#include "CSkinButton.h"

#include "SkinColours.h"
#include "SkinPalette.h"

#include <QEnterEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace {

struct EdgePen {
    int width;
    QColor colour;
};

// Inner edges: left, right, top, bottom.
const EdgePen kHoverEdges[4] = {
    {3, QColor(250, 196, 88)}, {3, QColor(251, 202, 106)}, {2, QColor(252, 210, 121)}, {2, QColor(229, 151, 0)}};
const EdgePen kFocusEdges[4] = {
    {3, QColor(153, 198, 252)}, {3, QColor(162, 189, 252)}, {2, QColor(162, 201, 255)}, {2, QColor(162, 201, 255)}};
const QColor kFrameColour(0, 0, 0);

} // namespace

CSkinButton::CSkinButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setMouseTracking(true);
}

CSkinButton::CSkinButton(QWidget* parent) : QPushButton(parent)
{
    setMouseTracking(true);
}

bool CSkinButton::isLit() const
{
    return hasFocus() || isDown() || isDefault();
}

void CSkinButton::startHover()
{
    if (m_bTracking)
        return;
    m_bTracking = true;
    m_bHover = true;
    update();
}

void CSkinButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    startHover();
}

void CSkinButton::mouseMoveEvent(QMouseEvent* event)
{
    // A button that appears under a resting pointer gets no enter event:
    // the first move starts the tracking.
    startHover();
    QPushButton::mouseMoveEvent(event);
}

void CSkinButton::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    m_bHover = false;
    m_bTracking = false;
    update();
}

void CSkinButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect item = rect();
    p.fillRect(item, palette().color(backgroundRole()));

    // Rounded outline, 5 x 5 corner ellipses, over a white brush.
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kFrameColour, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(item).adjusted(0.5, 0.5, -0.5, -0.5), 2.5, 2.5);
    p.setRenderHint(QPainter::Antialiasing, false);

    const bool lit = isLit();
    const QRect face = item.adjusted(kEdge, kEdge, -kEdge, -kEdge);
    for (int y = face.top(); y <= face.bottom(); ++y) {
        const int index = skin::buttonFaceIndex(y, face.height());
        p.fillRect(face.left(), y, face.width(), 1, skin::toQColor(skin::buttonFaceColour(index, m_bHover, lit)));
    }

    if (m_bHover || hasFocus()) {
        const EdgePen* pens = m_bHover ? kHoverEdges : kFocusEdges;
        // Edges lie inside the face: left from the bottom up, right one pixel
        // inside the face's right side, then top and bottom.
        p.fillRect(QRect(face.left(), face.top(), pens[0].width, face.height()), pens[0].colour);
        p.fillRect(QRect(face.right() - pens[1].width, face.top(), pens[1].width, face.height()), pens[1].colour);
        p.fillRect(QRect(face.left(), face.top(), face.width(), pens[2].width), pens[2].colour);
        p.fillRect(QRect(face.left(), face.bottom() - pens[3].width + 1, face.width(), pens[3].width), pens[3].colour);
    }

    QStyleOptionButton opt;
    initStyleOption(&opt);
    int flags = Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextSingleLine;
    if (!style()->styleHint(QStyle::SH_UnderlineShortcut, &opt, this))
        flags |= Qt::TextHideMnemonic;
    QRect textRect = face;
    if (isDown())
        textRect.translate(1, 1);
    const QString caption = text().left(260);
    p.setFont(font());
    if (!icon().isNull()) {
        const QPixmap pm = icon().pixmap(iconSize(), devicePixelRatio(), isEnabled() ? QIcon::Normal : QIcon::Disabled);
        const int textWidth = caption.isEmpty() ? 0 : fontMetrics().horizontalAdvance(caption) + 4;
        const int total = iconSize().width() + textWidth;
        const QPoint at(textRect.left() + (textRect.width() - total) / 2,
                        textRect.top() + (textRect.height() - iconSize().height()) / 2);
        p.drawPixmap(at, pm);
        textRect.setLeft(at.x() + iconSize().width() + 4);
        if (!caption.isEmpty())
            flags = (flags & ~Qt::AlignHCenter) | Qt::AlignLeft;
    }
    if (isEnabled()) {
        p.setPen(palette().color(QPalette::Active, QPalette::ButtonText));
        p.drawText(textRect, flags, caption);
    } else {
        // Embossed: a light copy 1 pixel down-right under the shadow-coloured text.
        p.setPen(palette().color(QPalette::Active, QPalette::Light));
        p.drawText(textRect.translated(1, 1), flags, caption);
        p.setPen(palette().color(QPalette::Active, QPalette::Dark));
        p.drawText(textRect, flags, caption);
    }
}
