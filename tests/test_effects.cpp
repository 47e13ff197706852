// The effects: the same frames for the same seed, what a user would check of
// each one, the command line's effect options and the program rendering one.
#include "cli/CommandLine.h"
#include "effects/BuiltIn.h"
#include "effects/Catalogue.h"
#include "effects/Choice.h"
#include "effects/DigitFont.h"
#include "effects/Listing.h"
#include "files/NativeFormat.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <set>

#ifdef QUENTARO_HAVE_NETWORK
#include <QNetworkDatagram>
#include <QUdpSocket>
#endif

using namespace Effects;
using Levels = std::vector<std::uint8_t>;

namespace {

constexpr int FrameMs = 40;

Levels render(const EffectInfo& info, std::uint64_t seed, int count, Values values,
              Levels start = {}, int width = 16, int height = 16) {
    Setup setup{width, height, values, seed, std::move(start), {}};
    return renderFrames(info, setup, count, FrameMs);
}

Levels frameOf(const Levels& frames, int frame, int size = 256) {
    return Levels(frames.begin() + frame * size, frames.begin() + (frame + 1) * size);
}

// A 16 x 16 picture with the cells (x, y) listed lit.
Levels picture(std::initializer_list<std::pair<int, int>> cells, int dx = 0, int dy = 0) {
    Levels levels(256, 0);
    for (const auto& [x, y] : cells)
        levels[std::size_t(((y + dy) & 15) * 16 + ((x + dx) & 15))] = 15;
    return levels;
}

Values lifeFrom(int stall = 12) {
    Values values = lifeEffect().defaults();
    values[Slot::Speed] = 255; // a generation a frame
    values[Slot::Switch1] = 1;
    values[Slot::Custom1] = stall;
    return values;
}

// The average level of the rows `from` .. `to` over every frame.
double rowsAverage(const Levels& frames, int width, int height, int from, int to) {
    long sum = 0, count = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const int y = int(i / std::size_t(width)) % height;
        if (y >= from && y <= to) {
            sum += frames[i];
            ++count;
        }
    }
    return double(sum) / double(count);
}

Levels cellsOf(const Levels& frames, int frame, int column) {
    Levels cells;
    for (int y = 0; y < 16; ++y)
        cells.push_back(frames[std::size_t(frame * 256 + y * 16 + column)]);
    return cells;
}

// How much the picture changes from frame to frame, summed over them all.
long change(const Levels& frames) {
    long sum = 0;
    for (std::size_t i = 256; i < frames.size(); ++i)
        sum += std::abs(int(frames[i]) - int(frames[i - 256]));
    return sum;
}

// 12:34:56, so that a clock draws the same frames on every run.
constexpr int ClockTime = 45296;

Values pinned(const EffectInfo& info, int seconds = ClockTime) {
    Values values = info.defaults();
    if (const Parameter* time = info.parameter("time"))
        values[time->slot] = seconds;
    return values;
}

// The digit drawn at (left, top) of a frame, -1 for none (dark), -2 for no digit.
int digitAt(const Levels& frame, int left, int top) {
    int dark = 0;
    for (int digit = 0; digit < 10; ++digit) {
        int matches = 0;
        for (int y = 0; y < DigitFont::Height; ++y)
            for (int x = 0; x < DigitFont::Width; ++x) {
                const bool lit = frame[std::size_t((top + y) * 16 + left + x)] != 0;
                matches += lit == DigitFont::lit(digit, x, y);
                dark += digit == 0 && !lit;
            }
        if (matches == DigitFont::Width * DigitFont::Height)
            return digit;
    }
    return dark == DigitFont::Width * DigitFont::Height ? -1 : -2;
}

// The clock's two lines of two digits, as "HHMM".
QString clockDigits(const Levels& frame) {
    QString digits;
    for (const auto& [left, top] : {std::pair{4, 1}, {8, 1}, {4, 8}, {8, 8}}) {
        const int digit = digitAt(frame, left, top);
        digits += digit == -1 ? QChar(' ') : digit == -2 ? QChar('?') : QChar('0' + digit);
    }
    return digits;
}

Levels transition(const EffectInfo& info, int direction, const Levels& start, const Levels& end,
                  int count) {
    Values values = info.defaults();
    values[Slot::Custom1] = direction;
    Setup setup{16, 16, values, 7, start, end};
    return renderFrames(info, setup, count, FrameMs);
}

template <class Test> bool everyFrame(const Levels& frames, Test test) {
    for (int frame = 0; frame < int(frames.size() / 256); ++frame)
        if (!test(frameOf(frames, frame)))
            return false;
    return true;
}

