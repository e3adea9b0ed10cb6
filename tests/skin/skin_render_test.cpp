// Pixels of the skin's widgets, rendered off screen: push buttons, popup
// menus and menu-bar items, the flat toolbar and status bar, the menu title.
#include "skin/CSkinButton.h"
#include "skin/CStatusBarXP.h"
#include "skin/CToolBarXP.h"
#include "skin/MenuImages.h"
#include "skin/MenuPainter.h"
#include "skin/MenuTitle.h"
#include "skin/SkinColours.h"
#include "skin/SkinPalette.h"
#include "skin/SkinStyle.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStyleOptionMenuItem>
#include <QToolButton>
#include <QWidgetAction>

using namespace skin;

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "skin_render_test";
        static char* argv[] = {name, nullptr};
        m_app = new QApplication(argc, argv);
        installSkin(*m_app);
    }
    void TearDown() override { delete m_app; }

private:
    QApplication* m_app = nullptr;
};
[[maybe_unused]] ::testing::Environment* const g_qt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class SkinRender : public ::testing::Test {
protected:
    const SystemColours sys = SystemColours::from(skinPalette());
    const MenuColours popup = popupMenuColours(sys.window, sys.menu, sys.highlight);
};

QColor at(const QImage& img, int x, int y)
{
    return QColor(img.pixel(x, y));
}

QIcon solidIcon(const QColor& c)
{
    QPixmap pm(16, 16);
    pm.fill(c);
    return QIcon(pm);
}

// Bounding box of the pixels darker than a threshold (text strokes).
QRect darkBox(const QImage& img, const QRect& area, int threshold = 96)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(img.pixel(x, y)) < threshold)
                box |= QRect(x, y, 1, 1);
    return box;
}

QImage render(QWidget& w)
{
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// ---------------------------------------------------------------- buttons

TEST_F(SkinRender, ButtonFaceGradientAndEdges)
{
    CSkinButton button(QStringLiteral("OK"));
    button.resize(80, 24);
    QImage img = render(button);
    // Face rows 2..21 of 20: top index 6, middle (y 12) 37, bottom capped 63.
    EXPECT_EQ(at(img, 40, 2), toQColor(buttonFaceColour(6, false, false)));
    EXPECT_EQ(at(img, 10, 12), toQColor(buttonFaceColour(37, false, false)));
    EXPECT_EQ(at(img, 40, 21), QColor(234, 234, 243));
    // Outline in black along the sides, background outside the corners.
    EXPECT_EQ(at(img, 0, 12), QColor(Qt::black));
    EXPECT_EQ(at(img, 40, 23), QColor(Qt::black));
    EXPECT_EQ(at(img, 0, 0), button.palette().color(QPalette::Window));

    // Hover: orange edges inside the face; leaving restores the plain face.
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    ASSERT_TRUE(button.isHovered());
    img = render(button);
    EXPECT_EQ(at(img, 3, 12), QColor(250, 196, 88));   // left, 3 wide from x 2
    EXPECT_EQ(at(img, 75, 12), QColor(251, 202, 106)); // right, x 74..76
    EXPECT_EQ(at(img, 77, 12), toQColor(buttonFaceColour(37, true, false)));
    EXPECT_EQ(at(img, 40, 3), QColor(252, 210, 121));  // top, 2 high
    EXPECT_EQ(at(img, 40, 20), QColor(229, 151, 0));   // bottom, rows 20..21
    EXPECT_EQ(at(img, 40, 12), toQColor(buttonFaceColour(37, true, false)));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.isHovered());
    EXPECT_FALSE(button.isTracking());
    img = render(button);
    EXPECT_EQ(at(img, 3, 12), toQColor(buttonFaceColour(37, false, false)));
}

