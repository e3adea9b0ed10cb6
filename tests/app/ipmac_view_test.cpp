// The IP-MAC commands of the view: the dialog's layout and sample values, the
// insert and modify flows with their messages, hostile input, and the map
// report's warnings and red rows.
#include "ViewTestBase.h"

#include "app/CChangedMacDlg.h"
#include "app/CIpMacDlg.h"
#include "app/CMainFrame.h"
#include "app/CTrawlerApp.h"
#include "app/CTrawlerView.h"
#include "app/ReportListModel.h"
#include "db/Database.h"
#include "reports/IpMacInput.h"
#include "reports/LocalNetwork.h"
#include "skin/CSkinButton.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QTest>
#include <QTreeWidget>

#include <tuple>

#include <memory>

namespace {

enum Command { kSelectArp = 32784, kIpMacMap = 32785, kInsert = 32816, kModify = 32792 };

const QString kNoDatabase = QStringLiteral("You haven't set the Database to be analysed.");
const QString kInserted = QStringLiteral("Insert record succeed.");
const QString kExists = QStringLiteral("The ip and its mac have existed in the database.");
const QString kNotIncluded =
    QStringLiteral("This ip has not been included in the database.Please insert it using the insert menu.");
const QString kUpdated = QStringLiteral("Record Update succeed.");

} // namespace

class IpMacViewTest : public ViewTestBase {
    Q_OBJECT

    int m_dialogs = 0;

    void start(bool choose = true)
    {
        m_dialogs = 0;
        startProgram(choose ? kSelectArp : 0);
    }

    // The operator types ip and mac into the dialog and presses OK.
    void answer(const QString& ip, const QString& mac)
    {
        m_prompter->onExec = [this, ip, mac](QDialog& dialog) {
            ++m_dialogs;
            auto& d = dynamic_cast<CIpMacDlg&>(dialog);
            d.ipEdit()->setText(ip);
            d.macEdit()->setText(mac);
            d.okButton()->click();
            return d.result();
        };
    }

    // Runs a command and returns the messages it showed.
    QStringList run(int id)
    {
        const size_t before = m_prompter->messages.size();
        m_frame->routeCommand(id);
        waitIdle();
        QStringList shown;
        for (size_t i = before; i < m_prompter->messages.size(); ++i) {
            shown << m_prompter->messages[i].text;
            if (m_prompter->messages[i].caption != QStringLiteral("Trawler"))
                shown << "wrong caption";
        }
        return shown;
    }

private slots:
    void cleanup() { stopProgram(); }

    void dialogLayoutAndSampleValues()
    {
        start();
        const trawler::reports::LocalInterface sample = trawler::reports::localInterface();
        QVERIFY(trawler::reports::normaliseIpv4(sample.ip));
        QVERIFY(trawler::reports::normaliseMac(sample.mac));
        QCOMPARE(m_view->networkPrefix(), QString::fromStdString(sample.ip).section('.', 0, 2));

        QString ip, mac, title, ok, cancel, ipLabel, macLabel, afterCancel;
        QRect ipRect, okRect;
        QSize size;
        m_prompter->onExec = [&](QDialog& dialog) {
            auto& d = dynamic_cast<CIpMacDlg&>(dialog);
            title = d.windowTitle();
            ip = d.ipEdit()->text();
            mac = d.macEdit()->text();
            ok = d.okButton()->text();
            cancel = d.cancelButton()->text();
            ipRect = d.ipEdit()->geometry();
            okRect = d.okButton()->geometry();
            size = d.size();
            ipLabel = d.findChild<QLabel*>("1006")->text();
            macLabel = d.findChild<QLabel*>("1007")->text();
            d.cancelButton()->click();
            afterCancel = d.m_strIp + d.m_strMac; // cancel copies nothing
            return d.result();
        };
        QCOMPARE(run(kInsert), QStringList());
        QCOMPARE(title, QStringLiteral("Dialog"));
        QCOMPARE(ipLabel, QStringLiteral("IP地址:"));
        QCOMPARE(macLabel, QStringLiteral("MAC地址:"));
        QVERIFY(afterCancel.isEmpty());
        QCOMPARE(ip, QString::fromStdString(sample.ip));
        QCOMPARE(mac, QString::fromStdString(sample.mac));
        QCOMPARE(ok, QStringLiteral("确定"));
        QCOMPARE(cancel, QStringLiteral("取消"));
        QCOMPARE(size, CIpMacDlg::fromUnits(0, 0, 188, 53).size());
        QCOMPARE(ipRect, CIpMacDlg::fromUnits(43, 5, 109, 12));
        QCOMPARE(okRect, CIpMacDlg::fromUnits(160, 4, 21, 14));
    }

