// The report view: the database choice, table reports with their list, hint
// and query panel, the messages when a report stops, the share chart on a
// rendered image, the free query's dialog, a large result through the
// fetching list, and the main window's caption menu and status panes.
#include "ViewTestBase.h"
#include "TempDir.h"

#include "app/CMainFrame.h"
#include "app/CQueryResultDlg.h"
#include "app/CTrawlerApp.h"
#include "app/CTrawlerView.h"
#include "app/CommandTable.h"
#include "app/ReportListModel.h"
#include "app/ReportListView.h"
#include "app/ShareLegend.h"
#include "reports/PieLayout.h"
#include "reports/ReportCursor.h"
#include "reports/ShareChart.h"
#include "skin/CSkinButton.h"
#include "skin/CStatusBarXP.h"
#include "skin/MenuTitle.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QXmlStreamReader>
#include <QMenu>
#include <QScrollBar>
#include <QToolButton>
#include <QTest>
#include <QWidgetAction>

#include <cmath>

#include <memory>

namespace {

const QString kNoDatabase = QStringLiteral("You haven't set the Database to be analysed.");
const QString kNoRecords = QStringLiteral("没有符合条件的记录.");

enum Command { kSelectIcmp = 32778, kSelectArp = 32784, kSelectIp = 32786, kSelectSyn = 32794,
               kScanners = 32779, kShowAllIcmp = 32783, kTypeShare = 32793, kSynAll = 32795,
               kDestTraffic = 32787, kExport = 32830, kTcpPairs = 32788, kUdpPairs = 32789, kLanAccess = 32790,
               kInsertIpMac = 32816 };

QStringList columnTitles(const QTreeView* list)
{
    QStringList titles;
    for (int c = 0; c < list->model()->columnCount(); ++c)
        titles << list->model()->headerData(c, Qt::Horizontal).toString();
    return titles;
}

QStringList rowTexts(const ReportListModel* model, int row)
{
    QStringList cells;
    for (int c = 0; c < model->columnCount(); ++c)
        cells << model->cellText(row, c);
    return cells;
}

} // namespace

class ReportViewTest : public ViewTestBase {
    Q_OBJECT

    // The program with a database chosen through the ICMP menu.
    void start(bool choose = true) { startProgram(choose ? kSelectIcmp : 0); }

    void run(int id)
    {
        QVERIFY(m_frame->routeCommand(id));
        waitIdle();
    }

    QList<QTreeView*> lists() const { return m_view->findChildren<QTreeView*>(); }

private slots:
    void cleanup() { stopProgram(); }

    void databaseChoiceIsSharedAndCancelForgetsIt()
    {
        start(false);
        run(kScanners);
        QCOMPARE(m_prompter->texts(), QStringList{kNoDatabase});
        QCOMPARE(m_prompter->messages.back().caption, QStringLiteral("Trawler"));
        QVERIFY(lists().isEmpty());

        // The four menu items set one path, with the chooser as described.
        for (int id : {kSelectIcmp, kSelectArp, kSelectIp, kSelectSyn}) {
            const QString chosen = m_db->qpath() + QString::number(id);
            m_prompter->answers = {chosen};
            run(id);
            QCOMPARE(m_view->databasePath(), chosen);
            QCOMPARE(m_prompter->choosers.back().kind, QStringLiteral("open"));
            QCOMPARE(m_prompter->choosers.back().title, QStringLiteral("选择mdb文件"));
            QCOMPARE(m_prompter->choosers.back().initialName, QStringLiteral("*.mdb"));
            QVERIFY(m_prompter->choosers.back().filter.startsWith(QStringLiteral("Microsoft Access文件(*.mdb);;")));
            QVERIFY(m_prompter->choosers.back().filter.contains("(*.db *.sqlite)"));
            // The status bar names the chosen file, its full path as tooltip.
            QCOMPARE(m_frame->databasePane()->text(), "数据库: " + QFileInfo(chosen).fileName());
            QCOMPARE(m_frame->databasePane()->toolTip(), chosen);
        }
        // A path with blanks and Chinese characters reaches the file as it is.
        m_db->icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.2", "Echo Request");
        m_prompter->answers = {m_db->qpath()};
        run(kSelectSyn);
        run(kScanners);
        QCOMPARE(m_prompter->messages.size(), size_t(1));
        QCOMPARE(lists().size(), 1);

        // Cancelling forgets the earlier choice.
        run(kSelectIp);
        QVERIFY(m_view->databasePath().isEmpty());
        run(kScanners);
        QCOMPARE(m_prompter->texts().last(), kNoDatabase);
        QVERIFY(lists().isEmpty());
        QVERIFY(!m_view->hintStatic());
        QVERIFY(m_view->queryEdit()); // the panel stays
    }

