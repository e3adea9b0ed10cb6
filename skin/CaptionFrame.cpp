#include "CaptionFrame.h"

#include "MenuTitle.h"

#include <QAction>
#include <QCursor>
#include <QFontDatabase>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {
constexpr int kFirstBitmap = 130;

enum Bitmap { kLeft = 130, kBottom, kRight, kBand, kClose, kRestore, kMax, kMin, kCloseHot, kRestoreHot, kMaxHot,
              kMinHot };

Qt::Edges edgesOf(CaptionFrame::HitArea area)
{
    using H = CaptionFrame::HitArea;
    switch (area) {
    case H::Left: return Qt::LeftEdge;
    case H::Right: return Qt::RightEdge;
    case H::Top: return Qt::TopEdge;
    case H::Bottom: return Qt::BottomEdge;
    case H::TopLeft: return Qt::TopEdge | Qt::LeftEdge;
    case H::TopRight: return Qt::TopEdge | Qt::RightEdge;
    case H::BottomLeft: return Qt::BottomEdge | Qt::LeftEdge;
    case H::BottomRight: return Qt::BottomEdge | Qt::RightEdge;
    default: return {};
    }
}

} // namespace

CaptionFrame::CaptionFrame(QWidget& window) : m_window(window)
{
    for (int i = 0; i < int(m_bitmaps.size()); ++i)
        m_bitmaps[i] = QPixmap(QStringLiteral(":/caption/%1.png").arg(kFirstBitmap + i));
    m_icon = QPixmap(QStringLiteral(":/trawler-16.png"));
    layout();
}

void CaptionFrame::layout()
{
    const int w = m_window.width();
    m_rcIcon = QRect(kBorderX, kBorderY, kButtonWidth, kButtonHeight);
    m_rcClose = QRect(w - kBorderX - kButtonWidth, kBorderY, kButtonWidth, kButtonHeight);
    m_rcMaximize = m_rcClose.translated(-(kButtonWidth + kButtonGap), 0);
    m_rcMinimize = m_rcMaximize.translated(-(kButtonWidth + kButtonGap), 0);
}

void CaptionFrame::paint(QPainter& p) const
{
    const auto bitmap = [this](int id) -> const QPixmap& { return m_bitmaps[id - kFirstBitmap]; };
    const int w = m_window.width();
    const int h = m_window.height();
    const int cx = kBorderX;
    const int cy = kBorderY;

    p.drawPixmap(QRect(0, 0, cx + 1, h), bitmap(kLeft));
    p.drawPixmap(QRect(0, h - cy - 1, w, cy + 1), bitmap(kBottom));
    p.drawPixmap(QRect(w - cx - 1, 0, cx + 1, h), bitmap(kRight));
    p.drawPixmap(QRect(0, 0, w, kCaptionButtonHeight + cy), bitmap(kBand));
    p.drawPixmap(m_rcIcon, m_icon);

    const bool maximized = m_window.isMaximized();
    p.drawPixmap(m_rcClose, bitmap(m_hover == HitArea::Close ? kCloseHot : kClose));
    const int maxImage = m_hover == HitArea::Maximize ? (maximized ? kRestoreHot : kMaxHot)
                                                      : (maximized ? kRestore : kMax);
    p.drawPixmap(m_rcMaximize, bitmap(maxImage));
    p.drawPixmap(m_rcMinimize, bitmap(m_hover == HitArea::Minimize ? kMinHot : kMin));

    // Caption text: an engraved look, shadow first, then the highlight.
    const QRect textRect(QPoint(cx + 19, cy), QPoint(w - cx, cy + 30));
    p.setFont(QFontDatabase::systemFont(QFontDatabase::TitleFont));
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    const QString title = m_window.windowTitle();
    p.setPen(m_window.palette().color(QPalette::Dark));
    p.drawText(textRect.translated(3, 3), flags, title);
    p.setPen(m_window.palette().color(QPalette::Light));
    p.drawText(textRect, flags, title);
}