    void cancelDoesNoDatabaseWork()
    {
        start(false);
        // No database chosen: told before any dialog, which never opens.
        answer("10.0.0.1", "00-0c-29-3a-5f-01");
        QCOMPARE(run(kInsert), QStringList{kNoDatabase});
        QCOMPARE(run(kModify), QStringList{kNoDatabase});
        QCOMPARE(m_dialogs, 0);
        QCOMPARE(m_db->count("ipmac"), 0);
    }

    void insertAndModifyFlows()
    {
        start();
        answer("10.0.0.1", "00-0C-29-3A-5F-01");
        QCOMPARE(run(kInsert), QStringList{kInserted});
        QCOMPARE(m_db->storedMac("10.0.0.1"), std::optional<std::string>("00-0c-29-3a-5f-01"));
        // The IP is bound already: nothing changes, whatever the MAC.
        answer("10.0.0.1", "00-0c-29-00-00-02");
        QCOMPARE(run(kInsert), QStringList{kExists});
        QCOMPARE(m_db->storedMac("10.0.0.1"), std::optional<std::string>("00-0c-29-3a-5f-01"));
        answer("10.0.0.2", "00-0c-29-00-00-02");
        QCOMPARE(run(kModify), QStringList{kNotIncluded});
        QCOMPARE(m_db->count("ipmac"), 1);
        answer(" 10.0.0.1 ", "00:0c:29:00:00:02");
        QCOMPARE(run(kModify), QStringList{kUpdated});
        QCOMPARE(m_db->storedMac("10.0.0.1"), std::optional<std::string>("00-0c-29-00-00-02"));
        QCOMPARE(m_dialogs, 4);
    }

    void refusedInputKeepsTheDialogOpen()
    {
        start();
        for (const auto& [ip, mac, field] : {std::tuple{"10.0.0.1", "00-0c-29", int(CIpMacDlg::kMacEdit)},
                                             std::tuple{"10.0.0.256", "00-0c-29-3a-5f-01", int(CIpMacDlg::kIpEdit)}}) {
            bool kept = false;
            int marked = 0;
            m_prompter->onExec = [&, ip = QString(ip), mac = QString(mac)](QDialog& dialog) -> int {
                auto& d = dynamic_cast<CIpMacDlg&>(dialog);
                d.ipEdit()->setText(ip);
                d.macEdit()->setText(mac);
                d.okButton()->click();
                kept = d.result() != QDialog::Accepted && d.ipEdit()->text() == ip && d.macEdit()->text() == mac;
                marked = d.markedField();
                // Mended, the same dialog takes it.
                d.ipEdit()->setText("10.0.0.1");
                d.macEdit()->setText("00-0c-29-3a-5f-01");
                d.okButton()->click();
                kept = kept && d.markedField() == 0;
                return d.result();
            };
            const QStringList shown = run(field == CIpMacDlg::kMacEdit ? kInsert : kModify);
            QVERIFY(kept);
            QCOMPARE(marked, field);
            QCOMPARE(shown.size(), 2);
            QCOMPARE(shown[1], field == CIpMacDlg::kMacEdit ? kInserted : kUpdated);
        }
        QCOMPARE(m_db->count("ipmac"), 1);
    }

    void hostileInputIsRefusedBeforeTheDatabase()
    {
        start();
        m_db->binding("10.0.0.1", "00-0c-29-3a-5f-01");
        const QString overlong = QString(300, QChar('9'));
        const QList<QPair<QString, QString>> inputs = {
            {"10.0.0.9'", "00-0c-29-3a-5f-01"},
            {"10.0.0.9", "00-0c-29-3a-5f-01'"},
            {"10.0.0.1' or '1'='1", "00-0c-29-3a-5f-02"},
            {"10.0.0.9'); drop table ipmac; --", "00-0c-29-3a-5f-02"},
            {"10.0.0.9", "x'); delete from ipmac; --"},
            {overlong, "00-0c-29-3a-5f-02"},
            {"10.0.0.9", overlong},
            {QStringLiteral("１０.０.０.９"), "00-0c-29-3a-5f-02"},
            {QStringLiteral("本机"), QStringLiteral("网卡地址")},
            {"", ""},
            {"10.0.0.256", "00-0c-29-3a-5f-02"},
            {"10.0.0.9", "00-0c-29-3a-5f"},
            {"10.0.0.9", "00-0c:29-3a-5f-02"},
        };
        for (const auto& [ip, mac] : inputs) {
            answer(ip, mac);
            for (int id : {kInsert, kModify}) {
                const QStringList shown = run(id);
                QCOMPARE(shown.size(), 1);
                QVERIFY2(shown[0] != kInserted && shown[0] != kUpdated && !shown[0].isEmpty(),
                         qPrintable(ip.left(40) + " / " + mac.left(40)));
            }
        }
        QCOMPARE(m_db->count("ipmac"), 1);
        QCOMPARE(m_db->storedMac("10.0.0.1"), std::optional<std::string>("00-0c-29-3a-5f-01"));
    }

