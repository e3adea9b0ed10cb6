#pragma once
// The main window: menu bar, toolbar and status bar built from the command
// table, and a caption and border that the window paints itself.
#include <QMainWindow>
#include <QMap>
#include <QPixmap>
#include <QRect>

#include <array>
#include <functional>
#include <memory>

#include "CommandRouter.h"
#include "CommandTable.h"

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
    // Frame metrics: border width and height, and the caption buttons' height.
    static constexpr int kBorderX = 4;
    static constexpr int kBorderY = 4;
    static constexpr int kCaptionButtonHeight = 19;
    static constexpr int kCaptionHeight = kCaptionButtonHeight + kBorderY;
    static constexpr int kButtonWidth = 16;
    static constexpr int kButtonHeight = 15;
    static constexpr int kButtonGap = 3;
    // Resize handles at the corners reach this far along each edge.
    static constexpr int kCornerSize = 12;

    enum class HitArea { Client, Caption, Icon, Close, Maximize, Minimize, Left, Right, Top, Bottom,
                         TopLeft, TopRight, BottomLeft, BottomRight };

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

    // Where a point in window coordinates falls.
    HitArea hitTest(const QPoint& pos) const;
    QRect closeRect() const { return m_rcClose; }
    QRect maximizeRect() const { return m_rcMaximize; }
    QRect minimizeRect() const { return m_rcMinimize; }
    QRect iconRect() const { return m_rcIcon; }
    // The caption button under the pointer (Client when none).
    HitArea hoveredButton() const { return m_hover; }

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
    void layoutCaption();
    void updateMessagePane();
    void watchView();
    void showRowCount(qlonglong rows);
    void showDatabase(const QString& path);
    void showSaveDir(const QString& dir);
    void showCapturing(bool capturing);
    void updateCaptureCount();
    void setHover(HitArea hover);
    void updateCursor(HitArea area);

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

    // Caption rectangles, in window coordinates, recomputed on every resize.
    QRect m_rcClose, m_rcMaximize, m_rcMinimize, m_rcIcon;
    std::array<QPixmap, 12> m_bitmaps; // bitmaps 130 to 141
    QPixmap m_icon;
    HitArea m_hover = HitArea::Client;

    // Moving and resizing by hand, where the window system does not do it.
    HitArea m_dragArea = HitArea::Client;
    QPoint m_dragStart;
    QRect m_geometryAtPress;

    struct ParseEntry {
        QString file;
        int percent = 0;
        bool waiting = false;   // for another writer of the database
    };
    QMap<int, ParseEntry> m_parses;
    std::function<void(const QString&)> m_onDrop;
};