CaptionFrame::HitArea CaptionFrame::hitTest(const QPoint& pos) const
{
    if (m_rcClose.contains(pos))
        return HitArea::Close;
    if (m_rcMaximize.contains(pos))
        return HitArea::Maximize;
    if (m_rcMinimize.contains(pos))
        return HitArea::Minimize;
    if (!m_window.rect().contains(pos))
        return HitArea::Client;
    if (!m_window.isMaximized() && !m_window.isFullScreen()) {
        const int width = m_window.width();
        const int height = m_window.height();
        const bool left = pos.x() < kBorderX;
        const bool right = pos.x() >= width - kBorderX;
        const bool top = pos.y() < kBorderY;
        const bool bottom = pos.y() >= height - kBorderY;
        const bool nearLeft = pos.x() < kCornerSize;
        const bool nearRight = pos.x() >= width - kCornerSize;
        const bool nearTop = pos.y() < kCornerSize;
        const bool nearBottom = pos.y() >= height - kCornerSize;
        if ((top && nearLeft) || (left && nearTop))
            return HitArea::TopLeft;
        if ((top && nearRight) || (right && nearTop))
            return HitArea::TopRight;
        if ((bottom && nearLeft) || (left && nearBottom))
            return HitArea::BottomLeft;
        if ((bottom && nearRight) || (right && nearBottom))
            return HitArea::BottomRight;
        if (left)
            return HitArea::Left;
        if (right)
            return HitArea::Right;
        if (top)
            return HitArea::Top;
        if (bottom)
            return HitArea::Bottom;
    }
    if (m_rcIcon.contains(pos))
        return HitArea::Icon;
    if (pos.y() < kCaptionHeight)
        return HitArea::Caption;
    return HitArea::Client;
}

bool CaptionFrame::mousePress(QMouseEvent* event)
{
    // A move or size begun from the window menu ends with the next click.
    if (m_dragArea != HitArea::Client && QWidget::mouseGrabber() == &m_window) {
        m_window.releaseMouse();
        m_dragArea = HitArea::Client;
        return true;
    }
    if (event->button() != Qt::LeftButton)
        return false;
    const HitArea area = hitTest(event->position().toPoint());
    switch (area) {
    case HitArea::Close:
        m_window.close();
        return true;
    case HitArea::Minimize:
        m_window.showMinimized();
        return true;
    case HitArea::Maximize:
        // The frame has no maximise style: the button does nothing.
        return true;
    case HitArea::Client:
        return false;
    case HitArea::Icon:
        showWindowMenu(m_window.mapToGlobal(m_rcIcon.bottomLeft() + QPoint(0, 1)));
        return true;
    default:
        break;
    }
    // Caption and edges: the window system moves or resizes where it can;
    // otherwise the frame follows the pointer itself.
    QWindow* window = m_window.windowHandle();
    const Qt::Edges edges = edgesOf(area);
    const bool systemDone = window && (edges ? window->startSystemResize(edges) : window->startSystemMove());
    if (systemDone)
        return true;
    m_dragArea = area;
    m_dragStart = event->globalPosition().toPoint();
    m_geometryAtPress = m_window.geometry();
    return true;
}

bool CaptionFrame::mouseMove(QMouseEvent* event)
{
    if (m_dragArea != HitArea::Client) {
        const QPoint delta = event->globalPosition().toPoint() - m_dragStart;
        if (m_dragArea == HitArea::Caption || m_dragArea == HitArea::Icon) {
            m_window.move(m_geometryAtPress.topLeft() + delta);
            return true;
        }
        QRect g = m_geometryAtPress;
        const Qt::Edges edges = edgesOf(m_dragArea);
        const QSize least = m_window.minimumSizeHint().expandedTo(m_window.minimumSize());
        if (edges & Qt::LeftEdge)
            g.setLeft(std::min(g.left() + delta.x(), g.right() + 1 - least.width()));
        if (edges & Qt::RightEdge)
            g.setRight(std::max(g.right() + delta.x(), g.left() - 1 + least.width()));
        if (edges & Qt::TopEdge)
            g.setTop(std::min(g.top() + delta.y(), g.bottom() + 1 - least.height()));
        if (edges & Qt::BottomEdge)
            g.setBottom(std::max(g.bottom() + delta.y(), g.top() - 1 + least.height()));
        m_window.setGeometry(g);
        return true;
    }
    const HitArea area = hitTest(event->position().toPoint());
    const bool onButton = area == HitArea::Close || area == HitArea::Maximize || area == HitArea::Minimize;
    setHover(onButton ? area : HitArea::Client);
    updateCursor(area);
    return false;
}

