#pragma once
// The one view of the program: the main window's client area. It owns the
// state that the commands share and receives every command but About, Exit
// and the document's own.
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QString>
#include <QTreeView>
#include <QWidget>

#include "CHelpDlg.h"
#include "ReportWorker.h"

#include "reports/ReportDefinition.h"
#include "ShareLegend.h"

#include "skin/CSkinButton.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>


class CaptureController;
class CommandRouter;
class ParseLauncher;
class Prompter;
class QPainter;
class ReportListModel;


namespace trawler::db {
struct StoredAlert;
} // namespace trawler::db

namespace trawler::reports {
struct FreeQueryOutcome;
struct IpMacMapRow;
class ReportError;
struct ReportDefinition;
struct ShareChart;
} // namespace trawler::reports

class CTrawlerView : public QWidget {
    Q_OBJECT
public:
    static constexpr QRgb kBackground = 0xff808080;     // RGB(128, 128, 128)
    static constexpr QRgb kBannerText = 0xff00ffff;     // RGB(0, 255, 255)
    static constexpr QRgb kBannerBackground = 0xff848284; // RGB(132, 130, 132)
    static constexpr QRgb kStaticText = 0xff0000ff;     // RGB(0, 0, 255)
    static const char* const kCaptureBanner;

    explicit CTrawlerView(Prompter& prompter, QWidget* parent = nullptr);
    ~CTrawlerView() override;

    Prompter& prompter() const { return m_prompter; }
    // Where the view's own controls send their commands (the main window);
    // a view without one handles them itself.
    void setCommandRouter(CommandRouter* router) { m_router = router; }
    ParseLauncher& parseLauncher() const { return *m_parse; }
    CaptureController& captureController() const { return *m_capture; }

    // The capture flag: while it is set the view paints the capture banner.
    // The capture controller sets it as capture starts and stops.
    bool isCapturing() const { return m_bCapturing; }
    // While the guard answers true (a watch captures already), 开始 is refused.
    void setCaptureGuard(std::function<bool()> guard) { m_captureGuard = std::move(guard); }
    void setCapturing(bool capturing);

    // Database files (CTrawlerView.cpp).
    void OnCreateMdb();
    void OnInitMdb();
    bool InitTables(const QString& path);

    // Capture and parse.
    void OnSetSaveDir();
    void OnCaptureStart();
    void OnCaptureStop();
    void OnParse();

    // Help: the manual in a window of its own.
    void OnHelpTopics();
    CHelpDlg* helpWindow() const { return m_help; }

    // Reports (CTrawlerViewReports.cpp).
    void OnSelectDatabase();
    void OnIcmpScanners();
    void OnIcmpScanned();
    void OnIcmpRelations();
    void OnIcmpProbeLength();
    void OnIcmpShowAll();
    void OnIcmpTypeShare();
    void OnSynShowAll();
    void OnCustomQuery();
    void OnIpMacMap();
    void OnInsertIpMac();
    void OnModifyIpMac();
    void OnDestIpTraffic();
    void OnTcpPairTraffic();
    void OnUdpPairTraffic();
    void OnLanAccess();
    // 文件 → 导出报表... (CTrawlerViewExport.cpp).
    void OnExportReport();
    // 监视 → 显示警报, and acknowledging the alerts listed (CTrawlerViewAlerts.cpp).
    void OnShowAlerts();
    void OnAcknowledgeAlerts();

    // True while a report, chart or free query is read or counted on the
    // worker; cancelReport() (Esc, the status bar's 停止) ends that work and
    // keeps what is shown.
    bool isBusy() const;
    void cancelReport();
    const ReportWorker& reportWorker() const { return *m_worker; }
    // The worker of IP-MAC inserts and modifies; Esc and 停止 give up its wait.
    const ReportWorker& editWorker() const { return *m_editWorker; }
    // What the running work says of itself (a wait, a progress); empty when
    // nothing.
    QString statusNote() const;