using Check = std::function<bool()>;

const std::vector<std::pair<const char*, Check>>& properties() {
    static const std::vector<std::pair<const char*, Check>> checks{
        {"a blinker oscillates in Life",
         [] {
             const Levels across = picture({{4, 5}, {5, 5}, {6, 5}});
             const Levels down = picture({{5, 4}, {5, 5}, {5, 6}});
             const Levels frames = render(lifeEffect(), 1, 3, lifeFrom(), across);
             return frameOf(frames, 0) == across && frameOf(frames, 1) == down &&
                    frameOf(frames, 2) == across;
         }},
        {"a glider travels in Life, across the wrapping edge",
         [] {
             const auto glider = {std::pair{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}};
             const Levels frames = render(lifeEffect(), 1, 65, lifeFrom(), picture(glider, 13, 13));
             return frameOf(frames, 4) == picture(glider, 14, 14) &&
                    frameOf(frames, 64) == picture(glider, 13 + 16, 13 + 16);
         }},
        {"Life sows again once a still life stalls",
         [] {
             const Levels block = picture({{3, 3}, {4, 3}, {3, 4}, {4, 4}});
             const Levels frames = render(lifeEffect(), 1, 8, lifeFrom(3), block);
             return frameOf(frames, 3) == block && frameOf(frames, 7) != block;
         }},
        {"fire is brighter at the bottom than at the top",
         [] {
             const Levels frames = render(fireEffect(), 5, 200, fireEffect().defaults());
             return rowsAverage(frames, 16, 16, 12, 15) > 2 * rowsAverage(frames, 16, 16, 0, 3) + 1;
         }},
        {"fire on a wall of 32 x 8 burns from its own bottom",
         [] {
             const Levels frames = render(fireEffect(), 5, 100, fireEffect().defaults(), {}, 32, 8);
             return frames.size() == 100u * 256 &&
                    rowsAverage(frames, 32, 8, 6, 7) > rowsAverage(frames, 32, 8, 0, 1) + 1;
         }},
        {"the inverted curve is the linear one upside down",
         [] {
             Values values = plasmaEffect().defaults();
             const Levels linear = render(plasmaEffect(), 3, 5, values);
             values[Slot::Curve] = 2;
             const Levels inverted = render(plasmaEffect(), 3, 5, values);
             for (std::size_t i = 0; i < linear.size(); ++i)
                 if (inverted[i] != 15 - linear[i])
                     return false;
             return true;
         }},
        {"the gamma curve darkens the middle levels",
         [] {
             Values values = plasmaEffect().defaults();
             const Levels linear = render(plasmaEffect(), 3, 20, values);
             values[Slot::Curve] = 1;
             const Levels gamma = render(plasmaEffect(), 3, 20, values);
             bool darker = false;
             for (std::size_t i = 0; i < linear.size(); ++i) {
                 if (gamma[i] > linear[i])
                     return false;
                 darker = darker || gamma[i] < linear[i];
             }
             return darker;
         }},
        {"the Julia set is point-symmetric about the middle",
         [] {
             return everyFrame(render(juliaEffect(), 4, 30, juliaEffect().defaults()),
                               [](const Levels& frame) {
                                   return std::equal(frame.begin(), frame.end(), frame.rbegin());
                               });
         }},
        {"bouncing balls: one lit cell a ball, each in its own column",
         [] {
             Values values = ballsEffect().defaults();
             values[Slot::Custom1] = 5;
             return everyFrame(render(ballsEffect(), 6, 200, values), [](const Levels& frame) {
                 return std::ranges::count(frame, 15) == 5 &&
                        std::ranges::count_if(frame, [](int level) { return level != 0; }) == 5;
             });
         }},
        {"equalizer bars stand on the bottom row",
         [] {
             Values values = equalizerEffect().defaults();
             values[Slot::Switch1] = 0; // no peak dots above the bars
             const Levels frames = render(equalizerEffect(), 8, 100, values);
             for (int frame = 0; frame < 100; ++frame)
                 for (int x = 0; x < 16; ++x) {
                     const Levels column = cellsOf(frames, frame, x);
                     const auto lit = std::ranges::find_if(column, [](int l) { return l != 0; });
                     if (!std::all_of(lit, column.end(), [](int l) { return l != 0; }))
                         return false;
                 }
             return change(frames) > 0;
         }},
        {"a DNA helix has its two strands lit in every row",
         [] {
             Values values = dnaEffect().defaults();
             values[Slot::Switch1] = 0; // no rungs
             return everyFrame(render(dnaEffect(), 1, 50, values), [](const Levels& frame) {
                 for (int y = 0; y < 16; ++y) {
                     const auto row = frame.begin() + y * 16;
                     const auto lit = std::count_if(row, row + 16, [](int l) { return l != 0; });
                     if (lit < 1 || lit > 2 || *std::max_element(row, row + 16) != 15)
                         return false;
                 }
                 return true;
             });
         }},
        {"twinkle without density stays dark",
         [] {
             Values values = twinkleEffect().defaults();
             values[Slot::Intensity] = 0;
             return std::ranges::count(render(twinkleEffect(), 9, 100, values), 0) == 100 * 256;
         }},
        {"more matrix spawn lights more of the picture",
         [] {
             Values values = matrixEffect().defaults();
             values[Slot::Intensity] = 10;
             const Levels few = render(matrixEffect(), 2, 100, values);
             values[Slot::Intensity] = 250;
             const Levels many = render(matrixEffect(), 2, 100, values);
             return rowsAverage(many, 16, 16, 0, 15) > 2 * rowsAverage(few, 16, 16, 0, 15);
         }},
        {"a wipe and a reveal start on the current frame and end on the next, every way",
         [] {
             const Levels start = picture({{1, 1}, {14, 1}, {1, 14}, {14, 14}}),
                          end = picture({{3, 3}, {12, 3}, {3, 12}, {12, 12}});
             for (const EffectInfo* info : {&wipeEffect(), &revealEffect()})
                 for (int direction = 0; direction < 8; ++direction) {
                     const Levels frames = transition(*info, direction, start, end, 9);
                     const Levels middle = frameOf(frames, 4);
                     if (frameOf(frames, 0) != start || frameOf(frames, 8) != end ||
                         middle == start || middle == end)
                         return false;
                 }
             return true;
         }},
        {"a dissolve from dark lights a growing share and ends lit",
         [] {
             const Levels frames = render(dissolveEffect(), 3, 30, {});
             long before = -1;
             for (int frame = 0; frame < 30; ++frame) {
                 const long lit = std::ranges::count(frameOf(frames, frame), 15);
                 if (lit < before || (frame == 0) != (lit == 0))
                     return false;
                 before = lit;
             }
             return before == 256 && frameOf(frames, 15) != frameOf(frames, 16);
         }},
        {"a dissolve between two frames ends on the next",
         [] {
             const Levels start = picture({{3, 3}}), end = picture({{4, 4}, {5, 5}});
             return frameOf(transition(dissolveEffect(), 0, start, end, 5), 4) == end;
         }},
        {"sixteen frames of scrolling at full speed bring a 16-wide picture back, every way",
         [] {
             const Levels start = picture({{0, 0}, {5, 2}, {9, 14}});
             for (int direction = 0; direction < 8; ++direction) {
                 Values values = scrollEffect().defaults();
                 values[Slot::Speed] = 255;
                 values[Slot::Custom1] = direction;
                 const Levels frames = render(scrollEffect(), 1, 17, values, start);
                 if (frameOf(frames, 0) != start || frameOf(frames, 1) == start ||
                     frameOf(frames, 16) != start)
                     return false;
             }
             return true;
         }},
        {"a bounce to the right moves no further than its distance",
         [] {
             Values values = bounceEffect().defaults();
             values[Slot::Custom1] = 3;
             const Levels frames = render(bounceEffect(), 1, 60, values, picture({{6, 6}}));
             std::set<int> places;
             for (int frame = 0; frame < 60; ++frame) {
                 const Levels shown = frameOf(frames, frame);
                 places.insert(int(std::ranges::find(shown, 15) - shown.begin()));
             }
             return places == std::set<int>{6 * 16 + 6, 6 * 16 + 7, 6 * 16 + 8, 6 * 16 + 9};
         }},
        {"a digital clock reads its time through the font, in 24 and in 12 hours",
         [] {
             Values values = pinned(digitalClockEffect(), 12 * 3600 + 34 * 60);
             const QString noon = clockDigits(render(digitalClockEffect(), 1, 1, values));
             values[Slot::Custom1] = 13 * 3600 + 5 * 60 + 59;
             const Levels later = render(digitalClockEffect(), 1, 2, values);
             values[Slot::Switch1] = 1;
             const QString twelve =
                 clockDigits(frameOf(render(digitalClockEffect(), 1, 27, values), 26));
             return noon == "1234" && clockDigits(frameOf(later, 0)) == "1305" && twelve == " 106";
         }},
        {"a binary clock shows hours, minutes and seconds in BCD columns",
         [] {
             const Levels frame = render(binaryClockEffect(), 1, 1, pinned(binaryClockEffect()));
             for (int column = 0; column < 6; ++column)
                 for (int bit = 0; bit < 4; ++bit) {
                     const int x = 1 + column * 2 + column / 2, y = 2 + (3 - bit) * 3;
                     const bool on = ((column + 1) >> bit) & 1; // 12:34:56
                     if ((frame[std::size_t(y * 16 + x)] == 15) != on ||
                         frame[std::size_t(y * 16 + x)] == 0)
                         return false;
                 }
             return true;
         }},
        {"an analog clock at three points its hour hand right and its minute hand up",
         [] {
             Values values = pinned(analogClockEffect(), 3 * 3600);
             values[Slot::Switch1] = 0;
             const Levels frame = render(analogClockEffect(), 1, 1, values);
             const auto at = [&frame](int x, int y) { return frame[std::size_t(y * 16 + x)]; };
             return at(11, 8) == 15 && at(4, 8) == 0 && at(8, 3) != 0 && at(8, 13) == 0;
         }},
        {"a countdown counts the seconds down to 0 and stays there",
         [] {
             Values values = countdownEffect().defaults();
             values[Slot::Custom1] = 3;
             const Levels frames = render(countdownEffect(), 1, 120, values);
             return digitAt(frameOf(frames, 0), 6, 5) == 3 &&
                    digitAt(frameOf(frames, 30), 6, 5) == 2 &&
                    digitAt(frameOf(frames, 75), 6, 5) == 0 &&
                    digitAt(frameOf(frames, 119), 6, 5) == 0;
         }},
        {"a time of day is read as seconds since midnight",
         [] {
             const auto time = [](const char* text) {
                 const Choice choice = parseChoice(std::string("analogclock:time=") + text);
                 return choice.ok() ? choice.values[Slot::Custom1] : -2;
             };
             return time("12:34:56") == ClockTime && time("23:59") == 86340 && time("0:0:0") == 0 &&
                    time("24:00") == -2 && time("12:60") == -2 && time("1:2:3:4") == -2 &&
                    time("12:-1") == -2 && time("12:") == -2 && time("-1") == -1;
         }},
    };
    return checks;
}

} // namespace

