// report: the fixed reports, printed for reading (table) or for other tools
// (tsv, csv: standard output holds only the data).
#include "Commands.h"
#include "Output.h"

#include "reports/Catalogue.h"
#include "reports/IpMacMap.h"
#include "reports/LocalNetwork.h"
#include "reports/PieLayout.h"
#include "reports/ReportCursor.h"
#include "watch/VendorTable.h"

#include <algorithm>
#include <iostream>

namespace trawler::cli {

namespace {

constexpr std::size_t kBatch = 4096;

// Notes that are not data (hint, legend, warnings): under the table on
// standard output, on standard error for tsv and csv.
std::ostream& notes(OutputFormat format)
{
    return format == OutputFormat::Table ? std::cout : std::cerr;
}

void printNotes(OutputFormat format, const std::vector<std::string>& lines)
{
    if (lines.empty())
        return;
    std::ostream& out = notes(format);
    if (format == OutputFormat::Table)
        out << '\n';
    for (const auto& line : lines)
        out << line << '\n';
    out.flush();
}

std::vector<std::string> legendLines(const reports::ShareChart& chart)
{
    std::vector<std::string> lines;
    for (const auto& wedge : reports::layoutPie(chart).wedges)
        lines.push_back(wedge.legend);
    return lines;
}

int fail(const std::exception& e)
{
    std::cout.flush();
    const auto* report = dynamic_cast<const reports::ReportError*>(&e);
    if (report && report->kind() == reports::ReportError::Kind::ParseWriting)
        std::cerr << reports::messages::kParseWritingCli << '\n';
    else
        std::cerr << e.what() << '\n';
    return 1;
}

int runChartOnly(const std::string& path, const reports::ReportDefinition& definition)
{
    try {
        reports::ReportCursor cursor = reports::ReportCursor::open(path, definition);
        for (const auto& line : legendLines(cursor.shareChart()))
            std::cout << line << '\n';
        std::cout.flush();
    } catch (const reports::ReportError& e) {
        return fail(e);
    }
    return 0;
}

int runIpMacMap(const std::string& path, const reports::ReportDefinition& definition, OutputFormat format,
                std::size_t limit, const std::optional<watch::VendorTable>& vendors)
{
    std::vector<std::string> warnings;
    try {
        reports::IpMacMapCursor cursor = reports::IpMacMapCursor::open(path);
        std::vector<std::string> titles = cursor.titles();
        if (vendors)
            titles.push_back("Vendor");
        TableWriter writer(std::cout, format, titles);
        std::vector<reports::IpMacMapRow> rows;
        try {
            for (std::size_t left = limit; !cursor.atEnd() && left > 0; left -= rows.size()) {
                rows.clear();
                cursor.fetch(std::min(kBatch, left), rows);
                for (auto& row : rows) {
                    if (vendors)
                        row.cells.push_back(vendors->lookup(row.cells[1].value_or("")));
                    writer.addRow(row.cells);
                    warnings.insert(warnings.end(), row.warnings.begin(), row.warnings.end());
                }
            }
        } catch (const reports::ReportError&) {
            // The rows listed before the failure are shown, then the failure.
            for (const auto& row : rows) {
                writer.addRow(row.cells);
                warnings.insert(warnings.end(), row.warnings.begin(), row.warnings.end());
            }
            writer.finish();
            printNotes(format, warnings);
            throw;
        }
        writer.finish();
    } catch (const reports::ReportError& e) {
        return fail(e);
    }
    printNotes(format, warnings);
    printNotes(format, {*definition.hint});
    return 0;
}

int runTable(const std::string& path, const reports::ReportDefinition& definition, OutputFormat format,
             std::size_t limit)
{
    std::vector<std::string> legend;
    try {
        reports::ReportCursor cursor = reports::ReportCursor::open(path, definition);
        TableWriter writer(std::cout, format, cursor.titles());
        writeCursorRows(cursor, writer, limit);
        // After the rows, as the view draws it; the cursor keeps both on one snapshot.
        if (definition.chart)
            legend = legendLines(cursor.shareChart());
    } catch (const reports::ReportError& e) {
        return fail(e);
    }
    printNotes(format, legend);
    if (definition.hint)
        printNotes(format, {*definition.hint});
    return 0;
}

int runReport(const std::string& name, const std::string& path, OutputFormat format, std::size_t limit,
              bool withVendors)
{
    const std::string prefix = reports::networkPrefix(reports::localInterface().ip);
    const auto definition = reports::findReport(name, prefix);
    if (!definition) {
        std::cerr << "Unknown report: " << name << '\n';
        return 2;
    }
    if (!definition->showsTable())
        return runChartOnly(path, *definition);
    if (definition->name == reports::ipMacMapReport().name)
        return runIpMacMap(path, *definition, format, limit,
                           withVendors ? std::optional(watch::VendorTable::load()) : std::nullopt);
    return runTable(path, *definition, format, limit);
}

} // namespace

void registerReportCommands(CLI::App& app, int& status)
{
    auto name = std::make_shared<std::string>();
    auto path = std::make_shared<std::string>();
    auto format = std::make_shared<std::string>();
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
                  "lines. Messages go to standard error with exit status 1.");
    report->add_option("NAME", *name, "Report: " + list)->required()->check(CLI::IsMember(names));
    report->add_option("DB", *path, "Path of the database file")->required();
    addFormatOption(report, *format, "");
    report->add_option("--limit", *limit, "Print only the first N rows (0: all); the chart still covers every row")
        ->check(CLI::NonNegativeNumber);
    report->add_flag("--vendors", *vendors, "ipmac-map: add each MAC's vendor (IEEE registry of the ieee-data package)");
    report->callback([&status, name, path, format, limit, vendors] {
        const std::size_t rows = *limit == 0 ? static_cast<std::size_t>(-1) : *limit;
        if (*name == "alerts")
            status = runAlertReport(*path, *format, rows);
        else
            status = runReport(*name, *path, parseFormat(*format), rows, *vendors);
    });
}

} // namespace trawler::cli
