#pragma once
// Export of the report shown in the view (文件 → 导出报表...): the rows as
// CSV (UTF-8 with a byte-order mark, so spreadsheet programs read the
// Chinese titles) or as a self-contained HTML page with title, hint, table
// and the chart as SVG; the chart alone as SVG or PNG.
#include <QString>

#include <optional>

class QImage;
class QFont;

namespace trawler::reports {
struct ShareChart;
}

enum class ExportFormat { Csv, Html, Svg, Png };

// The chooser's filters, CSV first.
QString exportFileFilter();
// The format a file name asks for by its extension; nullopt for none known.
std::optional<ExportFormat> exportFormatOf(const QString& path);
// A name without a known extension gets the one of the chosen filter (the
// filter text as exportFileFilter() lists it), CSV when none is known.
QString withExportExtension(const QString& path, const QString& selectedFilter = QString());
bool isChartFormat(ExportFormat format);

// The chart as the view paints it, cut to the pie and its whole legend.
QImage renderShareChart(const trawler::reports::ShareChart& chart, const QFont& legendFont);