class EffectsTest : public QObject {
    Q_OBJECT
private slots:
    void sameSeedSameFrames_data();
    void sameSeedSameFrames();
    void speedQuickensEveryEffect_data();
    void speedQuickensEveryEffect();
    void properties_data();
    void properties();
    void readsTheEffectOptions_data();
    void readsTheEffectOptions();
    void programRendersAnEffect();
#ifdef QUENTARO_HAVE_NETWORK
    void programPlaysAnEffectLive();
#endif
    void documentationMatchesTheCatalogue();
};

void EffectsTest::sameSeedSameFrames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("random"); // whether the seed changes the frames
    QVERIFY(catalogue().size() >= 12);
    for (const EffectInfo* info : catalogue()) {
        static const std::set<std::string_view> steady{
            "dna",    "spiral",       "wipe",        "reveal",      "scroll",
            "bounce", "digitalclock", "binaryclock", "analogclock", "countdown"};
        const bool random = !steady.contains(info->name);
        QTest::newRow(std::string(info->name).c_str()) << QString::fromUtf8(info->name) << random;
    }
}

// Also: every frame in range, and the picture moves.
void EffectsTest::sameSeedSameFrames() {
    QFETCH(QString, name);
    QFETCH(bool, random);
    const EffectInfo& info = *findEffect(name.toStdString());
    const Values values = pinned(info);
    const Levels once = render(info, 1, 60, values);
    QCOMPARE(once, render(info, 1, 60, values));
    QCOMPARE(once != render(info, 2, 60, values), random);
    QVERIFY(std::ranges::all_of(once, [](std::uint8_t level) { return level <= 15; }));
    QVERIFY(frameOf(once, 30) != frameOf(once, 59));
    // A wall of boards: the same effect on a picture of its own size.
    const Levels wall = render(info, 1, 20, values, {}, 40, 8);
    QCOMPARE(wall.size(), std::size_t(20 * 40 * 8));
    QVERIFY(std::ranges::all_of(wall, [](std::uint8_t level) { return level <= 15; }));
    QVERIFY(std::ranges::any_of(wall, [](std::uint8_t level) { return level != 0; }));
}

