// report: the fixed reports, printed for reading (table), for other tools
// (tsv, csv, json: standard output holds only the data) or as a page (html).
#include "Commands.h"
#include "SensorOption.h"
#include "Failure.h"
#include "Output.h"

#include "reports/Catalogue.h"
#include "reports/IpMacMap.h"
#include "reports/LocalNetwork.h"
#include "reports/PieLayout.h"
#include "reports/Messages.h"
#include "reports/ReportCursor.h"
#include "watch/VendorTable.h"

#include <iostream>

namespace trawler::cli {

namespace {

struct ReportRun {
    std::string path;
    const reports::ReportDefinition& definition;
    OutputFormat format;
    std::size_t limit;
    OutputTarget& target;
    bool byteOrderMark;
    bool withVendors = false;

    PageText page() const
    {
        const std::size_t slash = path.find_last_of('/');
        return PageText{definition.name + " - " + (slash == std::string::npos ? path : path.substr(slash + 1)),
                        definition.hint};
    }
};

// A chart-only report (ICMP type shares): its legend lines in table, tsv and
// csv; json lists the rows the chart is made of; html is the page with the chart.
void runChartOnly(const ReportRun& run)
{
    reports::ReportCursor cursor = reports::ReportCursor::open(run.path, run.definition);
    if (run.format == OutputFormat::Json || run.format == OutputFormat::Html) {
        ResultWriter writer(run.target, run.format, run.format == OutputFormat::Json ? cursor.titles() : std::vector<std::string>{},
                            run.page(), run.byteOrderMark);
        if (run.format == OutputFormat::Json)
            writeCursorRows(cursor, writer, true, run.limit);
        else
            writer.finish(&cursor.shareChart(), {});
        return;
    }
    const reports::ShareChart& chart = cursor.shareChart();
    if (chart.slices.empty()) {
        std::cerr << chart.emptyReason << '\n';
        return;
    }
    std::ostream& out = run.target.stream();
    for (const auto& line : legendLines(chart)) {
        out << line << '\n';
        run.target.check();
    }
}

// The IP-MAC map: each row is checked against its binding as it is fetched,
// a changed one is marked and its warnings follow the rows; --vendors adds
// each MAC's vendor as a last column.
class IpMacMapRows : public RowSource {
public:
    IpMacMapRows(reports::IpMacMapCursor& cursor, const watch::VendorTable* vendors)
        : m_cursor(cursor), m_vendors(vendors)
    {
    }
    bool atEnd() const override { return m_cursor.atEnd(); }
    void fetch(std::size_t maxRows) override { m_cursor.fetch(maxRows, m_rows); }
    std::size_t writeFetched(ResultWriter& writer, std::vector<std::string>& warnings) override
    {
        for (auto& row : m_rows) {
            if (m_vendors)
                row.cells.push_back(m_vendors->lookup(row.cells[1].value_or("")));
            writer.addRow(row.cells, row.changed());
            warnings.insert(warnings.end(), row.warnings.begin(), row.warnings.end());
        }
        const std::size_t written = m_rows.size();
        m_rows.clear();
        return written;
    }

private:
    reports::IpMacMapCursor& m_cursor;
    const watch::VendorTable* m_vendors;
    std::vector<reports::IpMacMapRow> m_rows;
};

void runIpMacMap(const ReportRun& run)
{
    reports::IpMacMapCursor cursor = reports::IpMacMapCursor::open(run.path);
    std::optional<watch::VendorTable> vendors;
    std::vector<std::string> titles = cursor.titles();
    if (run.withVendors) {
        vendors = watch::VendorTable::load();
        titles.push_back("Vendor");
    }
    ResultWriter writer(run.target, run.format, titles, run.page(), run.byteOrderMark);
    IpMacMapRows source(cursor, vendors ? &*vendors : nullptr);
    writeRows(source, writer, run.limit);
}

void runTable(const ReportRun& run)
{
    reports::ReportCursor cursor = reports::ReportCursor::open(run.path, run.definition);
    ResultWriter writer(run.target, run.format, cursor.titles(), run.page(), run.byteOrderMark);
    writeCursorRows(cursor, writer, run.definition.chart.has_value(), run.limit);
}

int runReport(const std::string& name, const std::string& path, const OutputOptions& options, std::size_t limit,
              bool withVendors)
{
    const std::string prefix = reports::networkPrefix(reports::localInterface().ip);
    const auto definition = reports::findReport(name, prefix);
    if (!definition) {
        std::cerr << "Unknown report: " << name << '\n';
        return 2;
    }
    return writeResult(path, options.file, [&](OutputTarget& target) {
        const ReportRun run{path, *definition, parseFormat(options.format, target.terminal()), limit, target,
                            options.byteOrderMark, withVendors};
        if (!definition->showsTable())
            runChartOnly(run);
        else if (definition->name == reports::ipMacMapReport().name)
            runIpMacMap(run);
        else
            runTable(run);
    });
}

} // namespace

void registerReportCommands(CLI::App& app, int& status)
{
    auto name = std::make_shared<std::string>();
    auto path = std::make_shared<std::string>();
    auto options = std::make_shared<OutputOptions>();
    auto limit = std::make_shared<std::size_t>(0);
    auto vendors = std::make_shared<bool>(false);

    std::vector<std::string> names;
    std::string list;
    for (const auto& d : reports::reportCatalogue(reports::networkPrefix(reports::kFallbackIp))) {
        names.push_back(d.name);
        list += (list.empty() ? "" : ", ") + d.name;
    }
    names.push_back("alerts");
    list += ", alerts";

    CLI::App* report = app.add_subcommand(
        "report", "Run one fixed report over a database. A chart-only report (icmp-type-share) prints its legend "
                  "lines (json: its rows; html: the page with the chart). Failures go to standard error with exit "
                  "status 1.");
    report->add_option("NAME", *name, "Report: " + list)->required()->check(CLI::IsMember(names));
    report->add_option("DB", *path, "Path of the database file")->required();
    addOutputOptions(report, *options, "");
    report->add_option("--limit", *limit, "Print only the first N rows (0: all); the chart still covers every row")
        ->check(CLI::NonNegativeNumber);
    report->add_flag("--vendors", *vendors, "ipmac-map: add each MAC's vendor (IEEE registry of the ieee-data package)");
    auto sensor = addSensorOption(report);
    report->callback([&status, name, path, options, limit, vendors, sensor] {
        const std::size_t rows = *limit == 0 ? static_cast<std::size_t>(-1) : *limit;
        const std::string database = sensorDatabase(*path, *sensor);
        if (*name == "alerts")
            status = runAlertReport(database, *options, rows);
        else
            status = runReport(*name, database, *options, rows, *vendors);
    });
}

} // namespace trawler::cli
