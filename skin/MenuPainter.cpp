#include "MenuPainter.h"

#include "MenuImages.h"
#include "SkinColours.h"
#include "SkinPalette.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionMenuItem>

namespace skin {
namespace {

constexpr int kTextLeftInset = 4;
constexpr int kTextRightInset = 15;
constexpr int kTabExtra = 15;
constexpr int kSystemCheckWidth = 15;

int textFlags(const QWidget* w, const QStyleOption* opt)
{
    int flags = Qt::TextShowMnemonic | Qt::TextSingleLine | Qt::AlignVCenter;
    const QStyle* style = w ? w->style() : QApplication::style();
    if (!style->styleHint(QStyle::SH_UnderlineShortcut, opt, w))
        flags |= Qt::TextHideMnemonic;
    return flags;
}

QFont itemFont(const QStyleOptionMenuItem* opt)
{
    QFont f = opt->font;
    if (opt->menuItemType == QStyleOptionMenuItem::DefaultItem)
        f.setBold(true);
    return f;
}

void outline(QPainter* p, const QRect& r, const QColor& c)
{
    p->save();
    p->setPen(QPen(c, 1));
    p->setBrush(Qt::NoBrush);
    p->drawRect(r.adjusted(0, 0, -1, -1));
    p->restore();
}

// Check mark (a tick) or radio bullet drawn into a square box; stands in for
// the symbol-font glyphs, which Linux does not have.
void paintCheckGlyph(QPainter* p, const QRect& box, bool bullet, bool bold, const QColor& colour)
{
    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    const int size = std::min(box.width(), box.height());
    const QRect g(box.center().x() - size / 2, box.center().y() - size / 2, size, size);
    if (bullet) {
        const int d = std::max(4, size / 3 + (bold ? 1 : 0));
        p->setRenderHint(QPainter::Antialiasing, true);
        p->setPen(Qt::NoPen);
        p->setBrush(colour);
        p->drawEllipse(QRectF(g.center().x() - d / 2.0 + 0.5, g.center().y() - d / 2.0 + 0.5, d, d));
    } else {
        // A tick 7 wide and 5 + 2 high for a 15-pixel glyph, scaled.
        const double s = size / 15.0;
        const QPointF o(g.center().x() - 3.5 * s, g.center().y() - 2.5 * s);
        const int thickness = std::max(2, int(2 * s)) + (bold ? 1 : 0);
        for (int t = 0; t < thickness; ++t) {
            QPolygonF tick;
            tick << o + QPointF(0, 2 * s + t) << o + QPointF(2 * s, 4 * s + t) << o + QPointF(7 * s, -1 * s + t);
            p->setPen(QPen(colour, 1));
            p->drawPolyline(tick);
        }
    }
    p->restore();
}

void paintSubMenuArrow(QPainter* p, const QRect& r, const QColor& colour)
{
    const int cx = r.right() - 8, cy = r.center().y();
    QPolygon tri;
    tri << QPoint(cx - 2, cy - 4) << QPoint(cx + 2, cy) << QPoint(cx - 2, cy + 4);
    p->save();
    p->setPen(Qt::NoPen);
    p->setBrush(colour);
    p->drawPolygon(tri);
    p->restore();
}

MenuColours coloursOf(const QPalette& pal, bool menuBar)
{
    const SystemColours sys = SystemColours::from(pal);
    return menuBar ? menuBarColours(sys.window, sys.menu, sys.highlight)
                   : popupMenuColours(sys.window, sys.menu, sys.highlight);
}

} // namespace

QSize popupItemSize(const QStyleOptionMenuItem* opt, QSize contents)
{
    if (opt->menuItemType == QStyleOptionMenuItem::Separator)
        return QSize(std::max(contents.width(), 10), 3);
    const QFontMetrics fm(itemFont(opt));
    int width = fm.horizontalAdvance(opt->text.section(QLatin1Char('\t'), 0, 0));
    // QMenu hands in the label's size already; take the larger (mnemonics
    // are measured without their '&').
    // On top of text + 2 images + 2 the window system gives an owner-drawn
    // item its check-mark width; without it the label would run into the
    // 15-pixel right inset of the text area.
    width = std::max(width, contents.width()) + 2 * kImageWidth + 2 + kSystemCheckWidth;
    if (opt->text.contains(QLatin1Char('\t')))
        width += kTabExtra;
    const int height = std::max(systemMenuHeight(QFontMetrics(opt->font)), kImageHeight + 8);
    return QSize(width, height);
}

QSize menuBarItemSize(const QStyleOptionMenuItem* opt, QSize contents)
{
    int width = contents.width() + 2 * kMenuBarItemPadding + kShadowWidth;
    if (opt->text.contains(QLatin1Char('\t')))
        width += kTabExtra;
    const int height = std::max(systemMenuHeight(QFontMetrics(opt->font)), kImageHeight + 8);
    return QSize(width, height);
}

void paintPopupItem(const QStyleOptionMenuItem* opt, QPainter* p, const QWidget* w)
{
    const SystemColours sys = SystemColours::from(opt->palette);
    const MenuColours mc = coloursOf(opt->palette, false);
    const QRect r = opt->rect;
    const QRect column(r.left(), r.top(), kIconColumnWidth, r.height());
    const QRect textArea = QRect(column.right() + 1, r.top(), r.width() - kIconColumnWidth, r.height())
                               .adjusted(kTextLeftInset, 0, -kTextRightInset, 0);
    const bool enabled = opt->state & QStyle::State_Enabled;
    // A hot item counts as selected; a greyed item may show as selected.
    const bool selected = opt->state & QStyle::State_Selected;

    p->save();
    p->fillRect(column, toQColor(mc.iconColumn));
    p->fillRect(QRect(column.right() + 1, r.top(), r.width() - kIconColumnWidth, r.height()), toQColor(mc.background));

    if (opt->menuItemType == QStyleOptionMenuItem::Separator) {
        p->setPen(QPen(toQColor(sys.greyText), 1));
        const int y = textArea.top() + textArea.height() / 2;
        p->drawLine(textArea.left(), y, r.right(), y);
        p->restore();
        return;
    }

    if (selected) {
        p->fillRect(r, toQColor(mc.selection));
        outline(p, r, toQColor(mc.frame));
    }

    const QColor textColour = toQColor(enabled ? sys.menuText : sys.greyText);
    p->setFont(itemFont(opt));
    p->setPen(textColour);
    const int flags = textFlags(w, opt);
    const QString label = opt->text.section(QLatin1Char('\t'), 0, 0);
    p->drawText(textArea, flags | Qt::AlignLeft, label);
    const int lastTab = opt->text.lastIndexOf(QLatin1Char('\t'));
    if (lastTab >= 0)
        p->drawText(textArea, flags | Qt::AlignRight, opt->text.mid(lastTab + 1));
    if (opt->menuItemType == QStyleOptionMenuItem::SubMenu)
        paintSubMenuArrow(p, r, textColour);

    const bool checked = opt->checkType != QStyleOptionMenuItem::NotCheckable && opt->checked;
    const QRect square = column.adjusted(1, 1, -1, -1);
    auto paintSquare = [&] {
        p->fillRect(square, toQColor(selected ? mc.selection : mc.iconColumn));
        outline(p, square, toQColor(mc.frame));
    };
    const QPixmap image = commandImage(opt->icon);
    if (!image.isNull()) {
        const QSize is = image.deviceIndependentSize().toSize();
        const QPoint at(r.left() + 3 + (kImageWidth - is.width()) / 2, r.top() + (r.height() - is.height()) / 2);
        if (checked)
            paintSquare();
        if (!enabled) {
            p->drawPixmap(at, disabledImage(image, toQColor(toolBarColours(sys.face, sys.highlight).disabledImage)));
        } else if (selected && checked) {
            p->drawPixmap(at, image);
        } else if (selected) {
            p->drawPixmap(at + QPoint(1, 1), oneColourImage(image, toQColor(liftedImageShadow(mc.selection))));
            p->drawPixmap(at - QPoint(1, 1), image);
        } else {
            p->drawPixmap(at, restingImage(image));
        }
    } else if (checked) {
        paintSquare();
        const int glyphBox = kImageHeight + 4;
        const QRect box(square.center().x() - glyphBox / 2, square.center().y() - glyphBox / 2, glyphBox, glyphBox);
        const bool bullet = opt->checkType == QStyleOptionMenuItem::Exclusive;
        paintCheckGlyph(p, box.adjusted(2, 2, -2, -2), bullet, opt->menuItemType == QStyleOptionMenuItem::DefaultItem,
                        textColour);
    }
    p->restore();
}

void paintMenuBarItem(const QStyleOptionMenuItem* opt, QPainter* p, const QWidget* w)
{
    const SystemColours sys = SystemColours::from(opt->palette);
    const MenuColours mc = coloursOf(opt->palette, true);
    const QRect r = opt->rect;
    const QRect inner = r.adjusted(0, 0, -kShadowWidth, 0); // R'
    const bool selected = opt->state & QStyle::State_Selected;
    const bool open = selected && (opt->state & QStyle::State_Sunken);

    p->save();
    p->fillRect(r, toQColor(mc.background));
    if (selected) {
        p->fillRect(inner, toQColor(open ? mc.iconColumn : mc.selection));
        outline(p, inner, toQColor(mc.frame));
    }
    if (open) {
        // The strip right of R' darkens the menu colour: 30/255 at R's right
        // edge, 60, 90, 120 inwards; rows 0-3 untouched, 4-7 fading in.
        for (int depth = 0; depth < kShadowWidth; ++depth) {
            const int x = r.right() - depth;
            if (x <= inner.right())
                break;
            for (int y = r.top(); y <= r.bottom(); ++y) {
                p->setPen(toQColor(darken(sys.menu, shadowDarkness(depth, y - r.top()))));
                p->drawPoint(x, y);
            }
        }
    }
    const bool enabled = opt->state & QStyle::State_Enabled;
    p->setPen(toQColor(enabled ? sys.menuText : sys.greyText));
    p->setFont(opt->font);
    p->drawText(inner, textFlags(w, opt) | Qt::AlignHCenter, opt->text);
    p->restore();
}

bool popupHasOwnShadow(const QWidget* menu)
{
    return menu && menu->property(kOwnShadowProperty).toBool();
}

namespace {

// Where the popup touches the open menu-bar item it came from, the part of
// its top frame under the item takes the menu colour so both look joined.
void joinWithMenuBar(QPainter* p, const QMenu* menu, const QRect& frame, const QColor& menuColour)
{
    QAction* own = menu->menuAction();
    if (!own)
        return;
    for (QObject* o : own->associatedObjects()) {
        auto* bar = qobject_cast<QMenuBar*>(o);
        if (!bar || bar->activeAction() != own)
            continue;
        QRect item = bar->actionGeometry(own).adjusted(0, 0, -kShadowWidth, 0);
        item.moveTopLeft(bar->mapToGlobal(item.topLeft()));
        const QRect popup(menu->mapToGlobal(QPoint(0, 0)), menu->size());
        if (item.bottom() + 1 < popup.top() || item.top() > popup.top())
            continue;
        const int left = std::max(item.left(), popup.left()) + 1;
        const int right = std::min(item.right(), popup.right()) - 1;
        if (right < left)
            continue;
        p->fillRect(QRect(left - popup.left(), frame.top(), right - left + 1, 2), menuColour);
    }
}

void paintOwnShadow(QPainter* p, const QWidget* menu, const QRect& rect, const QColor& menuColour)
{
    const QImage backdrop = menu->property(kBackdropProperty).value<QImage>();
    const int w = rect.width(), h = rect.height();
    auto under = [&](int x, int y) {
        if (!backdrop.isNull() && backdrop.valid(x, y))
            return toRgb(QColor(backdrop.pixel(x, y)));
        return toRgb(menuColour);
    };
    QImage shade(w, h, QImage::Format_ARGB32);
    shade.fill(Qt::transparent);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int fromRight = w - 1 - x, fromBottom = h - 1 - y;
            if (fromRight >= kShadowWidth && fromBottom >= kShadowWidth)
                continue;
            int d = 0;
            if (fromRight < kShadowWidth)
                d = shadowDarkness(fromRight, y);
            if (fromBottom < kShadowWidth) {
                const int b = shadowDarkness(fromBottom, x);
                // In the corner both strips meet: the lighter one wins, which
                // rounds the shadow off.
                d = fromRight < kShadowWidth ? std::min(d, b) : b;
            }
            shade.setPixel(x, y, toQColor(darken(under(x, y), d)).rgb());
        }
    }
    p->drawImage(rect.topLeft(), shade);
}

} // namespace

void paintPopupPanel(QPainter* p, const QWidget* menu, const QRect& rect)
{
    const QPalette& pal = menu ? menu->palette() : QApplication::palette();
    const SystemColours sys = SystemColours::from(pal);
    const MenuColours mc = coloursOf(pal, false);
    const bool shadow = popupHasOwnShadow(menu);
    const QRect frame = shadow ? rect.adjusted(0, 0, -kShadowWidth, -kShadowWidth) : rect;
    p->save();
    p->fillRect(frame, toQColor(mc.iconColumn));
    p->fillRect(frame.adjusted(kPopupFrameWidth, kPopupFrameWidth, -kPopupFrameWidth, -kPopupFrameWidth),
                toQColor(mc.background));
    outline(p, frame, toQColor(popupFrameOutline(sys.menu)));
    outline(p, frame.adjusted(1, 1, -1, -1), toQColor(mc.background));
    if (auto* m = qobject_cast<const QMenu*>(menu))
        joinWithMenuBar(p, m, frame, toQColor(sys.menu));
    if (shadow)
        paintOwnShadow(p, menu, rect, toQColor(sys.menu));
    p->restore();
}

} // namespace skin
