#include "SkinStyle.h"

#include "CStatusBarXP.h"
#include "CToolBarXP.h"
#include "MenuPainter.h"
#include "SkinColours.h"
#include "SkinPalette.h"

#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStyleFactory>
#include <QStyleOption>

#include <algorithm>

namespace skin {
namespace {

bool inSkinToolBar(const QWidget* w)
{
    return w && qobject_cast<const CToolBarXP*>(w->parentWidget());
}

bool isPopup(const QWidget* w)
{
    return qobject_cast<const QMenu*>(w) != nullptr;
}

} // namespace

void installSkin(QApplication& app)
{
    auto* style = new SkinStyle;
    app.setStyle(style); // the application takes ownership
    app.setPalette(style->standardPalette());
}

SkinStyle::SkinStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

QPalette SkinStyle::standardPalette() const
{
    return skinPalette();
}

void SkinStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    if (isPopup(widget)) {
        const bool own = !systemDrawsMenuShadows();
        widget->setProperty(kOwnShadowProperty, own);
        if (own) {
            widget->setContentsMargins(0, 0, kShadowWidth, kShadowWidth);
            widget->installEventFilter(this);
        }
    } else if (qobject_cast<QMenuBar*>(widget)) {
        widget->setAttribute(Qt::WA_Hover, true);
    }
}

void SkinStyle::unpolish(QWidget* widget)
{
    if (isPopup(widget) && widget->property(kOwnShadowProperty).toBool()) {
        widget->removeEventFilter(this);
        widget->setContentsMargins(0, 0, 0, 0);
        widget->setProperty(kOwnShadowProperty, QVariant());
        widget->setProperty(kBackdropProperty, QVariant());
    }
    QProxyStyle::unpolish(widget);
}

namespace {

// What lies under a popup that is about to show: the screen, with the
// program's own windows rendered over it. Rendering our windows rather than
// trusting the screen keeps a popup that is still closing (the one the menu
// bar is switching away from) out of the new popup's shadow.
QImage backdropUnder(const QWidget* popup)
{
    const QRect g = popup->geometry();
    QImage backdrop(g.size(), QImage::Format_RGB32);
    backdrop.fill(Qt::black);
    QPainter p(&backdrop);
    if (QScreen* screen = popup->screen()) {
        const QPoint origin = screen->geometry().topLeft();
        const QPixmap shot = screen->grabWindow(0, g.x() - origin.x(), g.y() - origin.y(), g.width(), g.height());
        if (!shot.isNull())
            p.drawPixmap(0, 0, shot);
    }
    // Plain windows first, dialogs over them, the active window last.
    QList<QWidget*> windows;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == popup || !w->isVisible() || w->isMinimized() || (w->windowType() == Qt::Popup) ||
            (w->windowType() == Qt::ToolTip) || !w->geometry().intersects(g))
            continue;
        windows.append(w);
    }
    std::stable_sort(windows.begin(), windows.end(), [](const QWidget* a, const QWidget* b) {
        auto rank = [](const QWidget* w) { return w->isActiveWindow() ? 2 : (w->windowType() == Qt::Dialog ? 1 : 0); };
        return rank(a) < rank(b);
    });
    for (QWidget* w : windows) {
        const QRect overlap = w->geometry() & g;
        const QRect source(overlap.topLeft() - w->geometry().topLeft(), overlap.size());
        w->render(&p, overlap.topLeft() - g.topLeft(), QRegion(source), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    return backdrop;
}

} // namespace

bool SkinStyle::eventFilter(QObject* watched, QEvent* event)
{
    auto* menu = qobject_cast<QMenu*>(watched);
    if (menu && event->type() == QEvent::Show) {
        // Taken before the popup covers the screen: the own shadow is this
        // backdrop darkened.
        menu->setProperty(kBackdropProperty, backdropUnder(menu));
    } else if (menu && event->type() == QEvent::Hide) {
        menu->setProperty(kBackdropProperty, QVariant());
    }
    return QProxyStyle::eventFilter(watched, event);
}

void SkinStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const
{
    switch (element) {
    case PE_PanelMenu:
    case PE_FrameMenu:
        if (isPopup(widget)) {
            paintPopupPanel(painter, widget, widget->rect());
            return;
        }
        break;
    case PE_PanelMenuBar: {
        painter->fillRect(option->rect, toQColor(SystemColours::from(option->palette).menu));
        return;
    }
    case PE_FrameStatusBarItem:
        if (widget && qobject_cast<const CStatusBarXP*>(widget->parentWidget()))
            return; // the bar outlines its panes itself
        break;
    case PE_IndicatorToolBarSeparator:
        if (widget && qobject_cast<const CToolBarXP*>(widget->parentWidget())) {
            const SystemColours sys = SystemColours::from(option->palette);
            painter->save();
            painter->setPen(QPen(toQColor(toolBarColours(sys.face, sys.highlight).separator), 1));
            const QRect r = option->rect;
            if (option->state & State_Horizontal) {
                const int x = r.left() + r.width() / 2;
                painter->drawLine(x, r.top() + 2, x, r.bottom() - 2);
            } else {
                const int y = r.top() + r.height() / 2;
                painter->drawLine(r.left() + 2, y, r.right() - 2, y);
            }
            painter->restore();
            return;
        }
        break;
    default:
        break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void SkinStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const
{
    switch (element) {
    case CE_MenuItem:
        if (auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            paintPopupItem(mi, painter, widget);
            return;
        }
        break;
    case CE_MenuEmptyArea:
        if (isPopup(widget)) {
            paintPopupPanel(painter, widget, widget->rect());
            return;
        }
        break;
    case CE_MenuBarItem:
        if (auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            paintMenuBarItem(mi, painter, widget);
            return;
        }
        break;
    case CE_MenuBarEmptyArea:
        painter->fillRect(option->rect, toQColor(SystemColours::from(option->palette).menu));
        return;
    case CE_ToolBar:
        if (qobject_cast<const CToolBarXP*>(widget)) {
            const SystemColours sys = SystemColours::from(option->palette);
            painter->fillRect(option->rect, toQColor(toolBarColours(sys.face, sys.highlight).background));
            return;
        }
        break;
    default:
        break;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void SkinStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                   const QWidget* widget) const
{
    if (control == CC_ToolButton && inSkinToolBar(widget)) {
        if (auto* tb = qstyleoption_cast<const QStyleOptionToolButton*>(option)) {
            CToolBarXP::paintButton(tb, painter, widget);
            return;
        }
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

QSize SkinStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                                  const QWidget* widget) const
{
    switch (type) {
    case CT_MenuItem:
        if (auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(option))
            return popupItemSize(mi, contents);
        break;
    case CT_MenuBarItem:
        if (auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(option))
            return menuBarItemSize(mi, contents);
        break;
    case CT_ToolButton:
        if (inSkinToolBar(widget)) {
            if (auto* tb = qstyleoption_cast<const QStyleOptionToolButton*>(option)) {
                if (tb->toolButtonStyle == Qt::ToolButtonIconOnly)
                    return CToolBarXP::buttonSize(tb->iconSize);
            }
        }
        break;
    default:
        break;
    }
    return QProxyStyle::sizeFromContents(type, option, contents, widget);
}

int SkinStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_MenuPanelWidth:
        return kPopupFrameWidth;
    case PM_MenuHMargin:
    case PM_MenuVMargin:
    case PM_MenuBarPanelWidth:
    case PM_MenuBarItemSpacing:
    case PM_MenuBarHMargin:
    case PM_MenuBarVMargin:
        return 0;
    case PM_SubMenuOverlap:
        return -kPopupFrameWidth;
    case PM_ToolBarItemSpacing:
        if (qobject_cast<const CToolBarXP*>(widget))
            return 0;
        break;
    case PM_ToolBarItemMargin:
    case PM_ToolBarFrameWidth:
        if (qobject_cast<const CToolBarXP*>(widget))
            return 0;
        break;
    default:
        break;
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

int SkinStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returnData) const
{
    switch (hint) {
    case SH_Menu_AllowActiveAndDisabled: // a greyed item may show as selected
    case SH_MenuBar_MouseTracking:
    case SH_Menu_MouseTracking:
        return 1;
    case SH_Menu_SupportsSections:
        return 0;
    default:
        break;
    }
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

} // namespace skin