TEST_F(SkinRender, FocusedButtonShowsBlueEdgesUntilHovered)
{
    QWidget window;
    auto* button = new CSkinButton(QStringLiteral("OK"), &window);
    button->setGeometry(10, 10, 80, 24);
    auto* other = new CSkinButton(QStringLiteral("No"), &window);
    other->setGeometry(10, 40, 80, 24);
    window.show();
    window.activateWindow();
    button->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(button->hasFocus());
    EXPECT_TRUE(button->isLit());
    QImage img = render(*button);
    EXPECT_EQ(at(img, 3, 12), QColor(153, 198, 252));
    EXPECT_EQ(at(img, 75, 12), QColor(162, 189, 252));
    EXPECT_EQ(at(img, 40, 3), QColor(162, 201, 255));
    EXPECT_EQ(at(img, 40, 21), QColor(162, 201, 255));
    // A lit face runs bluer: blue takes b = 255 - i / 4.
    EXPECT_EQ(at(img, 40, 12), toQColor(buttonFaceColour(37, false, true)));

    // Hover wins over focus while the mouse is over the button.
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(button, &enter);
    img = render(*button);
    EXPECT_EQ(at(img, 3, 12), QColor(250, 196, 88));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    img = render(*button);
    EXPECT_EQ(at(img, 3, 12), QColor(153, 198, 252));
}

TEST_F(SkinRender, PressedCaptionMovesAndDisabledIsEmbossed)
{
    CSkinButton button(QStringLiteral("H"));
    button.resize(60, 24);
    const QRect face(2, 2, 56, 20);
    const QRect released = darkBox(render(button), face);
    button.setDown(true);
    const QRect pressed = darkBox(render(button), face);
    ASSERT_FALSE(released.isEmpty());
    EXPECT_EQ(pressed.topLeft(), released.topLeft() + QPoint(1, 1));
    EXPECT_EQ(pressed.size(), released.size());

    button.setDown(false);
    button.setEnabled(false);
    const QImage img = render(button);
    // The caption in the shadow colour over a light copy 1 pixel down-right:
    // some pixels come out lighter than the face row they sit on.
    int light = 0, dark = 0;
    for (int y = face.top(); y <= face.bottom(); ++y) {
        const QColor row = toQColor(buttonFaceColour(buttonFaceIndex(y, face.height()), false, false));
        for (int x = face.left() + 4; x <= face.right() - 4; ++x) {
            const QColor c = at(img, x, y);
            light += c.red() > row.red() && c.green() > row.green() && c.blue() >= row.blue();
            dark += qGray(c.rgb()) < 200;
        }
    }
    EXPECT_GT(dark, 5);
    EXPECT_GT(light, 2);
    EXPECT_TRUE(darkBox(img, face, 60).isEmpty()) << "no black caption when disabled";
}

// ------------------------------------------------------------------ menus

struct TestMenu {
    QMenu menu;
    QAction* image = nullptr;
    QAction* plain = nullptr;
    QAction* accel = nullptr;
    QAction* check = nullptr;
    QAction* greyed = nullptr;
    QAction* separator = nullptr;
    TestMenu()
    {
        image = menu.addAction(solidIcon(Qt::red), QStringLiteral("统计扫描者"));
        plain = menu.addAction(QStringLiteral("选择要分析的数据库"));
        accel = menu.addAction(QStringLiteral("退出(&X)\tCtrl+Q"));
        separator = menu.addSeparator();
        check = menu.addAction(QStringLiteral("Checked"));
        check->setCheckable(true);
        check->setChecked(true);
        greyed = menu.addAction(solidIcon(Qt::red), QStringLiteral("Greyed"));
        greyed->setEnabled(false);
        menu.adjustSize();
    }
    QImage rendered() { return render(menu); }
};