    void manyChangedMacsComeAsOneList()
    {
        start();
        // Five changed bindings: one dialog lists them all, no message box.
        for (int i = 1; i <= 5; ++i) {
            const std::string ip = "10.0.0." + std::to_string(i);
            m_db->binding(ip, "00-0c-29-00-00-0" + std::to_string(i));
            m_db->arp(ip, "00-0c-29-99-99-0" + std::to_string(i));
        }
        m_db->arp("10.0.0.9", "00-0c-29-00-00-09");   // unbound, not listed
        QList<QStringList> listed;
        m_prompter->onExec = [&](QDialog& dialog) {
            auto& changed = dynamic_cast<CChangedMacDlg&>(dialog);
            for (int r = 0; r < changed.list()->topLevelItemCount(); ++r) {
                QStringList row;
                for (int c = 0; c < 3; ++c)
                    row << changed.list()->topLevelItem(r)->text(c);
                listed << row;
            }
            return int(QDialog::Accepted);
        };
        QCOMPARE(run(kIpMacMap), QStringList());
        QCOMPARE(listed.size(), 5);
        QCOMPARE(listed[0], (QStringList{"10.0.0.1", "00-0c-29-00-00-01", "00-0c-29-99-99-01"}));
        QCOMPARE(listed[4], (QStringList{"10.0.0.5", "00-0c-29-00-00-05", "00-0c-29-99-99-05"}));
        QCOMPARE(m_view->reportModel()->rowCount(), 6);

        // Three keep a box each.
        m_db->db.execute("delete from ipmac where Ip in ('10.0.0.4', '10.0.0.5')");
        listed.clear();
        QCOMPARE(run(kIpMacMap).size(), 3);
        QVERIFY(listed.isEmpty());
    }

    void mapWarnsOncePerChangedMacAndPaintsItRed()
    {
        start();
        m_db->arp("10.0.0.1", "00-0c-29-3a-5f-01");
        m_db->arp("10.0.0.1", "00-0c-29-66-66-66");
        m_db->arp("10.0.0.2", "00-0c-29-00-00-02 ");
        m_db->arp("10.0.0.3", "00-0c-29-00-00-03");   // no binding
        m_db->binding("10.0.0.1", "00-0c-29-3a-5f-01");
        m_db->binding("10.0.0.2", "00-0c-29-00-00-02 "); // blanks on both sides
        // While a warning is up, the row it is about is the last one listed.
        QStringList lastRowAtWarning;
        m_prompter->onMessage = [this, &lastRowAtWarning](const ScriptedPrompter::Shown&) {
            const auto* listed = m_view->reportModel();
            lastRowAtWarning << (listed ? listed->cellText(listed->rowCount() - 1, 1) : QString());
        };
        QCOMPARE(run(kIpMacMap), QStringList{"The ip address 10.0.0.1's mac has changed from 00-0c-29-3a-5f-01 to "
                                             "00-0c-29-66-66-66"});
        m_prompter->onMessage = nullptr;
        QCOMPARE(lastRowAtWarning, QStringList{"00-0c-29-66-66-66"});
        QTreeView* list = m_view->reportList();
        QVERIFY(list);
        QCOMPARE(list->geometry(), QRect(0, 0, 585, 300));
        auto* model = m_view->reportModel();
        QCOMPARE(model->titles(), (QStringList{"IP地址", "MAC地址"}));
        QCOMPARE(model->rowCount(), 4);
        int red = 0;
        for (int r = 0; r < model->rowCount(); ++r) {
            const QColor colour = model->data(model->index(r, 1), Qt::ForegroundRole).value<QColor>();
            if (model->cellText(r, 1) == "00-0c-29-66-66-66") {
                QCOMPARE(colour, QColor(255, 0, 0));
                ++red;
            } else {
                QCOMPARE(colour, QColor(0, 0, 255));
            }
        }
        QCOMPARE(red, 1);
        QCOMPARE(m_view->hintStatic()->text(), QStringLiteral("提示: 本表列出本网段IP与MAC地址的对应关系。"));
        QCOMPARE(m_view->hintFrame()->geometry(), QRect(0, 305, 585, 80));
        QVERIFY(m_view->queryEdit());

        // A reference typed in capitals is stored in the parser's form: no
        // false warning. Modifying then warns against the new value.
        m_db->db.execute("delete from ipmac");
        answer("10.0.0.3", "00-0C-29-00-00-03");
        QCOMPARE(run(kInsert), QStringList{kInserted});
        QCOMPARE(run(kIpMacMap), QStringList());
        answer("10.0.0.3", "00-0c-29-00-00-99");
        QCOMPARE(run(kModify), QStringList{kUpdated});
        QCOMPARE(run(kIpMacMap), QStringList{"The ip address 10.0.0.3's mac has changed from 00-0c-29-00-00-99 to "
                                             "00-0c-29-00-00-03"});
    }

