#pragma once
// The caption and border a frameless main window paints itself: border
// strips, caption band, icon, engraved title and the close, maximise and
// minimise buttons with their hover images; where a point of the window
// falls; the icon's window menu; and moving and resizing by hand where the
// window system does not do it. The window forwards its paint, resize, mouse
// and leave events here.
#include <QCoreApplication>
#include <QPixmap>
#include <QPoint>
#include <QRect>

#include <array>

class QMouseEvent;
class QPainter;
class QWidget;

class CaptionFrame {
    Q_DECLARE_TR_FUNCTIONS(CaptionFrame)
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

    // The images come from the program's resources (":/caption/130.png" to
    // 141, ":/trawler-16.png"), registered before the window is made.
    explicit CaptionFrame(QWidget& window);

    // Places the buttons for the window's width; called on every resize.
    void layout();
    void paint(QPainter& painter) const;

    // Where a point in window coordinates falls.
    HitArea hitTest(const QPoint& pos) const;
    QRect closeRect() const { return m_rcClose; }
    QRect maximizeRect() const { return m_rcMaximize; }
    QRect minimizeRect() const { return m_rcMinimize; }
    QRect iconRect() const { return m_rcIcon; }
    // The caption button under the pointer (Client when none).
    HitArea hoveredButton() const { return m_hover; }

    // Mouse events of the window; false where the window's own handling
    // should go on (a press in the client area, a move with no drag).
    bool mousePress(QMouseEvent* event);
    bool mouseMove(QMouseEvent* event);
    void mouseRelease();
    void leave();

private:
    void setHover(HitArea hover);
    void updateCursor(HitArea area);
    void beginDrag(HitArea area);
    void showWindowMenu(const QPoint& at);

    QWidget& m_window;
    // Caption rectangles, in window coordinates, recomputed on every resize.
    QRect m_rcClose, m_rcMaximize, m_rcMinimize, m_rcIcon;
    std::array<QPixmap, 12> m_bitmaps; // bitmaps 130 to 141
    QPixmap m_icon;
    HitArea m_hover = HitArea::Client;

    // Moving and resizing by hand, where the window system does not do it.
    HitArea m_dragArea = HitArea::Client;
    QPoint m_dragStart;
    QRect m_geometryAtPress;
};