TEST_F(SkinRender, PopupItemsColumnBackgroundAndFrame)
{
    TestMenu t;
    const QImage img = t.rendered();
    const QRect plain = t.menu.actionGeometry(t.plain);
    // Items sit inside the 3-pixel frame and leave the 4-pixel shadow free.
    EXPECT_EQ(plain.left(), kPopupFrameWidth);
    EXPECT_LE(plain.right(), t.menu.width() - 1 - kShadowWidth - kPopupFrameWidth);
    EXPECT_EQ(plain.height(), std::max(systemMenuHeight(t.menu.fontMetrics()), 23));

    const int mid = plain.center().y();
    EXPECT_EQ(at(img, plain.left() + 5, mid), toQColor(popup.iconColumn));
    EXPECT_EQ(at(img, plain.left() + kIconColumnWidth - 1, mid), toQColor(popup.iconColumn));
    EXPECT_EQ(at(img, plain.left() + kIconColumnWidth, mid), toQColor(popup.background));
    EXPECT_EQ(at(img, plain.right() - 2, mid), toQColor(popup.background));

    // Frame: dark outline, light line, icon-column gap.
    const int frameRight = t.menu.width() - 1 - kShadowWidth;
    EXPECT_EQ(at(img, 0, 10), toQColor(popupFrameOutline(sys.menu)));
    EXPECT_EQ(at(img, 1, 10), toQColor(popup.background));
    EXPECT_EQ(at(img, 2, 10), toQColor(popup.iconColumn));
    EXPECT_EQ(at(img, frameRight, 10), toQColor(popupFrameOutline(sys.menu)));

    // The unselected image shows its resting form (washed towards white),
    // the greyed one its one-colour form.
    const QRect imageItem = t.menu.actionGeometry(t.image);
    const QPoint slot(imageItem.left() + 3, imageItem.top() + (imageItem.height() - 16) / 2);
    EXPECT_EQ(at(img, slot.x() + 5, slot.y() + 5), QColor(255, 51, 51));
    const QRect greyed = t.menu.actionGeometry(t.greyed);
    EXPECT_EQ(at(img, greyed.left() + 8, greyed.center().y()),
              toQColor(toolBarColours(sys.face, sys.highlight).disabledImage));

    // Separator: grey line across the middle of the text area to R's right.
    const QRect sep = t.menu.actionGeometry(t.separator);
    EXPECT_EQ(sep.height(), 3);
    EXPECT_EQ(at(img, sep.right(), sep.top() + 1), toQColor(sys.greyText));
    EXPECT_EQ(at(img, sep.left() + kIconColumnWidth + 4, sep.top() + 1), toQColor(sys.greyText));
    EXPECT_EQ(at(img, sep.left() + kIconColumnWidth + 2, sep.top() + 1), toQColor(popup.background));

    // The accelerator ends at the text area's right edge (R less 15).
    const QRect accel = t.menu.actionGeometry(t.accel);
    const QRect right = darkBox(img, QRect(accel.center().x(), accel.top(), accel.width() / 2, accel.height()));
    ASSERT_FALSE(right.isEmpty());
    EXPECT_LE(right.right(), accel.right() - 15);
    EXPECT_GE(right.right(), accel.right() - 18);

    // Check mark without an image: framed square in the column, glyph in it.
    const QRect check = t.menu.actionGeometry(t.check);
    EXPECT_EQ(at(img, check.left() + 1, check.top() + 1), toQColor(popup.frame));
    EXPECT_EQ(at(img, check.left() + 3, check.top() + 3), toQColor(popup.iconColumn));
    const QRect glyph = darkBox(img, QRect(check.left() + 2, check.top() + 2, kIconColumnWidth - 4, check.height() - 4));
    EXPECT_FALSE(glyph.isEmpty());
}

TEST_F(SkinRender, SelectedPopupItemIsFramedAndLiftsItsImage)
{
    TestMenu t;
    t.menu.setActiveAction(t.plain);
    QImage img = t.rendered();
    const QRect plain = t.menu.actionGeometry(t.plain);
    EXPECT_EQ(at(img, plain.left(), plain.top()), toQColor(popup.frame));
    EXPECT_EQ(at(img, plain.right(), plain.bottom()), toQColor(popup.frame));
    EXPECT_EQ(at(img, plain.left() + 5, plain.center().y()), toQColor(popup.selection)) << "across the column";
    EXPECT_EQ(at(img, plain.right() - 2, plain.center().y()), toQColor(popup.selection));

    t.menu.setActiveAction(t.image);
    img = t.rendered();
    const QRect item = t.menu.actionGeometry(t.image);
    const QPoint slot(item.left() + 3, item.top() + (item.height() - 16) / 2);
    EXPECT_EQ(at(img, slot.x() - 1, slot.y() - 1), QColor(Qt::red)) << "image lifted 1 up-left";
    EXPECT_EQ(at(img, slot.x() + 15, slot.y() + 15), toQColor(liftedImageShadow(popup.selection)));
    EXPECT_EQ(at(img, slot.x() + 16, slot.y() + 16), toQColor(liftedImageShadow(popup.selection)));
    EXPECT_EQ(at(img, slot.x() + 17, slot.y() + 8), toQColor(popup.selection));

    // A greyed item still shows as selected.
    t.menu.setActiveAction(t.greyed);
    img = t.rendered();
    const QRect greyed = t.menu.actionGeometry(t.greyed);
    EXPECT_EQ(at(img, greyed.right() - 2, greyed.center().y()), toQColor(popup.selection));
}