    void writeWaitsForAnotherWriterOrGivesUp()
    {
        start();
        const QString waiting = QStringLiteral("正在等待另一个运行结束...");
        QLabel* pane = m_frame->messagePane();
        auto holdWrite = [this] {
            auto holder = std::make_unique<trawler::db::Database>();
            holder->open(m_db->path);
            holder->begin();
            holder->execute("insert into icmp (Tm, Sourceip, Destip, Type, Code, Totallen) "
                            "values ('2004-05-17 09:00:00', '10.9.9.9', '10.9.9.8', 'Echo', 'No Code', 60)");
            return holder;
        };

        // The insert waits, says so, and completes once the other writer ends.
        auto holder = holdWrite();
        answer("10.0.0.1", "00-0c-29-3a-5f-01");
        const size_t before = m_prompter->messages.size();
        m_frame->routeCommand(kInsert);
        QTRY_COMPARE_WITH_TIMEOUT(pane->text(), waiting, 20000);
        QVERIFY(m_view->isBusy());
        QCOMPARE(m_prompter->messages.size(), before);
        // A report asked for meanwhile runs beside the write, not instead of it.
        m_frame->routeCommand(kIpMacMap);
        QTRY_VERIFY_WITH_TIMEOUT(m_prompter->messages.size() > before, 20000);
        QCOMPARE(m_prompter->messages.back().text, QStringLiteral("没有符合条件的记录."));
        QVERIFY(m_view->editWorker().isBusy());
        QCOMPARE(pane->text(), waiting);
        holder->commit();
        waitIdle();
        QCOMPARE(m_prompter->messages.back().text, kInserted);
        QCOMPARE(m_db->storedMac("10.0.0.1"), std::optional<std::string>("00-0c-29-3a-5f-01"));
        QCOMPARE(pane->text(), QStringLiteral("就绪"));

        // Given up with the status bar's stop button: nothing written, nothing said.
        holder = holdWrite();
        answer("10.0.0.1", "00-0c-29-00-00-02");
        const size_t messages = m_prompter->messages.size();
        m_frame->routeCommand(kModify);
        QTRY_COMPARE_WITH_TIMEOUT(pane->text(), waiting, 20000);
        m_frame->findChild<QToolButton*>("stopButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_view->editWorker().runningJobs(), 0, 20000);
        QCOMPARE(pane->text(), QStringLiteral("就绪"));
        holder->commit();
        holder.reset();
        QCOMPARE(m_prompter->messages.size(), messages);
        QCOMPARE(m_db->storedMac("10.0.0.1"), std::optional<std::string>("00-0c-29-3a-5f-01"));
    }

    void mapStopsOnEmptyAndMissingTables()
    {
        start();
        QCOMPARE(run(kIpMacMap), QStringList{QStringLiteral("没有符合条件的记录.")});
        QVERIFY(!m_view->reportList());
        m_db->db.execute("drop table arp");
        const QStringList shown = run(kIpMacMap);
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains("arp"), qPrintable(shown[0]));
        QVERIFY(!m_view->reportList());
        QVERIFY(!m_view->hintStatic());
    }
};

QTEST_MAIN(IpMacViewTest)
#include "ipmac_view_test.moc"
