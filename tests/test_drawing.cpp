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

FrameStore::Frame mirrored(const FrameStore::Frame& frame, bool acrossColumns, bool acrossRows) {
    FrameStore::Frame out{};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            out[std::size_t((acrossRows ? 15 - y : y) * 16 + (acrossColumns ? 15 - x : x))] =
                frame[std::size_t(y * 16 + x)];
    return out;
}

// Lit LEDs with a lit neighbour beside them and another above or below: the
// corners of Ls.
int corners(const FrameStore::Frame& frame) {
    const auto lit = [&frame](int x, int y) {
        return x >= 0 && x < 16 && y >= 0 && y < 16 &&
               FrameStore::isLit(frame[std::size_t(y * 16 + x)]);
    };
    int found = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            found +=
                lit(x, y) && (lit(x - 1, y) || lit(x + 1, y)) && (lit(x, y - 1) || lit(x, y + 1));
    return found;
}

FrameStore::Frame drawn(Tool tool, const FrameStore::Frame& start, const Path& path, bool shift,
                        StrokeOptions options) {
    ToolStroke stroke(tool, start, path[0].y() * 16 + path[0].x(), shift, false, {}, options);
    for (qsizetype i = 1; i < path.size(); ++i)
        stroke.moveTo({path[i].x(), path[i].y()}, shift);
    return stroke.picture();
}

} // namespace

