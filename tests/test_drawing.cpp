// The drawing tools' strokes on a frame, each pictured as the top-left 6 x 6
// LEDs ("#" lit) and the number of LEDs lit outside them.
#include "frames/ToolStroke.h"

#include <QtTest>

namespace {

using Drawing::Point;
using Path = QList<QPoint>; // the press, then each place the pointer moves to

FrameStore::Frame picture(const QStringList& rows) {
    FrameStore::Frame frame{};
    for (int y = 0; y < rows.size(); ++y)
        for (int x = 0; x < rows[y].size(); ++x)
            frame[std::size_t(y * 16 + x)] = rows[y][x] == u'#';
    return frame;
}

QStringList corner(const FrameStore::Frame& frame) {
    QStringList rows;
    for (int y = 0; y < 6; ++y) {
        QString row;
        for (int x = 0; x < 6; ++x)
            row += FrameStore::isLit(frame[std::size_t(y * 16 + x)]) ? u'#' : u'.';
        rows << row;
    }
    return rows;
}

int litOutsideCorner(const FrameStore::Frame& frame) {
    int lit = 0;
    for (int cell = 0; cell < 256; ++cell)
        lit += (cell % 16 >= 6 || cell / 16 >= 6) && FrameStore::isLit(frame[std::size_t(cell)]);
    return lit;
}

} // namespace

class DrawingTest : public QObject {
    Q_OBJECT
private slots:
    void strokes_data();
    void strokes();
    void ellipsesAreClosedAndSymmetric();
};

void DrawingTest::strokes_data() {
    QTest::addColumn<int>("tool");
    QTest::addColumn<QStringList>("start");
    QTest::addColumn<Path>("path");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<QStringList>("corner");
    QTest::addColumn<int>("outside");
    QTest::addColumn<bool>("erase");
    const QStringList dark;
    const QStringList ring{"#####", "#...#", "#...#", "#...#", "#####"};
    const auto row = [](const char* name, Tool tool, const QStringList& start, Path path,
                        bool shift, QStringList corner, int outside = 0, bool erase = false) {
        QTest::newRow(name) << int(tool) << start << path << shift << corner << outside << erase;
    };
    row("pen: a fast drag leaves no gap", Tool::Pen, dark, {{0, 0}, {5, 0}, {5, 3}}, false,
        {"######", ".....#", ".....#", ".....#", "......", "......"});
    row("pen: begun on a lit LED it clears", Tool::Pen, ring, {{0, 0}, {4, 0}}, false,
        {"......", "#...#.", "#...#.", "#...#.", "#####.", "......"});
    row("pen: off the board and back", Tool::Pen, dark, {{1, 1}, {-3, 1}, {1, 2}}, false,
        {"......", "##....", "##....", "......", "......", "......"});
    row("line", Tool::Line, dark, {{0, 0}, {9, 9}, {5, 2}}, false,
        {"##....", "..##..", "....##", "......", "......", "......"});
    row("rectangle", Tool::Rectangle, dark, {{4, 3}, {0, 0}}, false,
        {"#####.", "#...#.", "#...#.", "#####.", "......", "......"});
    row("rectangle begun on a lit LED lights", Tool::Rectangle, ring, {{0, 0}, {2, 2}}, false,
        {"#####.", "#.#.#.", "###.#.", "#...#.", "#####.", "......"});
    row("line with the other button darkens", Tool::Line, ring, {{0, 0}, {4, 0}}, false,
        {"......", "#...#.", "#...#.", "#...#.", "#####.", "......"}, 0, true);
    row("rectangle with Shift", Tool::Rectangle, dark, {{0, 0}, {2, 1}}, true,
        {"###...", "###...", "......", "......", "......", "......"});
    row("ellipse", Tool::Ellipse, dark, {{0, 0}, {5, 5}}, false,
        {".####.", "#....#", "#....#", "#....#", "#....#", ".####."});
    row("ellipse with Shift", Tool::Ellipse, dark, {{0, 0}, {5, 5}}, true,
        {".####.", "######", "######", "######", "######", ".####."});
    row("fill inside", Tool::Fill, ring, {{2, 2}, {9, 9}}, false,
        {"#####.", "#####.", "#####.", "#####.", "#####.", "......"});
    row("fill outside", Tool::Fill, ring, {{5, 5}}, false,
        {"######", "#...##", "#...##", "#...##", "######", "######"}, 256 - 36);
    row("fill a lit area clears it", Tool::Fill, ring, {{0, 0}}, false,
        {"......", ".....", "......", "......", "......", "......"});
    row("move", Tool::Move, ring, {{0, 0}, {3, 3}, {1, 1}}, false,
        {"......", ".#####", ".#...#", ".#...#", ".#...#", ".#####"});
    row("move: what leaves the board is gone", Tool::Move, ring, {{4, 4}, {1, 2}}, false,
        {".#....", ".#....", "##....", "......", "......", "......"});
}

void DrawingTest::strokes() {
    QFETCH(int, tool);
    QFETCH(QStringList, start);
    QFETCH(Path, path);
    QFETCH(bool, shift);
    QFETCH(QStringList, corner);
    QFETCH(int, outside);
    QFETCH(bool, erase);
    ToolStroke stroke(Tool(tool), picture(start), path[0].y() * 16 + path[0].x(), shift, erase);
    for (qsizetype i = 1; i < path.size(); ++i)
        stroke.moveTo({path[i].x(), path[i].y()}, shift);
    for (QString& r : corner)
        r = r.leftJustified(6, u'.');
    QCOMPARE(::corner(stroke.picture()), corner);
    QCOMPARE(litOutsideCorner(stroke.picture()), outside);
}

// Every box from 1 x 1 to 16 x 16: mirrored both ways it is the same, and a fill
// from outside does not get in.
void DrawingTest::ellipsesAreClosedAndSymmetric() {
    for (int w = 1; w <= 16; ++w) {
        for (int h = 1; h <= 16; ++h) {
            FrameStore::Frame frame{};
            Drawing::ellipse(frame, {0, 0}, {w - 1, h - 1}, FrameStore::Lit, false);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const auto at = [&](int px, int py) {
                        return frame[std::size_t(py * 16 + px)];
                    };
                    QVERIFY2(at(x, y) == at(w - 1 - x, y) && at(x, y) == at(x, h - 1 - y),
                             qPrintable(QStringLiteral("%1 x %2").arg(w).arg(h)));
                }
            if (w < 3 || h < 3)
                continue;
            FrameStore::Frame filled = frame;
            Drawing::fill(filled, {15, 15}, FrameStore::Lit);
            const std::size_t centre = std::size_t((h / 2) * 16 + w / 2);
            QVERIFY2(!FrameStore::isLit(filled[centre]) || FrameStore::isLit(frame[centre]),
                     qPrintable(QStringLiteral("%1 x %2 leaks").arg(w).arg(h)));
        }
    }
}

QTEST_GUILESS_MAIN(DrawingTest)
#include "test_drawing.moc"