    void tableReportShowsListHintAndQueryPanel()
    {
        start();
        m_db->icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.9", "Echo Request");
        m_db->icmp("2004-05-18 23:59:59", "10.0.0.1", "10.0.0.8", "TimeStamp");
        m_db->icmp("2004-05-17 08:00:00", "10.0.0.2", "10.0.0.9", "Echo Request");
        m_db->icmp("2004-05-17 08:00:00", "10.0.0.3", "10.0.0.9", "Echo Reply");
        QVERIFY(m_view->findChildren<QWidget*>().isEmpty());
        run(kScanners);
        QVERIFY(m_prompter->messages.empty());

        QTreeView* list = m_view->reportList();
        QVERIFY(list && list->isVisible());
        QCOMPARE(list->geometry(), QRect(0, 0, 585, 300));
        QCOMPARE(columnTitles(list), (QStringList{"开始时间", "截至时间", "探测者IP", "总探测次数"}));
        for (int c = 0; c < 4; ++c)
            QCOMPARE(list->columnWidth(c), 100);
        QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
        auto* model = m_view->reportModel();
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(rowTexts(model, 0), (QStringList{"2004-05-17 09:00:00", "2004-05-18 23:59:59", "10.0.0.1", "2"}));
        QCOMPARE(rowTexts(model, 1), (QStringList{"2004-05-17 08:00:00", "2004-05-17 08:00:00", "10.0.0.2", "1"}));
        QCOMPARE(model->data(model->index(0, 0), Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 255));

        QLabel* hint = m_view->hintStatic();
        QVERIFY(hint && hint->isVisible());
        QCOMPARE(m_view->hintFrame()->geometry(), QRect(0, 305, 585, 80));
        QVERIFY(hint->wordWrap());
        QVERIFY(hint->text().startsWith(QStringLiteral("提示: 本表列出某IP对其他IP的探测情况")));
        QCOMPARE(hint->text().count('\n'), 2);
        QCOMPARE(hint->font().pixelSize(), 12);
        QCOMPARE(hint->font().family(), QStringLiteral("宋体"));
        QCOMPARE(hint->palette().color(QPalette::WindowText), QColor(0, 0, 255));

        QCOMPARE(m_view->queryLabel()->text(), QStringLiteral("自定义查询:"));
        QCOMPARE(m_view->queryLabel()->geometry(), QRect(0, 390, 45, 35));
        QCOMPARE(m_view->queryLabel()->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(m_view->queryEdit()->geometry(), QRect(50, 390, 470, 35));
        QCOMPARE(m_view->queryButton()->text(), QStringLiteral("开始查询"));
        QCOMPARE(m_view->queryButton()->geometry(), QRect(525, 390, 60, 35));
        QCOMPARE(m_view->queryButton()->property("controlId").toInt(), ID_CUSTOM_QUERY);
        QCOMPARE(m_view->queryButton()->font().pixelSize(), 12);
    }

    void stoppedReportsLeaveOnlyTheQueryPanel()
    {
        start();
        m_db->icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.9", "Echo Request");
        run(kScanners);
        QVERIFY(m_view->reportList() && m_view->hintStatic());

        // No row of the selected types: the earlier list and hint are gone.
        m_db->db.execute("delete from icmp");
        m_db->icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.9", "Echo Reply");
        run(kScanners);
        QCOMPARE(m_prompter->texts(), QStringList{kNoRecords});
        QVERIFY(lists().isEmpty());
        QVERIFY(!m_view->hintStatic());
        QVERIFY(m_view->queryEdit());

        // A missing table: the database's own description, nothing else.
        m_db->db.execute("drop table syn");
        run(kSynAll);
        QCOMPARE(m_prompter->messages.size(), size_t(2));
        QVERIFY2(m_prompter->texts().last().contains("syn"), qPrintable(m_prompter->texts().last()));
        QVERIFY(lists().isEmpty());
        QVERIFY(m_view->queryEdit());

        // A file that is not a database at all.
        const QString bogus = QString::fromStdString(m_db->dir.file("not a database.mdb"));
        QFile file(bogus);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();
        m_prompter->answers = {bogus};
        run(kSelectSyn);
        run(kSynAll);
        QCOMPARE(m_prompter->messages.size(), size_t(3));
        QVERIFY(!m_prompter->texts().last().isEmpty());
        QVERIFY(lists().isEmpty());
    }

    void secondReportReplacesFirstAndClearsTheQueryText()
    {
        start();
        m_db->icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.9", "Echo Request");
        m_db->syn("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.9", 1025, 139);
        trawler::db::Statement nullFirst = m_db->db.prepare("insert into syn values (NULL, '10.0.0.5', NULL, 80, 1030)");
        nullFirst.execute();
        run(kScanners);
        run(kScanners);
        QCOMPARE(lists().size(), 1);
        QCOMPARE(m_view->findChildren<QLabel*>(QStringLiteral("hint")).size(), 1);
        QCOMPARE(m_view->findChildren<QPlainTextEdit*>().size(), 1);
        m_view->queryEdit()->setPlainText("select * from icmp");

        run(kSynAll);
        QCOMPARE(lists().size(), 1);
        QCOMPARE(m_view->reportList()->geometry(), QRect(0, 0, 585, 385));
        QVERIFY(!m_view->hintStatic()); // the SYN table has no hint
        QCOMPARE(m_view->findChildren<QPlainTextEdit*>().size(), 1);
        QVERIFY(m_view->queryEdit()->toPlainText().isEmpty());
        auto* model = m_view->reportModel();
        QCOMPARE(columnTitles(m_view->reportList()), (QStringList{"时间", "源IP地址", "目的IP地址", "源端口", "目的端口"}));
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(rowTexts(model, 0), (QStringList{"2004-05-17 09:00:00", "10.0.0.1", "10.0.0.9", "1025", "139"}));
        // NULL cells are empty, the row is still listed.
        QCOMPARE(rowTexts(model, 1), (QStringList{"", "10.0.0.5", "", "80", "1030"}));
        QVERIFY(model->isNull(1, 0));
    }

    void freeQueryDialog()
    {
        start();
        m_db->icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.9", "Echo Request");
        m_db->icmp("2004-05-17 09:00:01", "10.0.0.1", "10.0.0.8", "Echo Request");
        m_db->icmp("2004-05-17 09:00:02", "10.0.0.2", "10.0.0.9", "Echo Request");
        run(kScanners);
        const auto rowsBefore = m_view->reportModel()->rowCount();

        QStringList titles;
        QList<QStringList> rows;
        QString caption;
        QString engine;
        int dialogs = 0;
        m_prompter->onExec = [&](QDialog& dialog) {
            ++dialogs;
            auto& result = dynamic_cast<CQueryResultDlg&>(dialog);
            caption = result.windowTitle();
            engine = result.engineLabel()->text();
            auto* model = qobject_cast<ReportListModel*>(result.list()->model());
            titles = columnTitles(result.list());
            rows.clear();
            for (int r = 0; r < model->rowCount(); ++r)
                rows << rowTexts(model, r);
            dialog.reject();
            return int(QDialog::Rejected);
        };

        // An empty edit does nothing at all.
        QTest::mouseClick(m_view->queryButton(), Qt::LeftButton);
        QCOMPARE(dialogs, 0);
        QVERIFY(m_prompter->messages.empty());

        // The button reaches the free query through command 2.
        const QString sql = QStringLiteral("select Sourceip, count(*)\nfrom icmp group by Sourceip order by Sourceip");
        m_view->queryEdit()->setPlainText(sql);
        QTest::mouseClick(m_view->queryButton(), Qt::LeftButton);
        waitIdle();
        QCOMPARE(dialogs, 1);
        QCOMPARE(caption, QStringLiteral("Dialog"));
        QCOMPARE(engine, QStringLiteral("数据库引擎: SQLite"));
        QCOMPARE(titles, (QStringList{"Sourceip", "count(*)"}));
        QCOMPARE(rows, (QList<QStringList>{{"10.0.0.1", "2"}, {"10.0.0.2", "1"}}));
        // The view is left as it was, the text stays.
        QCOMPARE(m_view->queryEdit()->toPlainText(), sql);
        QCOMPARE(m_view->reportModel()->rowCount(), rowsBefore);
        QVERIFY(m_view->hintStatic());

        // A statement without rows is carried out and counted.
        m_view->queryEdit()->setPlainText("update icmp set Code='x' where Sourceip='10.0.0.1'");
        run(ID_CUSTOM_QUERY);
        QCOMPARE(dialogs, 1);
        QCOMPARE(m_prompter->texts(), QStringList{"2 row(s) changed."});
        QCOMPARE(m_db->count("icmp where Code='x'"), 2);

        // Invalid SQL and an empty result: their messages, no dialog.
        m_view->queryEdit()->setPlainText("selec nothing");
        run(ID_CUSTOM_QUERY);
        m_view->queryEdit()->setPlainText("select * from icmp where Sourceip='none'");
        run(ID_CUSTOM_QUERY);
        QCOMPARE(dialogs, 1);
        QCOMPARE(m_prompter->messages.size(), size_t(3));
        QVERIFY(m_prompter->texts()[1].contains("syntax"));
        QCOMPARE(m_prompter->texts()[2], kNoRecords);
    }

    void trafficChartIsPaintedBesideItsList()
    {
        start();
        m_db->ip("10.0.0.1", "10.0.0.7", "TCP", 1025, 80, 600);
        m_db->ip("10.0.0.2", "10.0.0.8", "UDP", 53, 1030, 300);
        m_db->ip("10.0.0.3", "10.0.0.9", "", 0, 0, 100);
        run(kDestTraffic);
        QVERIFY(m_prompter->messages.empty());
        QCOMPARE(m_view->reportList()->geometry(), QRect(0, 0, 585, 245));
        QCOMPARE(m_view->hintFrame()->geometry(), QRect(0, 355, 585, 30));
        QVERIFY(m_view->hintStatic()->text().contains(QStringLiteral("dst net ") + m_view->networkPrefix() + "等"));
        QVERIFY(m_view->chartShown());
        QCOMPARE(m_view->chart().slices.size(), size_t(3));

        // Wedges run counter-clockwise from 3 o'clock round (220, 300):
        // red to 3.77 rad, green to 5.65, blue to the full turn.
        QImage shot = m_view->grab().toImage();
        const auto at = [](double angle, double radius) {
            return QPoint(int(220 + radius * std::cos(angle)), int(300 - radius * std::sin(angle)));
        };
        QCOMPARE(shot.pixelColor(at(1.5, 30)), QColor(255, 0, 0));
        QCOMPARE(shot.pixelColor(at(4.7, 30)), QColor(0, 255, 0));
        QCOMPARE(shot.pixelColor(at(6.0, 30)), QColor(0, 0, 255));
        QCOMPARE(shot.pixelColor(at(6.2, 40)), QColor(0, 0, 255)); // the pie closes
        QCOMPARE(shot.pixelColor(165, 300), QColor(128, 128, 128)); // outside the square
        // Legend lines in yellow at (290, 250 + 20 i), nothing between pie and legend.
        const QColor yellow(255, 255, 0);
        for (int i = 0; i < 3; ++i)
            QVERIFY2(hasColour(shot, QRect(290, 250 + 20 * i, 80, 16), yellow), qPrintable(QString::number(i)));
        QVERIFY(!hasColour(shot, QRect(290, 250 + 60, 80, 16), yellow));
        QVERIFY(!hasColour(shot, QRect(271, 250, 18, 60), yellow));
        QVERIFY(hasColour(shot, QRect(290, 250, 80, 16), QColor(128, 128, 128)));

        // Inserting a binding leaves the chart; a report without one hides it.
        run(kInsertIpMac);
        QVERIFY(m_view->chartShown());
        m_db->ip("10.0.0.1", "10.0.0.2", "TCP", 1025, 445, 60);
        run(kLanAccess);
        QVERIFY(!m_view->chartShown());
        QCOMPARE(m_view->reportList()->geometry(), QRect(0, 0, 585, 350));
        QCOMPARE(m_view->hintFrame()->geometry(), QRect(0, 355, 585, 30));
        QCOMPARE(m_view->reportModel()->rowCount(), 1);
        QVERIFY(m_prompter->messages.empty());

        // A report that stops early leaves the chart hidden too.
        run(kDestTraffic);
        QVERIFY(m_view->chartShown());
        m_db->db.execute("delete from ip");
        run(kDestTraffic);
        QCOMPARE(m_prompter->texts(), QStringList{kNoRecords});
        QVERIFY(!m_view->chartShown());
        shot = m_view->grab().toImage();
        QCOMPARE(shot.pixelColor(at(1.5, 30)), QColor(128, 128, 128));
        QVERIFY(!hasColour(shot, QRect(290, 250, 80, 16), yellow));
    }

    void legendScrollsAndMatchesItsWedges()
    {
        start();
        for (int i = 0; i < 16; ++i)
            m_db->ip("10.0.0.1", "10.0.1." + std::to_string(i), "TCP", 1025, 80, 1000 + i);
        run(kDestTraffic);
        QVERIFY(m_prompter->messages.empty());
        ShareLegend* legend = m_view->legend();
        QVERIFY(legend);
        const trawler::reports::PieLayout layout = trawler::reports::layoutPie(m_view->chart());
        QCOMPARE(legend->lines().size(), layout.wedges.size());
        QCOMPARE(int(layout.wedges.size()), 16);
        // The legend ends above the hint and scrolls to its last line.
        QVERIFY(legend->geometry().bottom() < m_view->hintFrame()->geometry().top());
        QVERIFY(legend->verticalScrollBar()->maximum() > 0);
        // Each line's swatch has its wedge's colour, repeats included.
        const QImage lines = legend->widget()->grab().toImage();
        for (int i = 0; i < 16; ++i) {
            const auto& c = layout.wedges[i].colour;
            QCOMPARE(lines.pixelColor(ShareLegend::swatchRect(i).center()), QColor(c.red, c.green, c.blue));
            QCOMPARE(legend->lines()[i].text, QString::fromStdString(layout.wedges[i].legend));
        }
        QCOMPARE(m_frame->rowsPane()->text(), QStringLiteral("共 16 行"));

        // Every hint can be read to its end: it fits, or its rectangle scrolls.
        for (int i = 0; i < 3; ++i)
            m_db->icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.9", "Echo Request");
        for (int id : {kScanners, kDestTraffic}) {
            run(id);
            const QLabel* hint = m_view->hintStatic();
            QVERIFY(hint);
            const int needed = hint->heightForWidth(hint->width());
            if (m_view->hintScroll())
                QVERIFY(hint->height() >= needed);
            else
                QVERIFY2(needed <= hint->height(), qPrintable(hint->text()));
        }
    }

    void exportWritesTheShownReport()
    {
        start();
        trawler::test::TempDir dir;
        const QString base = QString::fromStdString(dir.file("traffic"));
        // Nothing shown: nothing to export, no chooser.
        run(kExport);
        QCOMPARE(m_prompter->messages.size(), size_t(1));
        QVERIFY(m_prompter->choosers.empty() || m_prompter->choosers.back().kind != "save");
        m_prompter->messages.clear();

        m_db->ip("10.0.0.1", "10.0.0.7", "TCP", 1025, 80, 600);
        m_db->ip("10.0.0.2", "10.0.0.8", "UDP", 53, 1030, 300);
        m_db->ip("10.0.0.3", "10.0.0.9", "", 0, 0, 100);
        run(kDestTraffic);
        QVERIFY(m_prompter->messages.empty());
        const auto exportAs = [&](const QString& name) {
            m_prompter->answers = {name};
            run(kExport);
        };

        // A name without an extension becomes CSV: byte-order mark, titles, every row.
        exportAs(base);
        QFile csv(base + ".csv");
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray bytes = csv.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QStringList lines = QString::fromUtf8(bytes.mid(3)).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0].split(','), m_view->reportModel()->titles());
        QVERIFY(lines[1].split(',').contains("10.0.0.7"));

