#include "CMainFrame.h"

#include "CTrawlerView.h"

#include "capturegui/PacketTally.h"

#include "skin/CStatusBarXP.h"
#include "skin/CToolBarXP.h"
#include "skin/MenuTitle.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>
#include <vector>

// The images are compiled into the program's static library; this keeps
// their registration from being dropped by the linker.
static void initImages()
{
    Q_INIT_RESOURCE(trawler);
}

namespace {
constexpr int kFirstBitmap = 130;

enum Bitmap { kLeft = 130, kBottom, kRight, kBand, kClose, kRestore, kMax, kMin, kCloseHot, kRestoreHot, kMaxHot,
              kMinHot };

// Texts of the command table, through the translation system (context
// "CommandTable"); the table itself keeps the source texts.
QString menuText(const char* utf8)
{
    return *utf8 ? QCoreApplication::translate("CommandTable", utf8) : QString();
}

Qt::Edges edgesOf(CMainFrame::HitArea area)
{
    using H = CMainFrame::HitArea;
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
// The caption icon's menu: the window commands a user expects, under the
// program's title band. Maximise stays greyed: the frame cannot be
// maximised, as its caption button shows.
void showSystemMenu(CMainFrame* frame, const QPoint& at, const std::function<void(CMainFrame::HitArea)>& beginDrag)
{
    auto* menu = frame->findChild<QMenu*>(QStringLiteral("systemMenu"), Qt::FindDirectChildrenOnly);
    if (!menu) {
        menu = new QMenu(frame);
        menu->setObjectName(QStringLiteral("systemMenu"));
        QAction* restore = menu->addAction(CMainFrame::tr("还原(&R)"), frame, &QWidget::showNormal);
        restore->setObjectName(QStringLiteral("restore"));
        QAction* move = menu->addAction(CMainFrame::tr("移动(&M)"));
        move->setObjectName(QStringLiteral("move"));
        QAction* size = menu->addAction(CMainFrame::tr("大小(&S)"));
        size->setObjectName(QStringLiteral("size"));
        menu->addAction(CMainFrame::tr("最小化(&N)"), frame, &QWidget::showMinimized)
            ->setObjectName(QStringLiteral("minimize"));
        QAction* maximize = menu->addAction(CMainFrame::tr("最大化(&X)"));
        maximize->setObjectName(QStringLiteral("maximize"));
        maximize->setEnabled(false);
        menu->addSeparator();
        QAction* close = menu->addAction(CMainFrame::tr("关闭(&C)"), frame, &QWidget::close);
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
    QObject::connect(move, &QAction::triggered, frame, [beginDrag] { beginDrag(CMainFrame::HitArea::Caption); });
    QObject::connect(size, &QAction::triggered, frame, [beginDrag] { beginDrag(CMainFrame::HitArea::BottomRight); });
    menu->popup(at);
}

} // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    initImages();
    // No system caption, buttons or menu: the frame paints its own.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setContentsMargins(kBorderX, kCaptionHeight, kBorderX, kBorderY);
    setMouseTracking(true);
    setAcceptDrops(true);
    for (int i = 0; i < int(m_bitmaps.size()); ++i)
        m_bitmaps[i] = QPixmap(QStringLiteral(":/caption/%1.png").arg(kFirstBitmap + i));
    m_icon = QPixmap(QStringLiteral(":/trawler-16.png"));
    layoutCaption();
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::create(CTrawlerView* view, const CommandTargets& targets)
{
    m_targets = targets;
    m_view = view;
    if (!createMenus() || !createToolBar() || !createStatusBar())
        return false;
    setCentralWidget(view);
    view->setCommandRouter(this);
    watchView();
    move(100, 10);
    resize(600, 530);
    return true;
}

bool CMainFrame::createMenus()
{
    QMenuBar* bar = menuBar();
    for (const char* title : kMenuTitles) {
        QMenu* menu = bar->addMenu(menuText(title));
        for (const CommandInfo& command : kCommands) {
            if (!command.menu || qstrcmp(command.menu, title) != 0)
                continue;
            QAction* action = menu->addAction(menuText(command.text));
            action->setData(command.id);
            action->setStatusTip(menuText(command.prompt));
            if (*command.tip)
                action->setToolTip(menuText(command.tip));
            const int id = command.id;
            connect(action, &QAction::triggered, this, [this, id] { routeCommand(id); });
            m_actions.insert(id, action);
        }
    }
    // Commands reached only by their keys.
    for (const CommandInfo& command : kCommands) {
        if (command.menu || !*command.shortcut)
            continue;
        auto* action = new QAction(menuText(command.text), this);
        action->setData(command.id);
        action->setShortcut(QKeySequence(QString::fromLatin1(command.shortcut)));
        const int id = command.id;
        connect(action, &QAction::triggered, this, [this, id] { routeCommand(id); });
        addAction(action);
        m_actions.insert(id, action);
    }
    return !bar->actions().isEmpty();
}

bool CMainFrame::createToolBar()
{
    const QPixmap strip(QStringLiteral(":/toolbar.png"));
    if (strip.isNull())
        return false;
    m_wndToolBar = new CToolBarXP(this);
    m_wndToolBar->setObjectName(QStringLiteral("toolbar128"));
    m_wndToolBar->setWindowTitle(QStringLiteral("Trawler"));
    m_wndToolBar->setIconSize(QSize(16, 16));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);

    std::vector<const CommandInfo*> buttons;
    for (const CommandInfo& command : kCommands)
        if (command.toolbarPos >= 0)
            buttons.push_back(&command);
    std::sort(buttons.begin(), buttons.end(),
              [](const CommandInfo* a, const CommandInfo* b) { return a->toolbarPos < b->toolbarPos; });
    for (const CommandInfo* command : buttons) {
        QAction* action = m_actions.value(command->id);
        if (!action)
            return false;
        // The same image marks the command's menu item.
        action->setIcon(QIcon(strip.copy(command->toolbarPos * 16, 0, 16, 16)));
        m_wndToolBar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    return true;
}

bool CMainFrame::routeCommand(int id)
{
    const CommandInfo* command = findCommand(id);
    if (!command)
        return false;
    command->handler(m_targets);
    return true;
}

QString CMainFrame::commandText(int id) const
{
    const CommandInfo* command = findCommand(id);
    return command ? menuText(command->text) : QString();
}

void CMainFrame::OnAppExit()
{
    close();
}

// ---- caption ----

void CMainFrame::layoutCaption()
{
    const int w = width();
    m_rcIcon = QRect(kBorderX, kBorderY, kButtonWidth, kButtonHeight);
    m_rcClose = QRect(w - kBorderX - kButtonWidth, kBorderY, kButtonWidth, kButtonHeight);
    m_rcMaximize = m_rcClose.translated(-(kButtonWidth + kButtonGap), 0);
    m_rcMinimize = m_rcMaximize.translated(-(kButtonWidth + kButtonGap), 0);
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    layoutCaption();
    QMainWindow::resizeEvent(event);
}

void CMainFrame::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange || event->type() == QEvent::WindowTitleChange ||
        event->type() == QEvent::ActivationChange)
        update();
    QMainWindow::changeEvent(event);
}

