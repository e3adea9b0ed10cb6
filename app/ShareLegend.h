#pragma once
// The legend of a share chart as a control of its own: one line per slice,
// each led by a swatch of its slice's colour, scrolling within the room the
// chart leaves, so every line stays readable and a wedge can be matched to
// its line even where colours repeat.
#include <QColor>
#include <QFont>
#include <QScrollArea>
#include <QString>

#include <vector>

namespace trawler::reports {
struct PieLayout;
}

class ShareLegend : public QScrollArea {
    Q_OBJECT
public:
    struct Line {
        QString text;
        QColor colour;
    };
    static constexpr int kLineHeight = 20;   // the chart's legend pitch
    static constexpr int kSwatch = 10;
    // The swatch stands in the gap left of the text: the text keeps its place.
    static constexpr int kSwatchGap = 16;

    ShareLegend(const trawler::reports::PieLayout& layout, const QFont& font, QWidget* parent);
    const std::vector<Line>& lines() const { return m_lines; }
    // Where line i's swatch lies in the legend's content.
    static QRect swatchRect(int line);

private:
    std::vector<Line> m_lines;
};