TEST_F(SkinRender, PopupOwnShadowDarkensTheBackdrop)
{
    TestMenu t;
    ASSERT_TRUE(popupHasOwnShadow(&t.menu));
    QImage backdrop(t.menu.size(), QImage::Format_RGB32);
    backdrop.fill(QColor(200, 100, 50));
    t.menu.setProperty(kBackdropProperty, backdrop);
    const QImage img = t.rendered();
    const int w = img.width(), h = img.height();
    const Rgb under{200, 100, 50};
    EXPECT_EQ(at(img, w - 1, 2), QColor(200, 100, 50)) << "top 4 rows unchanged";
    EXPECT_EQ(at(img, w - 1, 5), toQColor(darken(under, 12)));
    EXPECT_EQ(at(img, w - 1, 40), toQColor(darken(under, 30)));
    EXPECT_EQ(at(img, w - 4, 40), toQColor(darken(under, 120)));
    EXPECT_EQ(at(img, 2, h - 1), QColor(200, 100, 50)) << "first 4 columns unchanged";
    EXPECT_EQ(at(img, 40, h - 1), toQColor(darken(under, 30)));
    EXPECT_EQ(at(img, 40, h - 4), toQColor(darken(under, 120)));
    EXPECT_EQ(at(img, w - 1, h - 1), toQColor(darken(under, 30)));
}

TEST_F(SkinRender, PopupBackdropIsTheProgramWindowUnderIt)
{
    // The popup's shadow is made from what lies under it: our own window,
    // not a popup that happens to be closing on the screen at that moment.
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette pal = window.palette();
    pal.setColor(QPalette::Window, QColor(20, 140, 60));
    window.setPalette(pal);
    window.setGeometry(50, 50, 400, 300);
    window.show();
    window.activateWindow();
    QApplication::processEvents();

    TestMenu stale;
    stale.menu.popup(QPoint(100, 100));
    QApplication::processEvents();
    TestMenu t;
    t.menu.popup(QPoint(100, 100));
    QApplication::processEvents();
    const QImage backdrop = t.menu.property(kBackdropProperty).value<QImage>();
    ASSERT_EQ(backdrop.size(), t.menu.size());
    EXPECT_EQ(at(backdrop, backdrop.width() - 1, backdrop.height() - 1), QColor(20, 140, 60));
    EXPECT_EQ(at(backdrop, 10, 10), QColor(20, 140, 60));
    const QImage img = t.rendered();
    EXPECT_EQ(at(img, img.width() - 1, 40), toQColor(darken({20, 140, 60}, 30)));
    stale.menu.hide();
    t.menu.hide();
    EXPECT_FALSE(t.menu.property(kBackdropProperty).isValid());
}

TEST_F(SkinRender, MenuBarItemHotAndOpen)
{
    const MenuColours bar = menuBarColours(sys.window, sys.menu, sys.highlight);
    QImage img(60, 24, QImage::Format_RGB32);
    QStyleOptionMenuItem opt;
    opt.palette = skinPalette();
    opt.font = QApplication::font();
    opt.rect = img.rect();
    opt.text = QStringLiteral("文件(&F)");
    opt.menuItemType = QStyleOptionMenuItem::Normal;
    auto paint = [&](QStyle::State state) {
        opt.state = QStyle::State_Enabled | state;
        img.fill(Qt::magenta);
        QPainter p(&img);
        paintMenuBarItem(&opt, &p, nullptr);
    };
    paint(QStyle::State_None);
    EXPECT_EQ(at(img, 1, 1), toQColor(sys.menu));
    EXPECT_EQ(at(img, 59, 20), toQColor(sys.menu));

    // Hot: R' (R less 4 at the right) filled with S and framed; no shadow.
    paint(QStyle::State_Selected);
    EXPECT_EQ(at(img, 0, 0), toQColor(bar.frame));
    EXPECT_EQ(at(img, 55, 23), toQColor(bar.frame));
    EXPECT_EQ(at(img, 2, 12), toQColor(bar.selection));
    EXPECT_EQ(at(img, 57, 12), toQColor(sys.menu));

    // Open: R' in C, and the 4-pixel shadow right of it.
    paint(QStyle::State_Selected | QStyle::State_Sunken);
    EXPECT_EQ(at(img, 2, 12), toQColor(bar.iconColumn));
    EXPECT_EQ(at(img, 59, 2), toQColor(sys.menu));
    EXPECT_EQ(at(img, 59, 5), toQColor(darken(sys.menu, 12)));
    EXPECT_EQ(at(img, 59, 12), toQColor(darken(sys.menu, 30)));
    EXPECT_EQ(at(img, 58, 12), toQColor(darken(sys.menu, 60)));
    EXPECT_EQ(at(img, 56, 12), toQColor(darken(sys.menu, 120)));
}