        // HTML: one page with the title, the rows and the chart as SVG.
        exportAs(base + ".html");
        QFile html(base + ".html");
        QVERIFY(html.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(html.readAll());
        QVERIFY(page.contains(QStringLiteral("目的IP流量统计")));
        QCOMPARE(page.count("<tr"), 4);
        QVERIFY(page.contains("<svg"));

        // The chart alone: SVG that reads as XML, PNG with the first wedge's red.
        exportAs(base + ".svg");
        QFile svg(base + ".svg");
        QVERIFY(svg.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&svg);
        while (!xml.atEnd())
            xml.readNext();
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        exportAs(base + ".png");
        const QImage png(base + ".png");
        QVERIFY(!png.isNull());
        QVERIFY(hasColour(png, png.rect(), QColor(255, 0, 0)));
        QCOMPARE(m_prompter->messages.size(), size_t(4));
        for (const auto& shown : m_prompter->messages)
            QVERIFY2(shown.text.contains(base), qPrintable(shown.text));

        // A report without a chart has no chart to export.
        m_db->ip("10.0.0.1", "10.0.0.2", "TCP", 1025, 445, 60);
        run(kLanAccess);
        m_prompter->messages.clear();
        exportAs(base + "-lan.png");
        QVERIFY(!QFile::exists(base + "-lan.png"));
        QCOMPARE(m_prompter->messages.size(), size_t(1));
    }

