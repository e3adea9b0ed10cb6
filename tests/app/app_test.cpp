// The desktop shell: menus and toolbar against the command tables, the main
// window's place, size and title, the painted caption (hit testing, hover
// images, buttons, moving and resizing), the view's painting, the database
// commands through scripted dialogs, the About box and the document keys.
#include "ViewTestBase.h"
#include "capture/ScriptedPrompter.h"
#include "TempDir.h"

#include "app/CAboutDlg.h"
#include "app/CHelpDlg.h"
#include "app/CMainFrame.h"
#include "app/CTrawlerApp.h"
#include "app/CTrawlerDoc.h"
#include "app/CTrawlerView.h"
#include "app/CommandTable.h"
#include "app/ReportLayout.h"
#include "app/Language.h"
#include "app/LockIndicators.h"
#include "db/Database.h"
#include "db/DatabaseFile.h"
#include "reports/Catalogue.h"
#include "skin/CSkinButton.h"
#include "skin/CStatusBarXP.h"
#include "skin/CToolBarXP.h"

#include <QAction>
#include <QMessageBox>
#include <QTextBrowser>
#include <QPushButton>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSet>
#include <QTest>
#include <QTreeView>

#include <algorithm>
#include <memory>

namespace {

QColor pixel(const QImage& image, const QPoint& at)
{
    return image.pixelColor(at);
}

QPoint centre(const QRect& r)
{
    return r.center();
}

} // namespace

class AppTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<CTrawlerApp> m_app;

    CMainFrame* start()
    {
        m_prompter = std::make_unique<ScriptedPrompter>();
        m_app = std::make_unique<CTrawlerApp>(*m_prompter);
        if (!m_app->InitInstance())
            return nullptr;
        return m_app->mainFrame();
    }

