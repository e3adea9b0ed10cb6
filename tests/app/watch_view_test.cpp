// The 监视 menu in the program: refusals through the Prompter, the alert list
// (order, red rows, acknowledging), and on lo as root a watch started,
// stopped and ended by closing the window with its last file taken in.
#include "ViewTestBase.h"

#include "app/CommandTable.h"
#include "app/ReportListModel.h"
#include "app/WatchController.h"
#include "capturegui/CSaveDirDlg.h"
#include "capturegui/CaptureController.h"
#include "db/AlertStore.h"
#include "skin/CSkinButton.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>

#include <unistd.h>

namespace {

const QString kNoDatabase = QStringLiteral("You haven't set the Database to be analysed.");
constexpr int kSelectSyn = 32794;

trawler::db::StoredAlert alert(const std::string& time, const std::string& kind, const std::string& ip)
{
    trawler::db::StoredAlert a;
    a.time = time;
    a.kind = kind;
    a.severity = "warning";
    a.ip = ip;
    a.key = kind + "/" + ip + "/" + time;
    return a;
}

} // namespace

class WatchViewTest : public ViewTestBase {
    Q_OBJECT

    QTreeView* alertList() const { return m_view->findChild<QTreeView*>(QStringLiteral("alertList")); }
    CSkinButton* acknowledgeButton() const { return m_view->findChild<CSkinButton*>(QStringLiteral("acknowledgeButton")); }
    QLabel* watchPane() const { return m_frame->findChild<QLabel*>(QStringLiteral("watchPane")); }

    void showAlerts()
    {
        m_frame->routeCommand(ID_WATCH_ALERTS);
        waitIdle();
        QVERIFY(alertList());
    }

    // The operator sets the save directory through its dialog.
    void setSaveDir(const QString& dir)
    {
        m_prompter->onExec = [dir](QDialog& dialog) {
            auto& d = dynamic_cast<CSaveDirDlg&>(dialog);
            d.dirEdit()->setText(dir);
            d.accept();
            return int(QDialog::Accepted);
        };
        m_frame->routeCommand(32777);
        m_prompter->onExec = nullptr;
    }

private slots:
    void initTestCase()
    {
        // Nothing is ever captured beyond the loopback interface.
        qputenv("TRAWLER_CAPTURE_INTERFACE", "lo");
    }

    void cleanup() { stopProgram(); }

    void withoutDatabaseStartAndAlertsAreRefused()
    {
        startProgram();
        m_frame->routeCommand(ID_WATCH_START);
        QCOMPARE(m_prompter->messages.size(), size_t(1));
        QCOMPARE(m_prompter->messages.back().text, kNoDatabase);
        QVERIFY(!WatchController::of(*m_view).isRunning());
        QVERIFY(watchPane()->isHidden());

        m_frame->routeCommand(ID_WATCH_ALERTS);
        QCOMPARE(m_prompter->messages.size(), size_t(2));
        QCOMPARE(m_prompter->messages.back().text, kNoDatabase);
        QVERIFY(!alertList());
        // Stopping what does not run is no error.
        m_frame->routeCommand(ID_WATCH_STOP);
        QCOMPARE(m_prompter->messages.size(), size_t(2));
    }