TEST_F(SkinRender, MenuTitleBandAndImagesFromTheToolBar)
{
    QMenu menu;
    menu.addAction(QStringLiteral("还原"));
    QAction* title = addMenuTitle(&menu, QStringLiteral("拖网渔船"));
    ASSERT_EQ(menu.actions().first(), title);
    auto* wa = qobject_cast<QWidgetAction*>(title);
    ASSERT_TRUE(wa);
    auto* band = qobject_cast<CMenuTitle*>(wa->defaultWidget());
    ASSERT_TRUE(band);
    EXPECT_EQ(band->titleStyle(), 0x70);
    EXPECT_EQ(menuTitleSize(QStringLiteral("拖网渔船"), 0x70).height(),
              menuTitleSize(QStringLiteral("拖网渔船"), 0x60).height() + 8);

    QImage img(160, 40, QImage::Format_RGB32);
    img.fill(Qt::magenta);
    {
        QPainter p(&img);
        paintMenuTitle(&p, img.rect(), QStringLiteral("拖网渔船"), 0x70, skinPalette());
    }
    EXPECT_EQ(at(img, 3, 20), toQColor(sys.caption)) << "band";
    EXPECT_NE(at(img, 0, 0), toQColor(sys.caption)) << "rounded corner";
    EXPECT_EQ(at(img, 80, 0), QColor(Qt::white)) << "white outline";
    // Engraved rule: light over dark, then dark over light 3 rows lower.
    EXPECT_EQ(at(img, 6, 33), toQColor(sys.hilite));
    EXPECT_EQ(at(img, 40, 34), toQColor(sys.shadow));
    EXPECT_EQ(at(img, 40, 36), toQColor(sys.shadow));
    EXPECT_EQ(at(img, 40, 37), toQColor(sys.hilite));
    EXPECT_EQ(at(img, 6, 36), toQColor(sys.caption)) << "second rule 10 narrower";
    // Caption text in white is what is not band-coloured in the text rows.
    int white = 0;
    for (int x = 20; x < 140; ++x)
        for (int y = 2; y < 18; ++y)
            white += at(img, x, y) == QColor(Qt::white);
    EXPECT_GT(white, 20);

    // Menu items take the image of the toolbar button with the same command.
    QMenuBar bar;
    QMenu* capture = bar.addMenu(QStringLiteral("截包(&C)"));
    QAction* start = capture->addAction(QStringLiteral("开始(&B)"));
    start->setData(32772);
    QAction* none = capture->addAction(QStringLiteral("无图"));
    none->setData(1);
    CToolBarXP toolBar;
    QAction* button = toolBar.addAction(solidIcon(Qt::green), QString());
    button->setData(32772);
    EXPECT_EQ(applyToolBarImages(&bar, &toolBar), 1);
    EXPECT_FALSE(start->icon().isNull());
    EXPECT_TRUE(none->icon().isNull());
}

// --------------------------------------------------------- toolbar, status