    // What the reports show; null while the control does not exist.
    QTreeView* reportList() const { return m_pReportList; }
    ReportListModel* reportModel() const;
    QLabel* hintStatic() const { return m_pHintStatic; }
    // The scrolling frame of a hint too long for its rectangle; null otherwise.
    QWidget* hintScroll() const { return m_pHintScroll; }
    // What stands in the hint's rectangle: the hint, or its scrolling frame.
    QWidget* hintFrame() const { return m_pHintScroll ? m_pHintScroll.data() : m_pHintStatic.data(); }
    ShareLegend* legend() const { return m_pLegend; }
    QLabel* queryLabel() const { return m_stQueryLabel; }
    QPlainTextEdit* queryEdit() const { return m_editQuery; }
    CSkinButton* queryButton() const { return m_btnQuery; }
    QString databasePath() const { return m_szDbPath; }
    bool chartShown() const { return m_bShowChart; }
    // The chart the view paints while chartShown().
    const trawler::reports::ShareChart& chart() const;
    // The network prefix of the destination-traffic hint.
    QString networkPrefix() const;

    // The database the last parse command handed on.
    QString lastParseDatabase() const { return m_strParseDb; }

signals:
    void busyChanged(bool busy);
    // The rows of the report shown, once known; -1 when there is none.
    void rowCountChanged(qlonglong rows);
    // The database chosen for analysis (empty: none).
    void databaseChanged(const QString& path);
    void statusNoteChanged(const QString& note);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    void OnDraw(QPainter& painter, const QRect& clip);
    void DrawCaptureBanner(QPainter& painter);
    // The share chart (CTrawlerViewReports.cpp).
    void DrawShareChart(QPainter& painter);
    // Gives a static control the view's colours: blue text on the control's
    // own button-face background.
    void OnCtlColor(QWidget* control);

    // Report plumbing (CTrawlerViewReports.cpp).
    void ClearReport();
    void RunTableReport(const trawler::reports::ReportDefinition& definition);
    void ShowPairTraffic(const trawler::reports::ReportDefinition& definition);
    QTreeView* CreateReportList(int listBottom, ReportListModel* model);
    void ShowHint(const QString& text, const QRect& rect);
    void ShowLegend(int bottom);
    void BuildQueryPanel();
    void ShowError(const QString& text);
    void StartReport(ReportWorker::Job job);
    void EditIpMac(bool modify);
    void WatchModel(ReportListModel* model);
    QString reportErrorText(const trawler::reports::ReportError& e) const;
    void ShowFreeQueryOutcome(trawler::reports::FreeQueryOutcome& outcome, std::vector<std::vector<std::optional<std::string>>> rows,
                              const std::optional<std::string>& failure);
    void ShowIpMacMap(const std::vector<std::string>& titles, std::vector<trawler::reports::IpMacMapRow> rows,
                      const std::optional<std::string>& failure);
    void RouteCommand(int id);
    std::string DbPath() const;
    void ShowAlerts(const std::vector<trawler::db::StoredAlert>& alerts);

    Prompter& m_prompter;
    CommandRouter* m_router = nullptr;
    QString m_szFileName; // file-name buffer of the create and initialise dialogs
    bool m_bCapturing = false;
    std::function<bool()> m_captureGuard;
    QString m_strParseDb;
    std::unique_ptr<ParseLauncher> m_parse;
    std::unique_ptr<CaptureController> m_capture;

    // Report state, used by the report handlers.
    QString m_szDbPath;
    // 12 pixels high, face "宋体": the font of the report controls.
    static QFont makeTextFont();
    QFont m_fontText = makeTextFont();
    QPointer<QTreeView> m_pReportList;
    QPointer<QLabel> m_pHintStatic;
    QPointer<QWidget> m_pHintScroll;   // holds the hint when it does not fit its rectangle
    QPointer<ShareLegend> m_pLegend;
    QPointer<QLabel> m_stQueryLabel;
    QPointer<QPlainTextEdit> m_editQuery;
    QPointer<CSkinButton> m_btnQuery;
    bool m_bShowChart = false;
    std::shared_ptr<trawler::reports::ShareChart> m_chart; // created by the first chart report
    ReportWorker* m_worker = nullptr;
    ReportWorker* m_editWorker = nullptr;
    // The fixed report on screen, for export; unset while none is shown.
    std::optional<trawler::reports::ReportDefinition> m_shown;
    QPointer<CHelpDlg> m_help;
    ReportListModel* m_queryModel = nullptr;   // set while its dialog is open
};