// The speed a user turns up makes the picture change more from frame to frame.
void EffectsTest::speedQuickensEveryEffect_data() {
    QTest::addColumn<QString>("name");
    for (const EffectInfo* info : catalogue())
        if (info->parameter(slotKey(Slot::Speed)))
            QTest::newRow(std::string(info->name).c_str()) << QString::fromUtf8(info->name);
}

void EffectsTest::speedQuickensEveryEffect() {
    QFETCH(QString, name);
    const EffectInfo& info = *findEffect(name.toStdString());
    Values slow = info.defaults(), fast = info.defaults();
    slow[Slot::Speed] = 10;
    fast[Slot::Speed] = 255;
    const long slowChange = change(render(info, 3, 100, slow));
    const long fastChange = change(render(info, 3, 100, fast));
    QVERIFY2(fastChange > slowChange,
             qPrintable(QStringLiteral("%1 <= %2").arg(fastChange).arg(slowChange)));
}

void EffectsTest::properties_data() {
    QTest::addColumn<int>("check");
    for (std::size_t i = 0; i < ::properties().size(); ++i)
        QTest::newRow(::properties()[i].first) << int(i);
}

void EffectsTest::properties() {
    QFETCH(int, check);
    QVERIFY(::properties()[std::size_t(check)].second());
}

