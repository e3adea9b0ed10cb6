#pragma once
// Small conversions the view's report code shares.
#include "reports/Geometry.h"

#include <QRect>
#include <QString>

#include <string>

// A rectangle of the report layout as a widget rectangle.
inline QRect toQRect(const trawler::reports::ChartRect& r)
{
    return QRect(r.left, r.top, r.width(), r.height());
}

// Texts from the report engine are UTF-8.
inline QString fromUtf8(const std::string& text)
{
    return QString::fromStdString(text);
}