void CMainFrame::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const auto bitmap = [this](int id) -> const QPixmap& { return m_bitmaps[id - kFirstBitmap]; };
    const int w = width();
    const int h = height();
    const int cx = kBorderX;
    const int cy = kBorderY;

    p.drawPixmap(QRect(0, 0, cx + 1, h), bitmap(kLeft));
    p.drawPixmap(QRect(0, h - cy - 1, w, cy + 1), bitmap(kBottom));
    p.drawPixmap(QRect(w - cx - 1, 0, cx + 1, h), bitmap(kRight));
    p.drawPixmap(QRect(0, 0, w, kCaptionButtonHeight + cy), bitmap(kBand));
    p.drawPixmap(m_rcIcon, m_icon);

    const bool maximized = isMaximized();
    p.drawPixmap(m_rcClose, bitmap(m_hover == HitArea::Close ? kCloseHot : kClose));
    const int maxImage = m_hover == HitArea::Maximize ? (maximized ? kRestoreHot : kMaxHot)
                                                      : (maximized ? kRestore : kMax);
    p.drawPixmap(m_rcMaximize, bitmap(maxImage));
    p.drawPixmap(m_rcMinimize, bitmap(m_hover == HitArea::Minimize ? kMinHot : kMin));

    // Caption text: an engraved look, shadow first, then the highlight.
    const QRect textRect(QPoint(cx + 19, cy), QPoint(w - cx, cy + 30));
    p.setFont(QFontDatabase::systemFont(QFontDatabase::TitleFont));
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    p.setPen(palette().color(QPalette::Dark));
    p.drawText(textRect.translated(3, 3), flags, windowTitle());
    p.setPen(palette().color(QPalette::Light));
    p.drawText(textRect, flags, windowTitle());
}

