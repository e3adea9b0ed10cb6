#include "ReportExport.h"

#include "ShareChartPainter.h"

#include "reports/PieLayout.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace {

struct Known {
    const char* suffix;
    ExportFormat format;
};
constexpr Known kKnown[] = {{"csv", ExportFormat::Csv},
                            {"html", ExportFormat::Html},
                            {"htm", ExportFormat::Html},
                            {"svg", ExportFormat::Svg},
                            {"png", ExportFormat::Png}};

} // namespace

QString exportFileFilter()
{
    return QStringLiteral("CSV (*.csv);;HTML (*.html *.htm);;SVG (*.svg);;PNG (*.png)");
}

std::optional<ExportFormat> exportFormatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (const Known& k : kKnown)
        if (suffix == QLatin1String(k.suffix))
            return k.format;
    return std::nullopt;
}

QString withExportExtension(const QString& path, const QString& selectedFilter)
{
    if (path.isEmpty() || exportFormatOf(path))
        return path;
    for (const Known& k : kKnown)
        if (selectedFilter.contains(QStringLiteral("*.") + QLatin1String(k.suffix)))
            return path + QLatin1Char('.') + QLatin1String(k.suffix);
    return path + QStringLiteral(".csv");
}

bool isChartFormat(ExportFormat format)
{
    return format == ExportFormat::Svg || format == ExportFormat::Png;
}

QImage renderShareChart(const trawler::reports::ShareChart& chart, const QFont& legendFont)
{
    using namespace trawler::reports;
    const PieLayout layout = layoutPie(chart);
    QRect bounds(layout.square.left, layout.square.top, layout.square.width(), layout.square.height());
    const QFontMetrics metrics(legendFont);
    for (const PieWedge& wedge : layout.wedges)
        bounds |= metrics.boundingRect(QRect(wedge.legendTopLeft.x, wedge.legendTopLeft.y, 10000, 20),
                                       Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                                       QString::fromStdString(wedge.legend));
    bounds.adjust(-10, -10, 10, 10);
    QImage image(bounds.size(), QImage::Format_RGB32);
    image.fill(QColor(kLegendBackground.red, kLegendBackground.green, kLegendBackground.blue));
    QPainter painter(&image);
    painter.translate(-bounds.topLeft());
    paintShareChart(painter, chart, legendFont, true);
    return image;
}
