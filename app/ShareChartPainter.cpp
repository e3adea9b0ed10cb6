#include "ShareChartPainter.h"

#include "reports/PieLayout.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace {

QColor toColor(const trawler::reports::Rgb& c)
{
    return QColor(c.red, c.green, c.blue);
}

// QPainter measures angles in sixteenths of a degree, counter-clockwise from
// 3 o'clock: the same sense as the layout's radians.
int sixteenths(double radians)
{
    return int(std::lround(radians * 180.0 / M_PI * 16.0));
}

} // namespace

void paintShareChart(QPainter& painter, const trawler::reports::ShareChart& chart, const QFont& legendFont,
                     bool legend)
{
    using namespace trawler::reports;
    const PieLayout layout = layoutPie(chart);
    if (layout.wedges.empty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(legendFont);
    // The pie is the ellipse inscribed in the square; the square's right and
    // bottom edges lie outside it, as a window rectangle's do.
    const QRect square(layout.square.left, layout.square.top, layout.square.width() - 1, layout.square.height() - 1);
    for (const PieWedge& wedge : layout.wedges) {
        const QColor colour = toColor(wedge.colour);
        painter.setPen(QPen(colour, 1));
        painter.setBrush(colour);
        const int start = sixteenths(wedge.startAngle);
        const int span = sixteenths(wedge.endAngle) - start;
        if (span > 0)
            painter.drawPie(square, start, span);
        if (!legend)
            continue;

        const QString line = QString::fromStdString(wedge.legend);
        const QPoint at(wedge.legendTopLeft.x, wedge.legendTopLeft.y);
        const QRect text = painter.fontMetrics().boundingRect(QRect(at, QSize(10000, 20)),
                                                               Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, line);
        painter.fillRect(text, toColor(kLegendBackground));
        // A swatch of the wedge's colour in the gap before the line.
        const QRect swatch(at.x() - 14, at.y() + 2, 10, 10);
        painter.fillRect(swatch, colour);
        painter.setPen(Qt::black);
        painter.drawRect(swatch.adjusted(-1, -1, 0, 0));
        painter.setPen(toColor(kLegendText));
        painter.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, line);
    }
    painter.restore();
}
