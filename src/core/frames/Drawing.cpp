#include "frames/Drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace Drawing {

namespace {

constexpr int Side = FrameStore::Side;

void span(FrameStore::Frame& frame, int y, int x0, int x1, std::uint8_t value) {
    for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x)
        plot(frame, {x, y}, value);
}

} // namespace

Point pointOf(int cell) {
    return {cell % Side, cell / Side};
}

bool onBoard(Point p) {
    return p.x >= 0 && p.x < Side && p.y >= 0 && p.y < Side;
}

void plot(FrameStore::Frame& frame, Point p, std::uint8_t value) {
    if (onBoard(p))
        frame[indexOf(p)] = value;
}

void line(FrameStore::Frame& frame, Point from, Point to, std::uint8_t value) {
    for (const Point p : linePoints(from, to))
        plot(frame, p, value);
}

// Bresenham's line, both ends included.
std::vector<Point> linePoints(Point from, Point to) {
    const int dx = std::abs(to.x - from.x), sx = from.x < to.x ? 1 : -1;
    const int dy = -std::abs(to.y - from.y), sy = from.y < to.y ? 1 : -1;
    int error = dx + dy;
    std::vector<Point> points;
    for (Point p = from;;) {
        points.push_back(p);
        if (p == to)
            return points;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            p.x += sx;
        }
        if (twice <= dx) {
            error += dx;
            p.y += sy;
        }
    }
}

void rectangle(FrameStore::Frame& frame, Point a, Point b, std::uint8_t value, bool filled) {
    const int top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
    for (int y = top; y <= bottom; ++y) {
        if (filled || y == top || y == bottom) {
            span(frame, y, a.x, b.x, value);
        } else {
            plot(frame, {a.x, y}, value);
            plot(frame, {b.x, y}, value);
        }
    }
}

// Each row of the box gets the span of the ellipse through the box's edges at
// that row's centre; the outline is that span's ends, run on where needed so
// that it has no gaps. The ellipse is widest on its centre line, so the row it
// runs through (or the two rows it runs between) span the whole box, which
// sampling at a row's centre misses in a box two rows high.
void ellipse(FrameStore::Frame& frame, Point a, Point b, std::uint8_t value, bool filled) {
    const int left = std::min(a.x, b.x), right = std::max(a.x, b.x);
    const int top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
    const double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
    const double rx = (right - left) / 2.0 + 0.5, ry = (bottom - top) / 2.0 + 0.5;
    const int rows = bottom - top + 1;
    std::vector<int> from(static_cast<std::size_t>(rows)), to(static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        const double fromCentre = std::abs(top + row - cy);
        const double v = (fromCentre <= 0.5 ? 0.0 : fromCentre) / ry;
        const double half = rx * std::sqrt(std::max(0.0, 1 - v * v)) - 0.5;
        from[static_cast<std::size_t>(row)] = static_cast<int>(std::lround(cx - half));
        to[static_cast<std::size_t>(row)] = static_cast<int>(std::lround(cx + half));
    }
    for (int row = 0; row < rows; ++row) {
        const auto r = static_cast<std::size_t>(row);
        const int y = top + row;
        if (filled || row == 0 || row == rows - 1) {
            span(frame, y, from[r], to[r], value);
            continue;
        }
        // Each side runs on until it meets the narrower of the rows beside it.
        const int leftEnd = std::max(from[r - 1], from[r + 1]) - 1;
        const int rightEnd = std::min(to[r - 1], to[r + 1]) + 1;
        const int low = std::min(from[r], to[r]), high = std::max(from[r], to[r]);
        span(frame, y, from[r], std::clamp(leftEnd, low, high), value);
        span(frame, y, std::clamp(rightEnd, low, high), to[r], value);
    }
}

namespace {

// On and off, any byte but 1 is a dark LED, as a loaded file may hold.
int stateOf(std::uint8_t cell, bool byLevel) {
    return byLevel ? FrameStore::levelOf(cell) : int(FrameStore::isLit(cell));
}

} // namespace

std::bitset<FrameStore::CellsPerFrame> area(const FrameStore::Frame& frame, Point at,
                                            bool byLevel) {
    std::bitset<FrameStore::CellsPerFrame> reached;
    if (!onBoard(at))
        return reached;
    const int inside = stateOf(frame[indexOf(at)], byLevel);
    std::vector<Point> todo{at};
    while (!todo.empty()) {
        const Point p = todo.back();
        todo.pop_back();
        if (!onBoard(p) || reached.test(indexOf(p)) ||
            stateOf(frame[indexOf(p)], byLevel) != inside)
            continue;
        reached.set(indexOf(p));
        todo.insert(todo.end(), {{p.x + 1, p.y}, {p.x - 1, p.y}, {p.x, p.y + 1}, {p.x, p.y - 1}});
    }
    return reached;
}

void fill(FrameStore::Frame& frame, Point at, std::uint8_t value, bool byLevel) {
    if (!onBoard(at) || stateOf(frame[indexOf(at)], byLevel) == stateOf(value, byLevel))
        return;
    const std::bitset<FrameStore::CellsPerFrame> reached = area(frame, at, byLevel);
    for (std::size_t cell = 0; cell < reached.size(); ++cell)
        if (reached.test(cell))
            frame[cell] = value;
}

FrameStore::Frame moved(const FrameStore::Frame& frame, int dx, int dy) {
    FrameStore::Frame out{};
    for (int y = 0; y < Side; ++y)
        for (int x = 0; x < Side; ++x)
            if (const Point to{x + dx, y + dy}; onBoard(to))
                out[indexOf(to)] = frame[indexOf({x, y})];
    return out;
}

} // namespace Drawing