void EffectsTest::readsTheEffectOptions_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error"); // a part of the message, empty when fine
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("cooling");

    const QStringList fire{"--export", "o.qanim", "--effect"};
    QTest::newRow("defaults") << fire + QStringList{"fire"} << "" << 100 << 90;
    QTest::newRow("by name and by slot")
        << fire + QStringList{"fire:cooling=7,c1=9,o1=on,curve=gamma"} << "" << 100 << 7;
    QTest::newRow("the most frames")
        << fire + QStringList{"fire:intensity=255", "--frames", "32767"} << "" << 32767 << 255;
    QTest::newRow("a frame past the most")
        << fire + QStringList{"fire", "--frames", "32768"}
        << "--frames takes a whole number from 1 to 32767" << 0 << 0;
    QTest::newRow("out of range") << fire + QStringList{"fire:cooling=256"}
                                  << "cooling takes a whole number from 0 to 255, not \"256\"" << 0
                                  << 0;
    QTest::newRow("beyond any number")
        << fire + QStringList{"fire:cooling=-99999999999999999999999"} << "from 0 to 255" << 0 << 0;
    QTest::newRow("a switch") << fire + QStringList{"fire:embers=2"} << "embers takes on or off"
                              << 0 << 0;
    QTest::newRow("a curve") << fire + QStringList{"fire:curve=log"}
                             << "curve takes linear, gamma or inverted" << 0 << 0;
    QTest::newRow("no value") << fire + QStringList{"fire:cooling"} << "after an =" << 0 << 0;
    QTest::newRow("unknown key") << fire + QStringList{"fire:heat=1"}
                                 << "no parameter \"heat\"; it takes speed, cooling" << 0 << 0;
    QTest::newRow("a line end in a key")
        << fire + QStringList{"fire:he\nat=1"} << "no parameter \"he?at\"" << 0 << 0;
    QTest::newRow("unknown effect")
        << fire + QStringList{"smoke"} << "no effect \"smoke\"" << 0 << 0;
    QTest::newRow("seed not a number")
        << fire + QStringList{"fire", "--seed", "-1"} << "--seed takes a whole number" << 0 << 0;
    QTest::newRow("a file too many")
        << fire + QStringList{"fire", "in.led"} << "a file too many" << 0 << 0;
    QTest::newRow("played live") << QStringList{"--effect", "fire:c1=3", "--interval", "80"} << ""
                                 << 100 << 90;
    QTest::newRow("frames played live") << QStringList{"--effect", "fire", "--frames", "9"}
                                        << "--frames goes with --export" << 0 << 0;
    QTest::newRow("with play") << QStringList{"--play", "x.led", "--effect", "fire"}
                               << "cannot go with --play" << 0 << 0;
    QTest::newRow("seed without effect")
        << QStringList{"--seed", "4"} << "--seed, --frames and --from go with --effect" << 0 << 0;
    QTest::newRow("a time past midnight")
        << QStringList{"--effect", "digitalclock:time=24:00"}
        << "time takes a whole number from -1 to 86399, not \"24:00\"" << 0 << 0;
    QTest::newRow("from no file") << QStringList{"--effect", "wipe", "--from",
                                                 "/nonexistent/q.qanim"}
                                  << "--from /nonexistent/q.qanim: " << 0 << 0;
    QTest::newRow("markdown alone")
        << QStringList{"--markdown"} << "goes with --list-effects" << 0 << 0;
}

