#include "CMainFrame.h"

#include "CTrawlerView.h"

#include "capturegui/PacketTally.h"

#include "skin/CToolBarXP.h"

#include <QAction>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <vector>

// The images are compiled into the program's static library; this keeps
// their registration from being dropped by the linker.
static void initImages()
{
    Q_INIT_RESOURCE(trawler);
}

namespace {

// Texts of the command table, through the translation system (context
// "CommandTable"); the table itself keeps the source texts.
QString menuText(const char* utf8)
{
    return *utf8 ? QCoreApplication::translate("CommandTable", utf8) : QString();
}

} // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    initImages();
    // No system caption, buttons or menu: the frame paints its own.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setContentsMargins(CaptionFrame::kBorderX, CaptionFrame::kCaptionHeight, CaptionFrame::kBorderX,
                       CaptionFrame::kBorderY);
    setMouseTracking(true);
    setAcceptDrops(true);
    m_caption = std::make_unique<CaptionFrame>(*this);
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

// ---- caption: painted and handled by the skin ----

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    m_caption->layout();
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
    m_caption->paint(p);
}

void CMainFrame::mousePressEvent(QMouseEvent* event)
{
    if (!m_caption->mousePress(event))
        QMainWindow::mousePressEvent(event);
}

void CMainFrame::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_caption->mouseMove(event))
        QMainWindow::mouseMoveEvent(event);
}

void CMainFrame::mouseReleaseEvent(QMouseEvent* event)
{
    m_caption->mouseRelease();
    QMainWindow::mouseReleaseEvent(event);
}

void CMainFrame::leaveEvent(QEvent* event)
{
    m_caption->leave();
    QMainWindow::leaveEvent(event);
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
