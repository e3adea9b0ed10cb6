#pragma once

namespace trawler::reports {

// View client coordinates in pixels, origin at the top left, y growing down.
struct ChartPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ChartPoint& o) const { return x == o.x && y == o.y; }
};

// (left, top)-(right, bottom); right and bottom are exclusive edges as a
// window rectangle gives them.
struct ChartRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const ChartRect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Rgb& o) const { return red == o.red && green == o.green && blue == o.blue; }
};

} // namespace trawler::reports