private slots:
    void cleanup()
    {
        m_app.reset();
        m_prompter.reset();
    }

    // Menus, toolbar and keys come from the command table: each command is
    // there once under its own id, and a button is its menu item's action.
    void everyCommandIsReachableOnce()
    {
        CMainFrame* frame = start();
        QVERIFY(frame);
        QSet<int> ids;
        for (const CommandInfo& command : kCommands) {
            QVERIFY2(!ids.contains(command.id), qPrintable(QString::number(command.id)));
            ids.insert(command.id);
            QVERIFY(command.handler);
            QVERIFY2(frame->action(command.id) || command.id == ID_CUSTOM_QUERY, qPrintable(QString::number(command.id)));
        }
        const QList<QAction*> menus = frame->menuBar()->actions();
        QCOMPARE(menus.size(), int(kMenuTitles.size()));
        int items = 0;
        for (QAction* menu : menus) {
            QVERIFY(!menu->menu()->actions().isEmpty());
            for (QAction* item : menu->menu()->actions()) {
                const CommandInfo* command = findCommand(item->data().toInt());
                QVERIFY2(command && command->menu, qPrintable(item->text()));
                QVERIFY(!item->isSeparator() && item->isEnabled() && !item->isCheckable());
                QCOMPARE(menu->text(), QCoreApplication::translate("CommandTable", command->menu));
                QCOMPARE(frame->action(command->id), item);
                ++items;
            }
        }
        QCOMPARE(items, int(std::count_if(kCommands.begin(), kCommands.end(),
                                          [](const CommandInfo& c) { return c.menu != nullptr; })));
        QVERIFY(!frame->routeCommand(-1));

        const QList<QAction*> buttons = frame->toolBar()->actions();
        QCOMPARE(buttons.size(), kToolbarButtons);
        QCOMPARE(QImage(":/toolbar.png").size(), QSize(16 * kToolbarButtons, 16));
        QList<QImage> images;
        for (QAction* button : buttons) {
            QVERIFY(!button->isSeparator());
            QCOMPARE(frame->action(button->data().toInt()), button);
            const QImage image = button->icon().pixmap(16, 16).toImage();
            QCOMPARE(image.size(), QSize(16, 16));
            QVERIFY2(!images.contains(image), "each button has its own image");
            images << image;
        }
    }

    // Each report's command shows that report, laid out where its layout says.
    void reportCommandsOpenTheirReports()
    {
        CMainFrame* frame = start();
        QVERIFY(frame);
        trawler::test::ViewDatabase db;
        // One row for every report.
        db.icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.2", "Echo Request");
        db.icmp("2004-05-17 09:00:01", "10.0.0.2", "10.0.0.1", "Echo Reply");
        db.ip("10.0.0.1", "10.0.0.2", "TCP", 1025, 445, 60);
        db.ip("10.0.0.1", "10.0.0.2", "UDP", 1026, 137, 60);
        db.syn("2004-05-17 09:00:02", "10.0.0.1", "10.0.0.2", 1027, 80);
        db.arp("10.0.0.1", "00:11:22:33:44:55");
        m_prompter->answers = {db.qpath()};
        QVERIFY(frame->routeCommand(ID_SELECT_DB_IP));
        CTrawlerView* view = m_app->view();
        const auto catalogue = trawler::reports::reportCatalogue("10.0.0");
        QCOMPARE(catalogue.size(), kReportLayouts.size());
        QSet<int> commands;
        for (const auto& report : catalogue) {
            const ReportLayout& layout = reportLayout(report.name);
            QVERIFY2(layout.commandId && frame->action(layout.commandId), report.name.c_str());
            commands.insert(layout.commandId);
            QVERIFY(frame->routeCommand(layout.commandId));
            QTRY_VERIFY_WITH_TIMEOUT(!view->isBusy(), 20000);
            if (!report.showsTable()) {
                QVERIFY2(view->chartShown() && !view->reportList(), report.name.c_str());
                continue;
            }
            QTreeView* list = view->reportList();
            QVERIFY2(list, report.name.c_str());
            QCOMPARE(list->geometry(), QRect(0, 0, kListWidth, layout.listBottom));
            QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(),
                     QString::fromStdString(report.columns.front().title));
            if (report.hint) {
                QVERIFY(list->geometry().bottom() < layout.hintRect.top());
                QCOMPARE(view->hintFrame()->geometry(), layout.hintRect);
            }
        }
        QCOMPARE(commands.size(), int(kReportLayouts.size()));
        QVERIFY(m_prompter->messages.empty());
    }

    void mainWindowStartsInPlace()
    {
        CMainFrame* frame = start();
        QVERIFY(frame);
        QCOMPARE(frame->geometry(), QRect(100, 10, 600, 530));
        QCOMPARE(frame->windowTitle(), QStringLiteral("Trawler-拖网渔船"));
        QVERIFY(frame->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(frame->isVisible());
        QCOMPARE(frame->messagePane()->text(), QStringLiteral("就绪"));
        QStringList panes;
        for (QLabel* label : frame->statusBarXP()->findChildren<QLabel*>())
            if (label->isVisibleTo(frame))
                panes << label->text();
        // The save directory shows from the start, with its full path as tooltip.
        const QString home = QDir::homePath();
        QCOMPARE(panes, (QStringList{"就绪", "大写", "数字", "滚动", "保存目录: " + QFileInfo(home).fileName()}));
        QCOMPARE(frame->saveDirPane()->toolTip(), home);
        QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Local AppWizard-Generated Applications"));

        // Parse progress takes the message pane while parses run.
        frame->showParseProgress(1, "/data/lan.cap", 0);
        frame->showParseProgress(1, QString(), 42);
        QVERIFY(frame->messagePane()->text().contains("lan.cap: 42%"));
        frame->endParseProgress(1);
        QCOMPARE(frame->messagePane()->text(), QStringLiteral("就绪"));
    }

    void captionButtonsAreHitAndHoverLights()
    {
        CMainFrame* frame = start();
        QVERIFY(frame);
        using H = CMainFrame::HitArea;
        QCOMPARE(frame->closeRect(), QRect(600 - 4 - 16, 4, 16, 15));
        QCOMPARE(frame->maximizeRect(), QRect(600 - 4 - 16 - 19, 4, 16, 15));
        QCOMPARE(frame->minimizeRect(), QRect(600 - 4 - 16 - 38, 4, 16, 15));
        QCOMPARE(frame->hitTest(centre(frame->closeRect())), H::Close);
        QCOMPARE(frame->hitTest(centre(frame->maximizeRect())), H::Maximize);
        QCOMPARE(frame->hitTest(centre(frame->minimizeRect())), H::Minimize);
        QCOMPARE(frame->hitTest({300, 12}), H::Caption);
        QCOMPARE(frame->hitTest({1, 300}), H::Left);
        QCOMPARE(frame->hitTest({598, 300}), H::Right);
        QCOMPARE(frame->hitTest({300, 528}), H::Bottom);
        QCOMPARE(frame->hitTest({599, 529}), H::BottomRight);
        QCOMPARE(frame->hitTest({300, 300}), H::Client);

        // Hovering shows the hot image; moving away restores the normal one.
        const QImage hot(":/caption/138.png");
        const QImage normal(":/caption/134.png");
        const QPoint inButton(3, 11); // on the face, off the glyph
        QVERIFY(hot.pixelColor(inButton) != normal.pixelColor(inButton));
        QTest::mouseMove(frame, centre(frame->closeRect()));
        QCOMPARE(frame->hoveredButton(), H::Close);
        QImage shot = frame->grab().toImage();
        QCOMPARE(pixel(shot, frame->closeRect().topLeft() + inButton), hot.pixelColor(inButton));
        QTest::mouseMove(frame, {300, 12});
        QCOMPARE(frame->hoveredButton(), H::Client);
        shot = frame->grab().toImage();
        QCOMPARE(pixel(shot, frame->closeRect().topLeft() + inButton), normal.pixelColor(inButton));

        // Maximise does nothing; minimise minimises; close closes.
        QTest::mouseClick(frame, Qt::LeftButton, {}, centre(frame->maximizeRect()));
        QVERIFY(!frame->isMaximized());
        QCOMPARE(frame->size(), QSize(600, 530));
        QTest::mouseClick(frame, Qt::LeftButton, {}, centre(frame->minimizeRect()));
        QVERIFY(frame->isMinimized());
        frame->showNormal();
        QTest::mouseClick(frame, Qt::LeftButton, {}, centre(frame->closeRect()));
        QVERIFY(!frame->isVisible());
    }

    void captionMovesAndEdgesResize()
    {
        CMainFrame* frame = start();
        QVERIFY(frame);
        QTest::mousePress(frame, Qt::LeftButton, {}, {300, 12});
        QTest::mouseMove(frame, {350, 42});
        QTest::mouseRelease(frame, Qt::LeftButton, {}, {350, 42});
        QCOMPARE(frame->pos(), QPoint(150, 40));
        QCOMPARE(frame->size(), QSize(600, 530));

        QTest::mousePress(frame, Qt::LeftButton, {}, {598, 300});
        QTest::mouseMove(frame, {638, 300});
        QTest::mouseRelease(frame, Qt::LeftButton, {}, {638, 300});
        QCOMPARE(frame->geometry(), QRect(150, 40, 640, 530));

        // Dragging the left edge far right stops at the least usable width.
        QTest::mousePress(frame, Qt::LeftButton, {}, {1, 300});
        QTest::mouseMove(frame, {2000, 300});
        QTest::mouseRelease(frame, Qt::LeftButton, {}, {2000, 300});
        QVERIFY(frame->width() >= frame->minimumSizeHint().width());
        QCOMPARE(frame->geometry().right(), 150 + 640 - 1);
    }

    void viewPaintsBackgroundBannerAndStaticColours()
    {
        CMainFrame* frame = start();
        QVERIFY(frame);
        CTrawlerView* view = m_app->view();
        QVERIFY(view->isVisible());
        const QColor grey(128, 128, 128), cyan(0, 255, 255), bannerGround(132, 130, 132);
        const QRect banner(10, 10, 200, 12);

        QImage shot = view->grab().toImage();
        QCOMPARE(pixel(shot, {300, 200}), grey);
        QVERIFY(!hasColour(shot, banner, cyan));
        QVERIFY(view->findChildren<QWidget*>().isEmpty());

        view->setCapturing(true);
        shot = view->grab().toImage();
        QCOMPARE(pixel(shot, {10, 10}), bannerGround);
        QVERIFY(hasColour(shot, banner, cyan));
        QCOMPARE(pixel(shot, {9, 9}), grey);

        view->setCapturing(false);
        shot = view->grab().toImage();
        QVERIFY(!hasColour(shot, banner, cyan));
        QCOMPARE(pixel(shot, {10, 10}), grey);

        // A static control shows blue text on its own button-face ground.
        auto* hint = new QLabel(QStringLiteral("WWWW"), view);
        hint->setGeometry(0, 305, 200, 40);
        hint->show();
        shot = view->grab().toImage();
        const QColor face = hint->palette().color(QPalette::Button);
        QVERIFY(face != grey);
        QCOMPARE(pixel(shot, {190, 340}), face);
        QVERIFY(hasColour(shot, QRect(0, 305, 100, 40), QColor(0, 0, 255)));
    }

    void createAndInitialiseDatabases()
    {
        CMainFrame* frame = start();
        QVERIFY(frame);
        ScriptedPrompter& prompter = *m_prompter;
        trawler::test::TempDir dir;
        const QString mdb = QString::fromStdString(dir.file("new capture.mdb"));

        // Cancelling either chooser shows nothing.
        frame->routeCommand(32775);
        frame->routeCommand(32776);
        QVERIFY(prompter.messages.empty());
        QCOMPARE(prompter.choosers[0].kind, QStringLiteral("save"));
        QCOMPARE(prompter.choosers[0].title, QStringLiteral("选择要保存mdb文件的地址"));
        QCOMPARE(prompter.choosers[0].initialName, QStringLiteral("*.mdb"));
        QVERIFY(prompter.choosers[0].filter.startsWith(QStringLiteral("Microsoft Access文件(*.mdb);;")));
        QCOMPARE(prompter.choosers[1].kind, QStringLiteral("open"));
        QCOMPARE(prompter.choosers[1].title, QStringLiteral("选择要初始化的mdb文件"));

        prompter.answers = {mdb, mdb, mdb};
        frame->routeCommand(32775);
        QCOMPARE(prompter.texts(), QStringList{"File Created."});
        QCOMPARE(prompter.messages.back().caption, QStringLiteral("Trawler"));

        // A name typed without an extension gets ".mdb".
        const QString bare = QString::fromStdString(dir.file("week"));
        prompter.answers = {bare};
        frame->routeCommand(32775);
        QCOMPARE(prompter.texts().last(), QStringLiteral("File Created."));
        QVERIFY(QFile::exists(bare + ".mdb"));
        QVERIFY(!QFile::exists(bare));
        prompter.messages.pop_back();
        prompter.answers = {mdb, mdb};

        // The file exists now: it is refused and left as it is.
        frame->routeCommand(32775);
        QCOMPARE(prompter.messages.size(), size_t(2));
        QVERIFY(prompter.texts().last() != "File Created.");
        QVERIFY(prompter.texts().last().contains("exists"));

        frame->routeCommand(32776);
        QCOMPARE(prompter.texts().last(), QStringLiteral("The mdb file has been initialized."));
        trawler::db::Database db(QFile::encodeName(mdb).toStdString());
        std::vector<std::string> tables;
        for (const std::string& name : db.listTables())
            if (name.rfind("sqlite_", 0) != 0)
                tables.push_back(name);
        QCOMPARE(tables, (std::vector<std::string>{"arp", "ip", "history", "icmp", "syn", "pccount", "ipmac"}));

        // A file that does not exist: the layer's error, and no file appears.
        const QString missing = QString::fromStdString(dir.file("missing.mdb"));
        prompter.answers = {missing};
        frame->routeCommand(32776);
        QVERIFY(prompter.texts().last() != "The mdb file has been initialized.");
        QVERIFY(!prompter.texts().last().isEmpty());
        QVERIFY(!QFile::exists(missing));
    }

    void aboutBoxAndDocumentCommands()
    {
        CMainFrame* frame = start();
        QVERIFY(frame);
        ScriptedPrompter& prompter = *m_prompter;
        QString title, version, credit, ok;
        prompter.onExec = [&](QDialog& dialog) {
            auto& about = dynamic_cast<CAboutDlg&>(dialog);
            title = about.windowTitle();
            version = about.findChild<QLabel*>("version")->text();
            credit = about.findChild<QLabel*>("credit")->text();
            ok = about.okButton()->text();
            about.okButton()->click();
            return about.result();
        };
        frame->action(57664)->trigger();
        QCOMPARE(title, QStringLiteral("关于 Trawler"));
        QCOMPARE(version, QStringLiteral("Trawler 0.99 版"));
        QVERIFY(credit.contains("2004"));
        QCOMPARE(ok, QStringLiteral("确定"));

        // Save writes an empty file; a later save needs no chooser.
        trawler::test::TempDir dir;
        const QString doc = QString::fromStdString(dir.file("a.trw"));
        QFile seed(doc);
        QVERIFY(seed.open(QIODevice::WriteOnly));
        seed.write("leftover");
        seed.close();
        QCOMPARE(frame->action(ID_FILE_SAVE)->shortcut(), QKeySequence("Ctrl+S"));
        QCOMPARE(frame->action(ID_FILE_OPEN)->shortcut(), QKeySequence("Ctrl+O"));
        QCOMPARE(frame->action(ID_FILE_NEW)->shortcut(), QKeySequence("Ctrl+N"));
        prompter.answers = {doc};
        frame->action(ID_FILE_SAVE)->trigger();
        QCOMPARE(QFileInfo(doc).size(), 0);
        const size_t asked = prompter.choosers.size();
        frame->action(ID_FILE_SAVE)->trigger();
        QCOMPARE(prompter.choosers.size(), asked);

        // A document that cannot be read is reported, not taken.
        prompter.answers = {QString::fromStdString(dir.file("nowhere.trw"))};
        frame->action(ID_FILE_OPEN)->trigger();
        QVERIFY(prompter.texts().last().contains("nowhere.trw"));
        QCOMPARE(m_app->document()->pathName(), doc);
    }

    void dialogsTakeTheProgramsColours()
    {
        QVERIFY(start());
        QMessageBox box(QMessageBox::NoIcon, "Trawler", "text");
        box.ensurePolished();
        QCOMPARE(box.palette().color(QPalette::Window), QColor(160, 180, 220));
        QCOMPARE(box.palette().color(QPalette::WindowText), QColor(Qt::black));
    }

    void lockIndicatorsShowTheKeyboard()
    {
        QList<QLabel*> panes;
        std::vector<std::unique_ptr<QLabel>> owned;
        for (int i = 0; i < 3; ++i) {
            owned.push_back(std::make_unique<QLabel>());
            panes << owned.back().get();
        }
        // Only a lock that is on reads normally.
        LockStates states;
        states.num = true;
        showLockStates(panes, states);
        QCOMPARE(panes[0]->isEnabled(), false);
        QCOMPARE(panes[1]->isEnabled(), true);
        QCOMPARE(panes[2]->isEnabled(), false);
        QVERIFY(panes[1]->toolTip().isEmpty());
        // Unknown states: all greyed, and the tooltip says why.
        showLockStates(panes, std::nullopt);
        for (QLabel* pane : panes) {
            QVERIFY(!pane->isEnabled());
            QVERIFY(!pane->toolTip().isEmpty());
        }
        // The offscreen platform has no keyboard to ask.
        QVERIFY(!readLockStates());
    }

    void helpTopicsOpenTheManual()
    {
        CMainFrame* frame = start();
        QVERIFY(frame);
        frame->routeCommand(32820);
        CHelpDlg* help = m_app->view()->helpWindow();
        QVERIFY(help);
        QVERIFY(help->isVisible());
        // The manual is the built-in Chinese one, with every report menu in it.
        const QString text = help->browser()->toPlainText();
        for (const char* part : {"截包", "解析", "ICMP分析", "ARP分析", "IP流量分析", "SYN分析", "mac has changed"})
            QVERIFY2(text.contains(QString::fromUtf8(part)), part);
        // Asked again, the same window comes forward.
        frame->routeCommand(32820);
        QCOMPARE(m_app->view()->helpWindow(), help);
        QVERIFY(m_prompter->messages.empty());
    }

    void uiLanguageFollowsTheEnvironment_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("lcAll");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<bool>("english");
        QTest::newRow("zh_CN") << "" << "" << "zh_CN.UTF-8" << false;
        QTest::newRow("C") << "" << "" << "C" << false;
        QTest::newRow("POSIX") << "" << "POSIX" << "en_US.UTF-8" << false;
        QTest::newRow("nothing set") << "" << "" << "" << false;
        QTest::newRow("en_US") << "" << "" << "en_US.UTF-8" << true;
        QTest::newRow("LANGUAGE list") << "en_GB:zh_CN" << "" << "zh_CN.UTF-8" << true;
        QTest::newRow("LANGUAGE first") << "zh_CN:en" << "" << "en_US.UTF-8" << false;
        QTest::newRow("not English") << "" << "" << "eo.UTF-8" << false;
    }

    void uiLanguageFollowsTheEnvironment()
    {
        QFETCH(QString, language);
        QFETCH(QString, lcAll);
        QFETCH(QString, lang);
        QFETCH(bool, english);
        QCOMPARE(uiLanguageFrom(language, lcAll, QString(), lang) == UiLanguage::English, english);
    }

    void translationsAreLoaded_data()
    {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("ok");
        QTest::addColumn<QString>("fileMenu");
        QTest::newRow("zh_CN") << "zh_CN.UTF-8" << "确定" << "文件(&F)";
        QTest::newRow("C") << "C" << "确定" << "文件(&F)";
        QTest::newRow("en_US") << "en_US.UTF-8" << "OK" << "&File";
    }

    void translationsAreLoaded()
    {
        QFETCH(QString, lang);
        QFETCH(QString, ok);
        QFETCH(QString, fileMenu);
        installTranslations(*qApp, uiLanguageFrom(QString(), QString(), QString(), lang));
        QMessageBox box(QMessageBox::NoIcon, "Trawler", "text", QMessageBox::Ok);
        QCOMPARE(box.button(QMessageBox::Ok)->text(), ok);
        CMainFrame* frame = start();
        QVERIFY(frame);
        QCOMPARE(frame->menuBar()->actions().constFirst()->text(), fileMenu);
        m_app.reset();
        // The other tests expect the source texts.
        removeTranslations(*qApp);
    }
};

QTEST_MAIN(AppTest)
#include "app_test.moc"