    void pairReportsLabelBothEnds()
    {
        start();
        m_db->ip("10.0.0.1", "10.0.0.2", "TCP", 1025, 80, 500);
        m_db->ip("10.0.0.1", "10.0.0.2", "TCP", 1026, 80, 400);
        m_db->ip("10.0.0.2", "10.0.0.1", "TCP", 80, 1025, 100);
        // Rows written behind the summaries' back: they are brought up to date
        // first, with the progress in the status bar, gone once the report shows.
        QStringList notes;
        connect(&m_view->reportWorker(), &ReportWorker::noteChanged, this,
                [&notes](const QString& text) { notes << text; });
        run(kTcpPairs);
        QVERIFY2(!notes.isEmpty() && notes.first().startsWith(QStringLiteral("正在生成流量汇总 ")), qPrintable(notes.join('|')));
        QVERIFY2(notes.contains(QStringLiteral("正在生成流量汇总 100%")), qPrintable(notes.join('|')));
        QCOMPARE(notes.last(), QString());
        QCOMPARE(m_frame->messagePane()->text(), QStringLiteral("就绪"));
        disconnect(&m_view->reportWorker(), &ReportWorker::noteChanged, this, nullptr);
        QVERIFY(m_prompter->messages.empty());
        QCOMPARE(m_view->reportModel()->rowCount(), 3);
        const auto& slices = m_view->chart().slices;
        QCOMPARE(slices.size(), size_t(3));
        QCOMPARE(QString::fromStdString(slices[0].label), QStringLiteral("10.0.0.1->10.0.0.2"));
        QCOMPARE(QString::fromStdString(slices[1].label), QStringLiteral("10.0.0.1->10.0.0.2"));
        QCOMPARE(QString::fromStdString(slices[2].label), QStringLiteral("10.0.0.2->10.0.0.1"));
        QCOMPARE(m_view->chart().centre.x, 70);
        const QImage shot = m_view->grab().toImage();
        QCOMPARE(shot.pixelColor(70 + 30, 295), QColor(255, 0, 0));
        QVERIFY(hasColour(shot, QRect(140, 250, 80, 16), QColor(255, 255, 0)));

        // No UDP rows: the message, no list and no chart.
        run(kUdpPairs);
        QCOMPARE(m_prompter->texts(), QStringList{kNoRecords});
        QVERIFY(lists().isEmpty());
        QVERIFY(!m_view->chartShown());
    }