void CaptionFrame::mouseRelease()
{
    m_dragArea = HitArea::Client;
}

void CaptionFrame::leave()
{
    setHover(HitArea::Client);
    m_window.unsetCursor();
}

void CaptionFrame::setHover(HitArea hover)
{
    if (m_hover == hover)
        return;
    m_hover = hover;
    m_window.update(m_rcMinimize.united(m_rcClose));
}

void CaptionFrame::updateCursor(HitArea area)
{
    switch (area) {
    case HitArea::Left:
    case HitArea::Right: m_window.setCursor(Qt::SizeHorCursor); break;
    case HitArea::Top:
    case HitArea::Bottom: m_window.setCursor(Qt::SizeVerCursor); break;
    case HitArea::TopLeft:
    case HitArea::BottomRight: m_window.setCursor(Qt::SizeFDiagCursor); break;
    case HitArea::TopRight:
    case HitArea::BottomLeft: m_window.setCursor(Qt::SizeBDiagCursor); break;
    default: m_window.unsetCursor(); break;
    }
}

// Move and Size follow the pointer until the next click, as they do from the
// keyboard; the pointer starts where a drag would.
void CaptionFrame::beginDrag(HitArea area)
{
    const QPoint anchor = area == HitArea::Caption ? QPoint(m_window.width() / 2, kCaptionHeight / 2)
                                                   : QPoint(m_window.width() - 1, m_window.height() - 1);
    QCursor::setPos(m_window.mapToGlobal(anchor));
    m_dragArea = area;
    m_dragStart = m_window.mapToGlobal(anchor);
    m_geometryAtPress = m_window.geometry();
    m_window.grabMouse();
}

// The caption icon's menu: the window commands a user expects, under the
// program's title band. Maximise stays greyed: the frame cannot be
// maximised, as its caption button shows.
void CaptionFrame::showWindowMenu(const QPoint& at)
{
    QWidget* frame = &m_window;
    auto* menu = frame->findChild<QMenu*>(QStringLiteral("systemMenu"), Qt::FindDirectChildrenOnly);
    if (!menu) {
        menu = new QMenu(frame);
        menu->setObjectName(QStringLiteral("systemMenu"));
        QAction* restore = menu->addAction(tr("还原(&R)"), frame, &QWidget::showNormal);
        restore->setObjectName(QStringLiteral("restore"));
        QAction* move = menu->addAction(tr("移动(&M)"));
        move->setObjectName(QStringLiteral("move"));
        QAction* size = menu->addAction(tr("大小(&S)"));
        size->setObjectName(QStringLiteral("size"));
        menu->addAction(tr("最小化(&N)"), frame, &QWidget::showMinimized)->setObjectName(QStringLiteral("minimize"));
        QAction* maximize = menu->addAction(tr("最大化(&X)"));
        maximize->setObjectName(QStringLiteral("maximize"));
        maximize->setEnabled(false);
        menu->addSeparator();
        QAction* close = menu->addAction(tr("关闭(&C)"), frame, &QWidget::close);
        close->setObjectName(QStringLiteral("close"));
        close->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
        close->setShortcutVisibleInContextMenu(true);
        skin::addMenuTitle(menu, QStringLiteral("拖网渔船"));
        QObject::connect(menu, &QMenu::aboutToShow, frame, [frame, restore, move, size] {
            const bool normal = !frame->isMinimized() && !frame->isMaximized();
            restore->setEnabled(!normal);
            move->setEnabled(normal);
            size->setEnabled(normal);
        });
    }
    QAction* move = menu->findChild<QAction*>(QStringLiteral("move"));
    QAction* size = menu->findChild<QAction*>(QStringLiteral("size"));
    // The drag starts only for this opening's choice.
    QObject::disconnect(move, &QAction::triggered, nullptr, nullptr);
    QObject::disconnect(size, &QAction::triggered, nullptr, nullptr);
    QObject::connect(move, &QAction::triggered, frame, [this] { beginDrag(HitArea::Caption); });
    QObject::connect(size, &QAction::triggered, frame, [this] { beginDrag(HitArea::BottomRight); });
    menu->popup(at);
}