CMainFrame::HitArea CMainFrame::hitTest(const QPoint& pos) const
{
    if (m_rcClose.contains(pos))
        return HitArea::Close;
    if (m_rcMaximize.contains(pos))
        return HitArea::Maximize;
    if (m_rcMinimize.contains(pos))
        return HitArea::Minimize;
    if (!rect().contains(pos))
        return HitArea::Client;
    if (!isMaximized() && !isFullScreen()) {
        const bool left = pos.x() < kBorderX;
        const bool right = pos.x() >= width() - kBorderX;
        const bool top = pos.y() < kBorderY;
        const bool bottom = pos.y() >= height() - kBorderY;
        const bool nearLeft = pos.x() < kCornerSize;
        const bool nearRight = pos.x() >= width() - kCornerSize;
        const bool nearTop = pos.y() < kCornerSize;
        const bool nearBottom = pos.y() >= height() - kCornerSize;
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

void CMainFrame::mousePressEvent(QMouseEvent* event)
{
    // A move or size begun from the system menu ends with the next click.
    if (m_dragArea != HitArea::Client && mouseGrabber() == this) {
        releaseMouse();
        m_dragArea = HitArea::Client;
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QMainWindow::mousePressEvent(event);
        return;
    }
    const HitArea area = hitTest(event->position().toPoint());
    switch (area) {
    case HitArea::Close:
        close();
        return;
    case HitArea::Minimize:
        showMinimized();
        return;
    case HitArea::Maximize:
        // The frame has no maximise style: the button does nothing.
        return;
    case HitArea::Client:
        QMainWindow::mousePressEvent(event);
        return;
    case HitArea::Icon: {
        // Move and Size follow the pointer until the next click, as they do
        // from the keyboard; the pointer starts where a drag would.
        const auto beginDrag = [this](HitArea area) {
            const QPoint anchor = area == HitArea::Caption ? QPoint(width() / 2, kCaptionHeight / 2)
                                                           : QPoint(width() - 1, height() - 1);
            QCursor::setPos(mapToGlobal(anchor));
            m_dragArea = area;
            m_dragStart = mapToGlobal(anchor);
            m_geometryAtPress = geometry();
            grabMouse();
        };
        showSystemMenu(this, mapToGlobal(m_rcIcon.bottomLeft() + QPoint(0, 1)), beginDrag);
        return;
    }
    default:
        break;
    }
    // Caption and edges: the window system moves or resizes where it can;
    // otherwise the frame follows the pointer itself.
    QWindow* window = windowHandle();
    const Qt::Edges edges = edgesOf(area);
    const bool systemDone = window && (edges ? window->startSystemResize(edges) : window->startSystemMove());
    if (systemDone)
        return;
    m_dragArea = area;
    m_dragStart = event->globalPosition().toPoint();
    m_geometryAtPress = geometry();
}

void CMainFrame::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragArea != HitArea::Client) {
        const QPoint delta = event->globalPosition().toPoint() - m_dragStart;
        if (m_dragArea == HitArea::Caption || m_dragArea == HitArea::Icon) {
            move(m_geometryAtPress.topLeft() + delta);
            return;
        }
        QRect g = m_geometryAtPress;
        const Qt::Edges edges = edgesOf(m_dragArea);
        const QSize least = minimumSizeHint().expandedTo(minimumSize());
        if (edges & Qt::LeftEdge)
            g.setLeft(std::min(g.left() + delta.x(), g.right() + 1 - least.width()));
        if (edges & Qt::RightEdge)
            g.setRight(std::max(g.right() + delta.x(), g.left() - 1 + least.width()));
        if (edges & Qt::TopEdge)
            g.setTop(std::min(g.top() + delta.y(), g.bottom() + 1 - least.height()));
        if (edges & Qt::BottomEdge)
            g.setBottom(std::max(g.bottom() + delta.y(), g.top() - 1 + least.height()));
        setGeometry(g);
        return;
    }
    const HitArea area = hitTest(event->position().toPoint());
    const bool onButton = area == HitArea::Close || area == HitArea::Maximize || area == HitArea::Minimize;
    setHover(onButton ? area : HitArea::Client);
    updateCursor(area);
    QMainWindow::mouseMoveEvent(event);
}

void CMainFrame::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragArea = HitArea::Client;
    QMainWindow::mouseReleaseEvent(event);
}

void CMainFrame::leaveEvent(QEvent* event)
{
    setHover(HitArea::Client);
    unsetCursor();
    QMainWindow::leaveEvent(event);
}

void CMainFrame::setHover(HitArea hover)
{
    if (m_hover == hover)
        return;
    m_hover = hover;
    update(m_rcMinimize.united(m_rcClose));
}

void CMainFrame::updateCursor(HitArea area)
{
    switch (area) {
    case HitArea::Left:
    case HitArea::Right: setCursor(Qt::SizeHorCursor); break;
    case HitArea::Top:
    case HitArea::Bottom: setCursor(Qt::SizeVerCursor); break;
    case HitArea::TopLeft:
    case HitArea::BottomRight: setCursor(Qt::SizeFDiagCursor); break;
    case HitArea::TopRight:
    case HitArea::BottomLeft: setCursor(Qt::SizeBDiagCursor); break;
    default: unsetCursor(); break;
    }
}

// ---- dropped files ----

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile() || !m_onDrop)
        return;
    event->acceptProposedAction();
    m_onDrop(urls.first().toLocalFile());
}