    void icmpTypeShareShowsTheChartAlone()
    {
        start();
        // A tiny group first must not hide the chart.
        m_db->icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.9", "Address Mask Request");
        for (int i = 0; i < 50; ++i)
            m_db->icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.9", "Echo Reply");
        for (int i = 0; i < 50; ++i)
            m_db->icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.9", "Echo Request");
        m_db->icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.9", "Echo Request");
        run(kTypeShare);
        QVERIFY(m_prompter->messages.empty());
        QVERIFY(lists().isEmpty());
        QVERIFY(!m_view->queryEdit());
        QVERIFY(m_view->chartShown());
        QCOMPARE(m_view->chart().slices.size(), size_t(3));
        QCOMPARE(QString::fromStdString(m_view->chart().slices[0].label), QStringLiteral("Echo Request"));

        const QImage shot = m_view->grab().toImage();
        QCOMPARE(shot.pixelColor(250 + 30, 100 - 10), QColor(255, 0, 0));  // first wedge just past 3 o'clock
        QCOMPARE(shot.pixelColor(250 - 30, 100 + 10), QColor(0, 255, 0)); // second, past 9 o'clock
        QVERIFY(hasColour(shot, QRect(320, 50, 120, 16), QColor(255, 255, 0)));
        QVERIFY(hasColour(shot, QRect(320, 90, 120, 16), QColor(255, 255, 0)));

        // A repaint draws it again; the next report hides it.
        m_view->repaint();
        QCOMPARE(m_view->grab().toImage().pixelColor(280, 90), QColor(255, 0, 0));
        run(kSynAll);
        QCOMPARE(m_prompter->texts(), QStringList{kNoRecords});
        QVERIFY(!m_view->chartShown());
        QCOMPARE(m_view->grab().toImage().pixelColor(280, 90), QColor(128, 128, 128));

        // No icmp rows: the message and no chart.
        m_db->db.execute("delete from icmp");
        run(kTypeShare);
        QCOMPARE(m_prompter->texts().last(), kNoRecords);
        QVERIFY(!m_view->chartShown());
    }