void EffectsTest::readsTheEffectOptions() {
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    QFETCH(int, frames);
    QFETCH(int, cooling);
    const CommandLine line = parseCommandLine(QStringList{"quentaro"} + args);
    if (!error.isEmpty()) {
        QVERIFY2(line.error.contains(error), qPrintable(line.error));
        QVERIFY(!line.error.contains(QLatin1Char('\n')));
        return;
    }
    QVERIFY2(line.ok(), qPrintable(line.error));
    QCOMPARE(line.frames, frames);
    QCOMPARE(line.effect->values[Slot::Intensity], cooling);
}

// Twice with one seed: the same file byte for byte; a bad value: status 2.
void EffectsTest::programRendersAnEffect() {
    QTemporaryDir dir;
    const auto run = [&dir](const QString& out, const QStringList& more) {
        QProcess program;
        program.start(QStringLiteral(QUENTARO_PROGRAM),
                      QStringList{"--export", dir.filePath(out), "--effect", "life:density=120",
                                  "--frames", "7"} +
                          more);
        program.waitForFinished(30000);
        return program.exitCode();
    };
    QCOMPARE(run("a.qanim", {"--seed", "42"}), 0);
    QCOMPARE(run("b.qanim", {"--seed", "42"}), 0);
    QCOMPARE(run("c.qanim", {"--frames", "32768"}), 2);
    QFile a(dir.filePath("a.qanim")), b(dir.filePath("b.qanim"));
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QByteArray bytes = a.readAll();
    QCOMPARE(bytes, b.readAll());
    const auto loaded = NativeFormat::read(std::string_view(bytes.constData(), bytes.size()));
    QVERIFY2(loaded.ok(), loaded.message.c_str());
    QCOMPARE(loaded.animation.frameCount(), 7);
    QVERIFY(!QFile::exists(dir.filePath("c.qanim")));
    // A wipe from the file's first frame to its second.
    QProcess wipe;
    wipe.start(QStringLiteral(QUENTARO_PROGRAM),
               {"--export", dir.filePath("w.qanim"), "--effect", "wipe:direction=7", "--frames",
                "6", "--from", dir.filePath("a.qanim")});
    QVERIFY(wipe.waitForFinished(30000) && wipe.exitCode() == 0);
    QFile wiped(dir.filePath("w.qanim"));
    QVERIFY(wiped.open(QIODevice::ReadOnly));
    const QByteArray wipeBytes = wiped.readAll();
    const auto frames =
        NativeFormat::read(std::string_view(wipeBytes.constData(), wipeBytes.size()));
    QVERIFY2(frames.ok(), frames.message.c_str());
    QCOMPARE(frameOf(frames.animation.levels, 0), frameOf(loaded.animation.levels, 0));
    QCOMPARE(frameOf(frames.animation.levels, 5), frameOf(loaded.animation.levels, 1));
}

#ifdef QUENTARO_HAVE_NETWORK
// Played live on a DDP panel at 127.0.0.1: frames that change, at about the
// effect's frame rate, until a signal ends it with status 0.
void EffectsTest::programPlaysAnEffectLive() {
    QUdpSocket panel;
    QVERIFY(panel.bind(QHostAddress::LocalHost, 0));
    QProcess program;
    program.start(QStringLiteral(QUENTARO_PROGRAM),
                  {"--effect", "plasma:speed=255", "--port",
                   QStringLiteral("ddp:127.0.0.1:%1").arg(panel.localPort())});
    QSet<QByteArray> frames;
    QElapsedTimer clock;
    clock.start();
    while (frames.size() < 10 && clock.elapsed() < 10000)
        if (panel.waitForReadyRead(200))
            while (panel.hasPendingDatagrams())
                frames.insert(panel.receiveDatagram().data().mid(10));
    program.terminate();
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(frames.size(), 10);
    QCOMPARE(program.exitCode(), 0);
}
#endif

void EffectsTest::documentationMatchesTheCatalogue() {
    QFile page(QStringLiteral(QUENTARO_SOURCE_DIR "/docs/effects.md"));
    QVERIFY(page.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(page.readAll()), QString::fromStdString(listEffects(true)));
}

QTEST_GUILESS_MAIN(EffectsTest)
#include "test_effects.moc"