class DrawingTest : public QObject {
    Q_OBJECT
private slots:
    void strokes_data();
    void strokes();
    void options_data();
    void options();
    void placedAxes_data();
    void placedAxes();
    void ellipseBoxes_data();
    void ellipseBoxes();
    void replays_data();
    void replays();
    void fillWithLevels_data();
    void fillWithLevels();
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

void DrawingTest::options_data() {
    QTest::addColumn<int>("tool");
    QTest::addColumn<bool>("rings"); // a ring in each corner of the board, else dark
    QTest::addColumn<Path>("path");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<int>("symmetry");
    QTest::addColumn<bool>("pixelPerfect");
    QTest::addColumn<int>("lit");
    QTest::addColumn<int>("corners");
    const auto row = [](const char* name, Tool tool, bool rings, Path path, bool shift,
                        Symmetry symmetry, bool pixelPerfect, int lit, int corners = -1) {
        QTest::newRow(name) << int(tool) << rings << path << shift << int(symmetry) << pixelPerfect
                            << lit << corners;
    };
    const Path stairs{{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 2}, {3, 2}, {3, 3}};
    row("pen, left-right", Tool::Pen, false, {{0, 0}, {5, 0}, {5, 3}}, false, Symmetry::LeftRight,
        false, 18);
    row("pen across the centre, both", Tool::Pen, false, {{3, 3}, {12, 9}}, false, Symmetry::Both,
        false, 36);
    row("line, top-bottom", Tool::Line, false, {{0, 0}, {9, 9}, {5, 2}}, false, Symmetry::TopBottom,
        false, 12);
    row("line, both", Tool::Line, false, {{0, 0}, {5, 2}}, false, Symmetry::Both, false, 24);
    row("rectangle, both", Tool::Rectangle, false, {{1, 1}, {4, 3}}, false, Symmetry::Both, false,
        40);
    row("filled rectangle, left-right", Tool::Rectangle, false, {{1, 1}, {4, 3}}, true,
        Symmetry::LeftRight, false, 24);
    row("ellipse, both", Tool::Ellipse, false, {{0, 0}, {5, 5}}, false, Symmetry::Both, false, 64);
    row("fill, both", Tool::Fill, true, {{2, 2}}, false, Symmetry::Both, false, 64 + 36);
    row("fill, top-bottom", Tool::Fill, true, {{2, 2}}, false, Symmetry::TopBottom, false, 64 + 18);
    row("move is not mirrored", Tool::Move, true, {{0, 0}, {1, 2}}, false, Symmetry::Both, false,
        16 + 11 + 9 + 6);
    row("click is not mirrored", Tool::Toggle, false, {{2, 3}}, false, Symmetry::Both, false, 1);
    row("pen: stairs keep their corners", Tool::Pen, false, stairs, false, Symmetry::None, false, 7,
        5);
    row("pen, pixel-perfect: stairs lose them", Tool::Pen, false, stairs, false, Symmetry::None,
        true, 4, 0);
    row("pen, pixel-perfect: a fast drag in steps", Tool::Pen, false,
        {{0, 0}, {2, 0}, {2, 2}, {4, 2}, {4, 4}}, false, Symmetry::None, true, 6, 0);
    row("pen, pixel-perfect and mirrored both ways", Tool::Pen, false, stairs, false,
        Symmetry::Both, true, 16, 0);
    row("pen, pixel-perfect: a corner on another part of the stroke stays", Tool::Pen, false,
        {{0, 1}, {1, 1}, {2, 1}, {3, 2}, {2, 3}, {1, 2}, {1, 1}, {0, 1}}, false, Symmetry::None,
        true, 6);
}

// A mirrored stroke draws the stroke itself and is its own mirror image; the
// pixel-perfect pen lights no corner of an L.
void DrawingTest::options() {
    QFETCH(int, tool);
    QFETCH(bool, rings);
    QFETCH(Path, path);
    QFETCH(bool, shift);
    QFETCH(int, symmetry);
    QFETCH(bool, pixelPerfect);
    QFETCH(int, lit);
    QFETCH(int, corners);
    FrameStore::Frame start{};
    if (rings) {
        const FrameStore::Frame ring = picture({"#####", "#...#", "#...#", "#...#", "#####"});
        for (int i = 0; i < 256; ++i)
            start[std::size_t(i)] = ring[std::size_t(i)] |
                                    mirrored(ring, true, false)[std::size_t(i)] |
                                    mirrored(ring, false, true)[std::size_t(i)] |
                                    mirrored(ring, true, true)[std::size_t(i)];
    }
    const auto s = Symmetry(symmetry);
    const FrameStore::Frame plain = drawn(Tool(tool), start, path, shift, {{}, pixelPerfect});
    const FrameStore::Frame frame = drawn(Tool(tool), start, path, shift, {s, pixelPerfect});
    for (int i = 0; i < 256; ++i)
        QVERIFY(!FrameStore::isLit(plain[std::size_t(i)]) ||
                FrameStore::isLit(frame[std::size_t(i)]));
    const bool acrossColumns = s == Symmetry::LeftRight || s == Symmetry::Both;
    const bool acrossRows = s == Symmetry::TopBottom || s == Symmetry::Both;
    if (Tool(tool) == Tool::Move || Tool(tool) == Tool::Toggle) {
        QCOMPARE(frame, plain);
    } else {
        QCOMPARE(frame, mirrored(frame, acrossColumns, false));
        QCOMPARE(frame, mirrored(frame, false, acrossRows));
    }
    QCOMPARE(int(std::count(frame.begin(), frame.end(), FrameStore::Lit)), lit);
    if (corners >= 0)
        QCOMPARE(::corners(frame), corners);
}

// Axes placed by the user, in twice a column or row: an LED on an axis is its
// own image, and images beyond the board's edge are left out.
void DrawingTest::placedAxes_data() {
    QTest::addColumn<int>("tool");
    QTest::addColumn<Path>("path");
    QTest::addColumn<int>("symmetry");
    QTest::addColumn<QPoint>("axes");
    QTest::addColumn<Path>("lit");
    const auto row = [](const char* name, Tool tool, Path path, Symmetry symmetry, QPoint axes,
                        Path lit) {
        QTest::newRow(name) << int(tool) << path << int(symmetry) << axes << lit;
    };
    row("pen, axis through column 4", Tool::Pen, {{2, 2}}, Symmetry::LeftRight, {8, 15},
        {{2, 2}, {6, 2}});
    row("pen on the axis: its own image", Tool::Pen, {{4, 2}}, Symmetry::LeftRight, {8, 15},
        {{4, 2}});
    row("pen, both axes through (4, 4)", Tool::Pen, {{2, 3}}, Symmetry::Both, {8, 8},
        {{2, 3}, {6, 3}, {2, 5}, {6, 5}});
    row("image off the board left out", Tool::Pen, {{2, 0}}, Symmetry::LeftRight, {24, 15},
        {{2, 0}});
    row("line, axis between columns 2 and 3", Tool::Line, {{0, 0}, {1, 0}}, Symmetry::LeftRight,
        {5, 15}, {{0, 0}, {1, 0}, {4, 0}, {5, 0}});
    row("rectangle, axis through row 1", Tool::Rectangle, {{0, 0}, {1, 1}}, Symmetry::TopBottom,
        {15, 2}, {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {0, 2}, {1, 2}});
    row("the middle as before", Tool::Pen, {{0, 0}}, Symmetry::Both, {15, 15},
        {{0, 0}, {15, 0}, {0, 15}, {15, 15}});
}

void DrawingTest::placedAxes() {
    QFETCH(int, tool);
    QFETCH(Path, path);
    QFETCH(int, symmetry);
    QFETCH(QPoint, axes);
    QFETCH(Path, lit);
    StrokeOptions options{Symmetry(symmetry), false, {axes.x(), axes.y()}};
    const FrameStore::Frame frame = drawn(Tool(tool), FrameStore::Frame{}, path, false, options);
    Path shown;
    for (int cell = 0; cell < 256; ++cell)
        if (FrameStore::isLit(frame[std::size_t(cell)]))
            shown << QPoint(cell % 16, cell / 16);
    const auto byCell = [](QPoint a, QPoint b) { return a.y() * 16 + a.x() < b.y() * 16 + b.x(); };
    std::sort(lit.begin(), lit.end(), byCell);
    QCOMPARE(shown, lit);
}

void DrawingTest::ellipseBoxes_data() {
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    for (int w = 1; w <= 16; ++w)
        for (int h = 1; h <= 16; ++h)
            QTest::addRow("%d x %d", w, h) << w << h;
}

// Outline and filled, the corners given bottom-right first: the lit LEDs reach
// each edge of the box and no further, mirrored both ways they are the same,
// the filled ellipse covers the outline, and a fill from outside does not get in.
void DrawingTest::ellipseBoxes() {
    QFETCH(int, w);
    QFETCH(int, h);
    FrameStore::Frame outline{}, filled{};
    Drawing::ellipse(outline, {w - 1, h - 1}, {0, 0}, FrameStore::Lit, false);
    Drawing::ellipse(filled, {w - 1, h - 1}, {0, 0}, FrameStore::Lit, true);
    const auto lit = [](const FrameStore::Frame& frame, int x, int y) {
        return FrameStore::isLit(frame[std::size_t(y * 16 + x)]);
    };
    for (const FrameStore::Frame* frame : {&outline, &filled}) {
        QRect reached;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                if (lit(*frame, x, y))
                    reached |= QRect(x, y, 1, 1);
        QCOMPARE(reached, QRect(0, 0, w, h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                QCOMPARE(lit(*frame, x, y), lit(*frame, w - 1 - x, y));
                QCOMPARE(lit(*frame, x, y), lit(*frame, x, h - 1 - y));
                QVERIFY(!lit(outline, x, y) || lit(filled, x, y));
            }
    }
    if (w < 3 || h < 3)
        return;
    FrameStore::Frame flooded = outline;
    Drawing::fill(flooded, {15, 15}, FrameStore::Lit);
    QVERIFY(!lit(flooded, w / 2, h / 2) || lit(outline, w / 2, h / 2));
}

void DrawingTest::replays_data() {
    QTest::addColumn<int>("tool");
    QTest::addColumn<QStringList>("current"); // the frame the stroke is drawn on
    QTest::addColumn<QStringList>("other");   // the frame it is replayed on
    QTest::addColumn<Path>("path");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<int>("symmetry");
    QTest::addColumn<bool>("pixelPerfect");
    QTest::addColumn<QStringList>("corner"); // the other frame's, replayed
    QTest::addColumn<int>("outside");
    const QStringList dark;
    const QStringList ring{"#####", "#...#", "#...#", "#...#", "#####"};
    const auto row = [](const char* name, Tool tool, const QStringList& current,
                        const QStringList& other, Path path, QStringList corner, int outside = 0,
                        Symmetry symmetry = Symmetry::None, bool shift = false,
                        bool pixelPerfect = false) {
        QTest::newRow(name) << int(tool) << current << other << path << shift << int(symmetry)
                            << pixelPerfect << corner << outside;
    };
    row("pen lights even where the other frame's first LED is lit", Tool::Pen, dark,
        {"#", "", "..#"}, {{0, 0}, {3, 0}}, {"####..", "......", "..#..."});
    row("pen begun on a lit LED clears the other frame too", Tool::Pen, {"#"}, {"##.#", "#"},
        {{0, 0}, {2, 0}}, {"...#..", "#....."});
    row("fill fills the other frame's own area", Tool::Fill, ring, QStringList(16, "...#"),
        {{2, 2}}, {"####..", "####..", "####..", "####..", "####..", "####.."}, 40);
    row("fill into a lit area of the other frame changes nothing", Tool::Fill, dark,
        {"######", "######"}, {{0, 0}}, {"######", "######"});
    row("move moves the other frame's picture", Tool::Move, ring, {"#.#"}, {{0, 0}, {4, 4}, {1, 1}},
        {"......", ".#.#.."});
    row("mirrored line", Tool::Line, dark, {"", "", "..#"}, {{0, 0}, {9, 4}, {3, 0}},
        {"####..", "......", "..#..."}, 4, Symmetry::LeftRight);
    row("filled box over a ring", Tool::Rectangle, dark, ring, {{1, 1}, {2, 2}},
        {"#####.", "###.#.", "###.#.", "#...#.", "#####."}, 0, Symmetry::None, true);
    row("pixel-perfect stairs", Tool::Pen, dark, {"", "", "", "", "", ".....#"},
        {{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 2}}, {"#.....", ".#....", "..#...", "", "", ".....#"},
        0, Symmetry::None, false, true);
}

// The stroke drawn again on another frame; on its own frame it draws what it showed.
void DrawingTest::replays() {
    QFETCH(int, tool);
    QFETCH(QStringList, current);
    QFETCH(QStringList, other);
    QFETCH(Path, path);
    QFETCH(bool, shift);
    QFETCH(int, symmetry);
    QFETCH(bool, pixelPerfect);
    QFETCH(QStringList, corner);
    QFETCH(int, outside);
    ToolStroke stroke(Tool(tool), picture(current), path[0].y() * 16 + path[0].x(), shift, false,
                      {}, {Symmetry(symmetry), pixelPerfect});
    for (qsizetype i = 1; i < path.size(); ++i)
        stroke.moveTo({path[i].x(), path[i].y()}, shift);
    QCOMPARE(stroke.replayedOn(picture(current)), stroke.picture());
    const FrameStore::Frame replayed = stroke.replayedOn(picture(other));
    while (corner.size() < 6)
        corner << QString();
    for (QString& r : corner)
        r = r.leftJustified(6, u'.');
    QCOMPARE(::corner(replayed), corner);
    QCOMPARE(litOutsideCorner(replayed), outside);
}

// With levels Fill paints the chosen level: the top row in hex levels ("." is
// dark, the rest of the board too), pressed on LED 4. On and off it still turns
// the area over (strokes).
void DrawingTest::fillWithLevels_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("ink");
    QTest::addColumn<bool>("erase");
    QTest::addColumn<QString>("after");
    QTest::newRow("another level painted over")
        << "5555333355553333" << 9 << false << "5555999955553333";
    QTest::newRow("the chosen level stays")
        << "5555333355553333" << 3 << false << "5555333355553333";
    QTest::newRow("full light stays") << "....ffff........" << 15 << false << "....ffff........";
    QTest::newRow("the right button darkens")
        << "5555333355553333" << 3 << true << "5555....55553333";
}

void DrawingTest::fillWithLevels() {
    QFETCH(QString, start);
    QFETCH(int, ink);
    QFETCH(bool, erase);
    QFETCH(QString, after);
    FrameStore::Frame frame{};
    for (int x = 0; x < 16; ++x)
        frame[std::size_t(x)] = FrameStore::cellForLevel(QString(start[x]).toInt(nullptr, 16));
    const ToolStroke stroke(Tool::Fill, frame, 4, false, erase, {ink, true});
    QString row;
    for (int x = 0; x < 16; ++x) {
        const int level = FrameStore::levelOf(stroke.picture()[std::size_t(x)]);
        row += level == 0 ? QString(".") : QString::number(level, 16);
    }
    QCOMPARE(row, after);
}

QTEST_GUILESS_MAIN(DrawingTest)
#include "test_drawing.moc"