TEST_F(SkinRender, ToolBarHotButtonLiftsItsImage)
{
    CToolBarXP bar;
    bar.setMovable(false);
    QAction* first = bar.addAction(solidIcon(Qt::red), QStringLiteral("a"));
    QAction* second = bar.addAction(solidIcon(Qt::red), QStringLiteral("b"));
    QAction* third = bar.addAction(solidIcon(Qt::red), QStringLiteral("c"));
    third->setEnabled(false);
    bar.resize(200, bar.sizeHint().height());
    bar.show();
    QApplication::processEvents();
    EXPECT_EQ(bar.height(), 3 + 22 + 4);
    auto* hot = qobject_cast<QToolButton*>(bar.widgetForAction(first));
    auto* plain = bar.widgetForAction(second);
    auto* disabled = bar.widgetForAction(third);
    ASSERT_TRUE(hot && plain && disabled);
    const ToolBarColours tc = toolBarColours(sys.face, sys.highlight);
    hot->setAttribute(Qt::WA_UnderMouse, true);
    QImage img = render(bar);

    const QRect h = hot->geometry();
    EXPECT_EQ(h.size(), QSize(23, 22));
    EXPECT_EQ(h.topLeft(), QPoint(1, 3)) << "borders: left 1, top 3";
    EXPECT_EQ(at(img, h.left(), h.top()), toQColor(tc.frame));
    EXPECT_EQ(at(img, h.left() + 1, h.top() + 1), toQColor(tc.hotFill));
    EXPECT_EQ(at(img, h.left() + 2, h.top() + 2), QColor(Qt::red)) << "image at offset 2";
    EXPECT_EQ(at(img, h.left() + 17, h.top() + 17), QColor(Qt::red));
    EXPECT_EQ(at(img, h.left() + 19, h.top() + 19), toQColor(tc.imageShadow)) << "shadow at offset 4";
    EXPECT_EQ(at(img, h.left() + 18, h.top() + 4), toQColor(tc.imageShadow));
    EXPECT_EQ(at(img, h.left() + 18, h.top() + 3), toQColor(tc.hotFill));

    const QRect p = plain->geometry();
    EXPECT_EQ(at(img, p.left() + 2, p.top() + 2), toQColor(tc.background));
    EXPECT_EQ(at(img, p.left() + 3, p.top() + 3), QColor(Qt::red)) << "image at offset 3";
    const QRect d = disabled->geometry();
    EXPECT_EQ(at(img, d.left() + 3, d.top() + 3), toQColor(tc.disabledImage));
    EXPECT_EQ(at(img, 190, 5), toQColor(tc.background));

    // Pressed: the stronger fill, image back at offset 3.
    hot->setDown(true);
    img = render(bar);
    EXPECT_EQ(at(img, h.left() + 1, h.top() + 1), toQColor(tc.pressedFill));
    EXPECT_EQ(at(img, h.left() + 3, h.top() + 3), QColor(Qt::red));
    EXPECT_EQ(at(img, h.left() + 2, h.top() + 2), toQColor(tc.pressedFill));
    hot->setDown(false);
    hot->setAttribute(Qt::WA_UnderMouse, false);

    // Checked, not hot.
    first->setCheckable(true);
    first->setChecked(true);
    img = render(bar);
    EXPECT_EQ(at(img, h.left() + 1, h.top() + 1), toQColor(tc.checkedFill));
}

TEST_F(SkinRender, StatusBarPanesAreOutlined)
{
    CStatusBarXP bar;
    const QList<QLabel*> panes = bar.setIndicators({QStringLiteral("大写"), QStringLiteral("数字"), QStringLiteral("滚动")});
    ASSERT_EQ(panes.size(), 3);
    bar.setSizeGripEnabled(false);
    bar.resize(400, bar.sizeHint().height());
    bar.show();
    QApplication::processEvents();
    EXPECT_GE(bar.height(), 20);
    EXPECT_EQ(panes[0]->frameShape(), QFrame::NoFrame);
    const QImage img = render(bar);
    const QColor shadow = toQColor(sys.shadow);
    for (QLabel* pane : panes) {
        const QRect r = bar.paneOutline(pane);
        EXPECT_EQ(at(img, r.left(), r.center().y()), shadow) << pane->text().toStdString();
        EXPECT_EQ(at(img, r.right(), r.center().y()), shadow);
        EXPECT_EQ(at(img, r.center().x(), r.top()), shadow);
    }
    const QRect message = bar.messagePaneRect();
    EXPECT_LT(message.right(), panes[0]->geometry().left());
    EXPECT_EQ(at(img, message.left(), message.center().y()), shadow);
}

} // namespace
