#include "ShareLegend.h"

#include "reports/PieLayout.h"

#include <QPainter>
#include <QScrollBar>

namespace {

QColor toColor(const trawler::reports::Rgb& c)
{
    return QColor(c.red, c.green, c.blue);
}

class LegendLines : public QWidget {
public:
    LegendLines(const std::vector<ShareLegend::Line>& lines, const QFont& font, QWidget* parent)
        : QWidget(parent), m_lines(lines)
    {
        setFont(font);
        int width = 0;
        for (const auto& line : m_lines)
            width = std::max(width, fontMetrics().horizontalAdvance(line.text));
        setFixedSize(ShareLegend::kSwatchGap + width + 2, int(m_lines.size()) * ShareLegend::kLineHeight);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), toColor(trawler::reports::kLegendBackground));
        for (int i = 0; i < int(m_lines.size()); ++i) {
            const QRect swatch = ShareLegend::swatchRect(i);
            p.fillRect(swatch, m_lines[i].colour);
            p.setPen(Qt::black);
            p.drawRect(swatch.adjusted(-1, -1, 0, 0));
            const QRect text(ShareLegend::kSwatchGap, i * ShareLegend::kLineHeight, width(), ShareLegend::kLineHeight);
            p.setPen(toColor(trawler::reports::kLegendText));
            p.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_lines[i].text);
        }
    }

private:
    std::vector<ShareLegend::Line> m_lines;
};

} // namespace

QRect ShareLegend::swatchRect(int line)
{
    return QRect(3, line * kLineHeight + 2, kSwatch, kSwatch);
}

ShareLegend::ShareLegend(const trawler::reports::PieLayout& layout, const QFont& font, QWidget* parent)
    : QScrollArea(parent)
{
    setObjectName(QStringLiteral("legend"));
    for (const auto& wedge : layout.wedges)
        m_lines.push_back({QString::fromStdString(wedge.legend), toColor(wedge.colour)});
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidget(new LegendLines(m_lines, font, this));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, toColor(trawler::reports::kLegendBackground));
    setPalette(palette);
    // One wheel step scrolls one line.
    verticalScrollBar()->setSingleStep(kLineHeight);
}