    void largeResultReachesItsLastRowAtOnce()
    {
        start();
        constexpr int kRows = 200000;
        {
            trawler::db::Transaction transaction(m_db->db);
            trawler::db::Statement st = m_db->db.prepare(
                "insert into icmp (Tm, Sourceip, Destip, Type, Code, Totallen) values (?, '10.0.0.1', '10.0.0.2', "
                "'Echo Request', 'No Code', ?)");
            for (int i = 0; i < kRows; ++i)
                st.bindText(1, "t" + std::to_string(i)).bindInt(2, i).execute();
            transaction.commit();
        }
        run(kShowAllIcmp);
        QVERIFY(m_prompter->messages.empty());
        auto* model = m_view->reportModel();
        QTreeView* list = m_view->reportList();
        // Counted in the background: the list has every row and the scroll
        // bar covers them, while only the first rows have been read.
        QCOMPARE(model->rowCount(), kRows);
        QVERIFY(model->rowsRead() < 10000);
        QVERIFY(list->findChildren<QWidget*>().size() < 50);
        QCOMPARE(m_frame->rowsPane()->text(), QStringLiteral("共 200000 行"));
        QVERIFY(m_frame->rowsPane()->isVisible());

        // Ctrl+End lands on the last row at once; its text follows from the worker.
        list->setFocus();
        QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(list->currentIndex().row(), kRows - 1);
        list->viewport()->repaint();
        QTRY_COMPARE_WITH_TIMEOUT(model->cellText(kRows - 1, 0), QStringLiteral("t%1").arg(kRows - 1), 20000);
        QCOMPARE(model->cellText(kRows - 1, 5), QString::number(kRows - 1));
        QCOMPARE(model->cellText(0, 0), QStringLiteral("t0"));
        QCOMPARE(model->cellText(kRows / 2, 0), QStringLiteral("t%1").arg(kRows / 2));
        waitIdle();
        QCOMPARE(model->rowCount(), kRows);
        QVERIFY(m_prompter->messages.empty());

        // The free query's result dialog reaches its last row the same way.
        bool reached = false;
        qulonglong counted = 0;
        m_prompter->onExec = [&](QDialog& dialog) {
            auto& result = dynamic_cast<CQueryResultDlg&>(dialog);
            auto* rows = qobject_cast<ReportListModel*>(result.list()->model());
            result.show();
            if (!QTest::qWaitFor([rows] { return rows->totalRows().has_value(); }, 20000))
                return int(QDialog::Rejected);
            counted = *rows->totalRows();
            result.list()->setFocus();
            QTest::keyClick(result.list(), Qt::Key_End, Qt::ControlModifier);
            result.list()->viewport()->repaint();
            reached = QTest::qWaitFor([&] { return rows->cellText(kRows - 1, 0) == QStringLiteral("t%1").arg(kRows - 1); },
                                      20000) &&
                      result.list()->currentIndex().row() == kRows - 1;
            return int(QDialog::Rejected);
        };
        m_view->queryEdit()->setPlainText("select Tm from icmp order by rowid");
        run(ID_CUSTOM_QUERY);
        QCOMPARE(counted, qulonglong(kRows));
        QVERIFY(reached);
        m_prompter->onExec = nullptr;
        // Closing the dialog ends its reading; the report's count shows again.
        QCOMPARE(m_frame->rowsPane()->text(), QStringLiteral("共 200000 行"));

        // A cut cell has its whole text as a tooltip; a cell that fits has none.
        list->scrollToTop();
        QVERIFY(!reportCellIsCut(list, model->index(0, 0)));
        list->header()->setMinimumSectionSize(1);
        list->setColumnWidth(0, 5);
        QVERIFY(reportCellIsCut(list, model->index(0, 0)));
        QCOMPARE(model->data(model->index(0, 0), Qt::ToolTipRole).toString(), QStringLiteral("t0"));
        // Double-clicking the divider fits the column to its text again.
        emit list->header()->sectionHandleDoubleClicked(0);
        QVERIFY(!reportCellIsCut(list, model->index(0, 0)));
    }

