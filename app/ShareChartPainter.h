#pragma once
// Paints a share chart: the pie's wedges in the ten slice colours and one
// legend line per slice beside it.
#include "reports/ShareChart.h"

class QFont;
class QPainter;

// Without `legend` only the pie is painted (the legend is a control then).
void paintShareChart(QPainter& painter, const trawler::reports::ShareChart& chart, const QFont& legendFont,
                     bool legend = true);