    void captureThatCannotStartIsToldAndNothingRuns()
    {
        startProgram(kSelectSyn);
        // A folder that cannot be made: its parent is a plain file.
        trawler::test::TempDir dir;
        QFile plain(QString::fromStdString(dir.file("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        setSaveDir(QString::fromStdString(dir.file("plain/captures")));
        m_prompter->messages.clear();
        m_frame->routeCommand(ID_WATCH_START);
        WatchController& watch = WatchController::of(*m_view);
        QTRY_VERIFY_WITH_TIMEOUT(!watch.isRunning(), 20000);
        QCOMPARE(m_prompter->messages.size(), size_t(1));
        QVERIFY2(m_prompter->messages.back().text.contains(QStringLiteral("plain/captures")),
                 qPrintable(m_prompter->messages.back().text));
        QVERIFY(watchPane()->isHidden());
    }

    void alertsListNewestFirstUnacknowledgedRedAndAcknowledged()
    {
        startProgram(kSelectSyn);
        {
            trawler::db::AlertStore store(m_db->db);
            for (auto a : {alert("2024-03-01 10:00:00", "icmp-sweep", "10.0.0.1"),
                           alert("2024-03-01 11:00:00", "syn-scan", "10.0.0.2"),
                           alert("2024-03-01 12:00:00", "mac-changed", "10.0.0.3")})
                QVERIFY(store.insert(a));
            QCOMPARE(store.acknowledge(1), 1); // the oldest is seen to already
        }
        showAlerts();
        auto* model = qobject_cast<ReportListModel*>(alertList()->model());
        QVERIFY(model);
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->cellText(0, 2), QStringLiteral("mac-changed"));
        QCOMPARE(model->cellText(1, 2), QStringLiteral("syn-scan"));
        QCOMPARE(model->cellText(2, 2), QStringLiteral("icmp-sweep"));
        QVERIFY(model->isFlagged(0) && model->isFlagged(1) && !model->isFlagged(2));
        QCOMPARE(m_frame->rowsPane()->text(), QStringLiteral("共 3 行"));

        // The selected row only.
        QVERIFY(acknowledgeButton() && acknowledgeButton()->isEnabled());
        alertList()->selectionModel()->select(model->index(1, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        acknowledgeButton()->click();
        waitIdle();
        model = qobject_cast<ReportListModel*>(alertList()->model());
        QCOMPARE(model->rowCount(), 3);
        QVERIFY(model->isFlagged(0) && !model->isFlagged(1) && !model->isFlagged(2));

        // Nothing selected: every one.
        QTRY_VERIFY(acknowledgeButton());
        acknowledgeButton()->click();
        waitIdle();
        model = qobject_cast<ReportListModel*>(alertList()->model());
        QVERIFY(!model->isFlagged(0) && !model->isFlagged(1) && !model->isFlagged(2));
        QTRY_COMPARE(m_view->findChildren<CSkinButton*>(QStringLiteral("acknowledgeButton")).size(), 1);
        QVERIFY(!acknowledgeButton()->isEnabled());
        trawler::db::AlertStore store(m_db->db);
        for (const auto& a : store.list())
            QVERIFY(a.acknowledged);

        // Another report takes the list and its button away.
        m_frame->routeCommand(32795);
        waitIdle();
        QTRY_VERIFY(!acknowledgeButton());
    }

    // Live on lo only, as root: each stop takes the file being written in.
    void watchOnLoopbackStopsCleanlyAndClosingStopsItFirst()
    {
        if (::geteuid() != 0)
            QSKIP("live capture on lo needs root (CAP_NET_RAW)");
        startProgram(kSelectSyn);
        trawler::test::TempDir dir;
        setSaveDir(QString::fromStdString(dir.path()));
        m_prompter->messages.clear();
        WatchController& watch = WatchController::of(*m_view);

        m_frame->routeCommand(ID_WATCH_START);
        QVERIFY(watch.isRunning());
        QVERIFY(watchPane()->isVisible());
        QVERIFY2(watchPane()->text().startsWith(QStringLiteral("监视中")), qPrintable(watchPane()->text()));
        m_frame->routeCommand(ID_WATCH_START);
        QCOMPARE(m_prompter->messages.size(), size_t(1)); // a second watch is refused
        m_view->OnCaptureStart();   // and so is a capture beside it
        QCOMPARE(m_prompter->messages.size(), size_t(2));
        QVERIFY(!m_view->captureController().isCapturing());
        m_prompter->messages.pop_back();
        // Once the capture has its file, stopping takes that file in.
        const QDir folder(QString::fromStdString(dir.path()));
        QTRY_VERIFY_WITH_TIMEOUT(!folder.entryList(QDir::Files).isEmpty(), 20000);
        m_frame->routeCommand(ID_WATCH_STOP);
        QTRY_VERIFY_WITH_TIMEOUT(!watch.isRunning(), 30000);
        QVERIFY(watchPane()->isHidden());
        QCOMPARE(m_prompter->messages.size(), size_t(2));
        QVERIFY2(m_prompter->messages.back().text.contains(QStringLiteral("1 个文件")),
                 qPrintable(m_prompter->messages.back().text));
        {
            trawler::db::AlertStore store(m_db->db);
            QVERIFY(store.hasRuns());
        }

        // Closing while watching waits for the watch, then closes.
        m_frame->show();
        m_frame->routeCommand(ID_WATCH_START);
        QVERIFY(watch.isRunning());
        QVERIFY(!m_frame->close());
        QVERIFY(watch.isStopping());
        QTRY_VERIFY_WITH_TIMEOUT(!m_frame->isVisible(), 30000);
        QVERIFY(!watch.isRunning());
    }
};

QTEST_MAIN(WatchViewTest)
#include "watch_view_test.moc"