    void runningWorkIsCancelled_data()
    {
        QTest::addColumn<bool>("byEscape");
        QTest::newRow("stop button") << false;
        QTest::newRow("Esc") << true;
    }

    void runningWorkIsCancelled()
    {
        QFETCH(bool, byEscape);
        start();
        for (int i = 0; i < 3000; ++i)
            m_db->icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.9", "Echo Request");
        run(kScanners);
        int dialogs = 0;
        m_prompter->onExec = [&](QDialog&) { return ++dialogs, int(QDialog::Rejected); };

        // A self-join that would run for hours stops at the operator's word,
        // and its thread ends.
        m_view->queryEdit()->setPlainText("select count(*) from icmp a, icmp b, icmp c");
        QVERIFY(m_frame->routeCommand(ID_CUSTOM_QUERY));
        QVERIFY(m_view->isBusy());
        QVERIFY(m_frame->stopButton()->isVisible());
        QCOMPARE(m_frame->messagePane()->text(), QStringLiteral("正在查询..."));
        if (byEscape)
            QTest::keyClick(m_frame, Qt::Key_Escape);
        else
            QTest::mouseClick(m_frame->stopButton(), Qt::LeftButton);
        QVERIFY(!m_view->isBusy());
        QVERIFY(!m_frame->stopButton()->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(m_view->reportWorker().runningJobs(), 0, 20000);
        QCOMPARE(dialogs, 0);
        QCOMPARE(m_prompter->texts(), QStringList());
        // The report shown before stays.
        QVERIFY(m_view->reportList());

        // A report replaced before its result arrives is never shown.
        run(kShowAllIcmp);
        QVERIFY(m_frame->routeCommand(kScanners));
        m_view->cancelReport();
        QTRY_COMPARE_WITH_TIMEOUT(m_view->reportWorker().runningJobs(), 0, 20000);
        QVERIFY(!m_view->reportList());
        QVERIFY(m_prompter->messages.empty());
    }

    void captionIconOpensTheSystemMenu()
    {
        start(false);
        // The lock panes are the bar's own indicators, without a frame of their own.
        const QList<QLabel*> panes = m_frame->statusBarXP()->indicators();
        QCOMPARE(panes.size(), 3);
        for (QLabel* pane : panes)
            QCOMPARE(pane->frameShape(), QFrame::NoFrame);

        QTest::mouseClick(m_frame, Qt::LeftButton, {}, m_frame->iconRect().center());
        auto* menu = m_frame->findChild<QMenu*>(QStringLiteral("systemMenu"));
        QVERIFY(menu);
        QTRY_VERIFY(menu->isVisible());
        auto* title = qobject_cast<QWidgetAction*>(menu->actions().first());
        QVERIFY(title);
        QCOMPARE(qobject_cast<skin::CMenuTitle*>(title->defaultWidget())->text(), QStringLiteral("拖网渔船"));
        QStringList items;
        for (QAction* action : menu->actions())
            if (!action->isSeparator() && action != title)
                items << action->text();
        QCOMPARE(items, (QStringList{"还原(&R)", "移动(&M)", "大小(&S)", "最小化(&N)", "最大化(&X)", "关闭(&C)"}));
        QVERIFY(!menu->findChild<QAction*>("restore")->isEnabled());
        QVERIFY(!menu->findChild<QAction*>("maximize")->isEnabled());
        menu->findChild<QAction*>("minimize")->trigger();
        QVERIFY(m_frame->isMinimized());
        m_frame->showNormal();
        menu->hide();
        menu->findChild<QAction*>("close")->trigger();
        QVERIFY(!m_frame->isVisible());
    }
};

QTEST_MAIN(ReportViewTest)
#include "report_view_test.moc"
