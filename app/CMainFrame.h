#pragma once
// The main window: menu bar, toolbar and status bar built from the command
// table, and a caption and border that the window paints itself.
#include <QMainWindow>
#include <QMap>
#include <QRect>

#include <functional>
#include <memory>

#include "CommandRouter.h"
#include "CommandTable.h"

#include "skin/CaptionFrame.h"

class CStatusBarXP;
class CToolBarXP;
class CTrawlerView;
class PacketTally;
class QAction;
class QLabel;
class QTimer;
class QToolButton;

class CMainFrame : public QMainWindow, public CommandRouter {
    Q_OBJECT
public:
    using HitArea = CaptionFrame::HitArea;

    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Builds menus, toolbar and status bar and takes the view as the
    // central widget, routing its commands; false when any of them cannot
    // be made.
    bool create(CTrawlerView* view, const CommandTargets& targets);

    CTrawlerView* view() const { return m_view; }
    CToolBarXP* toolBar() const { return m_wndToolBar; }
    CStatusBarXP* statusBarXP() const { return m_wndStatusBar; }
    QLabel* messagePane() const { return m_paneMessage; }
    // Status panes: the report's row count, the database chosen for
    // analysis, the save directory; the button that stops a report at work.
    QLabel* rowsPane() const { return m_paneRows; }
    QLabel* databasePane() const { return m_paneDatabase; }
    QLabel* saveDirPane() const { return m_paneSaveDir; }
    QToolButton* stopButton() const { return m_btnStop; }
    // Cancels the running parses; shown while any runs.
    QToolButton* cancelParseButton() const { return m_btnCancelParse; }
    QAction* action(int id) const { return m_actions.value(id); }

    bool routeCommand(int id) override;
    QString commandText(int id) const override;

    // The painted caption (skin/CaptionFrame.h).
    HitArea hitTest(const QPoint& pos) const { return m_caption->hitTest(pos); }
    QRect closeRect() const { return m_caption->closeRect(); }
    QRect maximizeRect() const { return m_caption->maximizeRect(); }
    QRect minimizeRect() const { return m_caption->minimizeRect(); }
    QRect iconRect() const { return m_caption->iconRect(); }
    HitArea hoveredButton() const { return m_caption->hoveredButton(); }

    void OnAppExit();

    // Parse progress in the message pane: one entry per running parse; an
    // empty file name keeps the one given before.
    void showParseProgress(int runId, const QString& captureFile, int percent);
    void showParseWaiting(int runId, bool waiting);
    void endParseProgress(int runId);

    // Called with a file dropped on the window.
    void setFileDropHandler(std::function<void(const QString&)> handler) { m_onDrop = std::move(handler); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool createMenus();
    bool createToolBar();
    bool createStatusBar();
    void updateMessagePane();
    void watchView();
    void showRowCount(qlonglong rows);
    void showDatabase(const QString& path);
    void showSaveDir(const QString& dir);
    void showCapturing(bool capturing);
    void updateCaptureCount();

    CommandTargets m_targets;
    CTrawlerView* m_view = nullptr;
    CToolBarXP* m_wndToolBar = nullptr;
    CStatusBarXP* m_wndStatusBar = nullptr;
    QLabel* m_paneMessage = nullptr;
    QLabel* m_paneRows = nullptr;
    QLabel* m_paneDatabase = nullptr;
    QLabel* m_paneSaveDir = nullptr;
    QLabel* m_paneCapture = nullptr;
    QToolButton* m_btnStop = nullptr;
    QToolButton* m_btnCancelParse = nullptr;
    bool m_closeWhenParsed = false;   // the operator chose to wait for the parses, then leave
    QTimer* m_captureTimer = nullptr;
    std::unique_ptr<PacketTally> m_tally;
    QString m_lastCapture;   // "file: N packets" after a capture ended
    QMap<int, QAction*> m_actions;

    std::unique_ptr<CaptionFrame> m_caption;

    struct ParseEntry {
        QString file;
        int percent = 0;
        bool waiting = false;   // for another writer of the database
    };
    QMap<int, ParseEntry> m_parses;
    std::function<void(const QString&)> m_onDrop;
};
