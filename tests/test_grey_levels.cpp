// Grey levels in the editor: drawing at a level (an on/off animation takes
// levels in the same step, its odd bytes back on undo), the whole-frame
// operations on levels, the matrix given levels, and the program's own file
// loaded, saved and turned into a .led.
#include "support/FakeServices.h"

#include "editor/RecoveryCopy.h"
#include "files/LedFormat.h"
#include "files/NativeFormat.h"
#include "port/MatrixOutput.h"

#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <sstream>

namespace {

constexpr std::uint8_t OddByte = 130; // dark in an on/off animation, level 2 in one with levels

// The top row of frame 1, a character a byte: '.' dark, '#' lit, a hex digit
// a grey level (with levels), 'x' the odd byte (without).
std::uint8_t byteFor(QChar c) {
    if (c == '.')
        return FrameStore::Dark;
    if (c == '#')
        return FrameStore::Lit;
    if (c == 'x')
        return OddByte;
    return FrameStore::cellForLevel(QString(c).toInt(nullptr, 16));
}

QString topRow(const EditorFixture& f) {
    const Animation& animation = f.editor->animation();
    QString row;
    for (int cell = 0; cell < 16; ++cell) {
        const std::uint8_t byte = animation.frame(1)[std::size_t(cell)];
        const int level = FrameStore::levelOf(byte);
        if (byte == FrameStore::Dark || byte == FrameStore::Lit)
            row += byte == FrameStore::Lit ? '#' : '.';
        else if (animation.hasLevels() && level > 0)
            row += QString::number(level, 16);
        else
            row += byte == OddByte ? 'x' : '?';
    }
    return row;
}

void setTopRow(EditorFixture& f, bool levels, const QString& row) {
    if (levels)
        f->animation().takeLevels();
    for (int cell = 0; cell < 16; ++cell)
        f->animation().bytes()[std::size_t(cell)] = byteFor(row[cell]);
    f->Chitmat();
}

std::string fileBytes(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const QString& path, const std::string& bytes) {
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

// The matrix output's last frame: "on/off" or "levels" and LED 0's level.
class LastFrameOutput final : public MatrixOutput {
public:
    void show(const Frame& frame) override { last = QStringLiteral("on/off %1").arg(frame[0] & 1); }
    void showLevels(const LevelFrame& levels) override {
        last = QStringLiteral("levels %1").arg(levels[0]);
    }
    void darken() override {}
    void refresh(bool, const std::function<void()>&) override {}
    void stop() override {}
    void close() override {}
    QString last;
};

} // namespace

class GreyLevelsTest : public QObject {
    Q_OBJECT
private slots:
    void strokesDrawAtTheInkLevel_data();
    void strokesDrawAtTheInkLevel();
    void frameOperationsKeepLevels_data();
    void frameOperationsKeepLevels();
    void shadesComeInWithTheirLevels_data();
    void shadesComeInWithTheirLevels();
    void matrixIsGivenLevels();
    void nativeFileLoadsAndLedSaveSaysWhatIsLost();
    void ledThroughNativeAndBackIsUnchanged();
    void recoveryCopyKeepsLevels();
};

void GreyLevelsTest::strokesDrawAtTheInkLevel_data() {
    QTest::addColumn<bool>("levels");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("tool");
    QTest::addColumn<int>("ink");
    QTest::addColumn<bool>("erase");
    QTest::addColumn<int>("to"); // from LED 4 along the top row
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("levelsAfter");
    const int pen = int(Tool::Pen), line = int(Tool::Line), fill = int(Tool::Fill);
    QTest::newRow("grey pen on on/off: the odd byte darkened")
        << false << "x#.............." << pen << 7 << false << 6 << ".#..777........." << true;
    QTest::newRow("full pen on on/off: as it always drew")
        << false << "x#.............." << pen << 15 << false << 6 << "x#..###........." << false;
    QTest::newRow("grey line over lit LEDs")
        << false << "x###############" << line << 3 << false << 7 << ".###3333########" << true;
    QTest::newRow("erase with a grey ink takes no levels")
        << false << "x###############" << pen << 7 << true << 5 << "x###..##########" << false;
    QTest::newRow("pen on levels")
        << true << "2#..5..........." << pen << 9 << false << 6 << "2#..999........." << true;
    QTest::newRow("pen on its own level darkens")
        << true << "2#..999........." << pen << 9 << false << 6 << "2#.............." << true;
    QTest::newRow("fill takes LEDs of the same level")
        << true << "5555333355553333" << fill << 9 << false << 4 << "5555999955553333" << true;
    QTest::newRow("fill at full level, by level")
        << true << "3333............" << fill << 15 << false << 4 << "3333############" << true;
}

// One step each, undone with the odd byte and on/off back, and redone.
void GreyLevelsTest::strokesDrawAtTheInkLevel() {
    QFETCH(bool, levels);
    QFETCH(QString, start);
    QFETCH(int, tool);
    QFETCH(int, ink);
    QFETCH(bool, erase);
    QFETCH(int, to);
    QFETCH(QString, after);
    QFETCH(bool, levelsAfter);
    EditorFixture f;
    setTopRow(f, levels, start);
    f->setDrawLevel(ink);
    ToolStroke stroke(Tool(tool), f->animation().currentFrame(), 4, false, erase, f->ink());
    stroke.moveTo(Drawing::pointOf(to), false);
    const std::size_t steps = f->history().undoCount();
    QCOMPARE(f->drawStroke(stroke), QString());
    QCOMPARE(topRow(f), after);
    QCOMPARE(f->animation().hasLevels(), levelsAfter);
    QCOMPARE(f->history().undoCount(), steps + 1);
    f->undo();
    QCOMPARE(topRow(f), start);
    QCOMPARE(f->animation().hasLevels(), levels);
    f->redo();
    QCOMPARE(topRow(f), after);
    QCOMPARE(f->animation().hasLevels(), levelsAfter);
}

void GreyLevelsTest::frameOperationsKeepLevels_data() {
    QTest::addColumn<QList<int>>("controls");
    QTest::addColumn<QString>("after");
    const auto c = [](Control control) { return int(control); };
    QTest::newRow("invert") << QList{c(Control::Invert)} << "#edcb###########";
    QTest::newRow("vertical flip") << QList{c(Control::VerticalFlip)} << "...........4321.";
    QTest::newRow("shift right") << QList{c(Control::ShiftRight)} << "..1234..........";
    QTest::newRow("rotate right four times")
        << QList{c(Control::RotateRight), c(Control::RotateRight), c(Control::RotateRight),
                 c(Control::RotateRight)}
        << ".1234...........";
    QTest::newRow("set all") << QList{c(Control::SetOrClearAll)} << "################";
    QTest::newRow("copy, set all, paste")
        << QList{c(Control::Copy), c(Control::SetOrClearAll), c(Control::Paste)}
        << ".1234...........";
    QTest::newRow("blanked: invert")
        << QList{c(Control::MatrixButton), c(Control::Invert), c(Control::MatrixButton)}
        << "#edcb###########";
}

void GreyLevelsTest::frameOperationsKeepLevels() {
    QFETCH(QList<int>, controls);
    QFETCH(QString, after);
    EditorFixture f;
    setTopRow(f, true, ".1234...........");
    for (int control : controls)
        f->click(Control(control));
    QCOMPARE(topRow(f), after);
    QVERIFY(f->animation().hasLevels());
    const FrameStore::Frame lit = FrameTransforms::normalized(f->animation().frame(1));
    QCOMPARE(f.board(), std::vector<std::uint8_t>(lit.begin(), lit.end()));
    while (f->history().canUndo())
        f->undo();
    QCOMPARE(topRow(f), ".1234...........");
}

void GreyLevelsTest::matrixIsGivenLevels() {
    LastFrameOutput output;
    RecordingPort port;
    FakeDialog dialog;
    FakeClock clock;
    FakeInstanceCheck instance;
    std::unique_ptr<AnimationTimer> timer = makeQtAnimationTimer();
    Editor editor({port, dialog, clock, instance, *timer, {}, {}, {}, [] {}, &output});
    editor.Form_Load();
    editor.setDrawLevel(6);
    ToolStroke grey(Tool::Pen, editor.animation().currentFrame(), 0, false, false, editor.ink());
    QCOMPARE(editor.drawStroke(grey), QString());
    QCOMPARE(output.last, "levels 6");
    editor.undo();
    QCOMPARE(output.last, "on/off 0");
    editor.setDrawLevel(15);
    ToolStroke full(Tool::Pen, editor.animation().currentFrame(), 0, false, false, editor.ink());
    QCOMPARE(editor.drawStroke(full), QString());
    QCOMPARE(output.last, "on/off 1");
}

void GreyLevelsTest::nativeFileLoadsAndLedSaveSaysWhatIsLost() {
    QTemporaryDir dir;
    NativeAnimation native;
    native.name = "Sunrise";
    native.playMode = NativeAnimation::PlayMode::PingPong;
    native.speedMs = 500;
    native.levels.assign(2 * 256, 0);
    native.levels[0] = 7;
    native.levels[1] = 15;
    native.levels[2] = 8;
    native.levels[256] = 15;
    native.holdMs = {0, 1500};
    const QString file = dir.filePath("sunrise.qanim"), led = dir.filePath("sunrise.led");
    writeFile(file, NativeFormat::write(native));

    EditorFixture f;
    QStringList notices;
    f->setNotice([&](const QString& notice) { notices << notice; });
    f.dialog.answer(file);
    f->click(Control::LoadFile);
    QCOMPARE(topRow(f), "7#8.............");
    QCOMPARE(f->animation().holdMs(1), 0);
    QCOMPARE(f->animation().holdMs(2), 1500);
    QCOMPARE(f->animation().playMode(), PlayMode::PingPong);
    QCOMPARE(f->animation().name(), "Sunrise");
    QCOMPARE(f->playback().intervalMs(), 500);
    QCOMPARE(f.panel().label1, " 2 Hz");
    QCOMPARE(f.panel().caption, "QUENTARO - " + file);
    QVERIFY(!f->hasUnsavedChanges());
    QCOMPARE(f->nativeAnimation(), native);

    f.dialog.answer(led);
    f->click(Control::SaveFile);
    QCOMPARE(fileBytes(led), LedFormat::write(NativeFormat::toLedStore(native).frames));
    QCOMPARE(notices, QStringList{led + ": a .led file does not keep the name, the speed, the "
                                        "hold times, the play mode and the grey levels; they "
                                        "stay unsaved, in the recovery copy, until Save "
                                        "animation… (Ctrl+Shift+S) saves them"});

    f->undo(); // the load: the empty on/off animation is back
    QVERIFY(!f->animation().hasLevels());
    QCOMPARE(f->animation().playMode(), PlayMode::Loop);
    QCOMPARE(f->animation().name(), "");
    QCOMPARE(f->animation().imageCount(), 1);
}

// A .led of lit and dark LEDs comes back byte for byte through the program's
// own file, which then holds it as saved.
void GreyLevelsTest::ledThroughNativeAndBackIsUnchanged() {
    QTemporaryDir dir;
    std::vector<std::uint8_t> cells(3 * 256, 0);
    for (std::size_t i = 0; i < cells.size(); i += 7)
        cells[i] = 1;
    const QString led = dir.filePath("in.led"), native = dir.filePath("mid.qanim"),
                  out = dir.filePath("out.led");
    writeFile(led, LedFormat::write(cells));
    EditorFixture f;
    QStringList notices;
    f->setNotice([&](const QString& notice) { notices << notice; });
    QCOMPARE(f->openAnimation(led), QString());
    QCOMPARE(f->saveNative(native), QString());
    QCOMPARE(f.panel().caption, "QUENTARO - " + native);
    QCOMPARE(f->openAnimation(native), QString());
    QVERIFY(!f->animation().hasLevels());
    f.dialog.answer(out);
    f->click(Control::SaveFile);
    QCOMPARE(fileBytes(out), fileBytes(led));
    QCOMPARE(notices, QStringList());
}

void GreyLevelsTest::recoveryCopyKeepsLevels() {
    QTemporaryDir dir;
    EditorFixture f;
    f->setDrawLevel(4);
    QCOMPARE(f->drawStroke(
                 ToolStroke(Tool::Pen, f->animation().currentFrame(), 0, false, false, f->ink())),
             QString());
    QCOMPARE(f->setHoldTimes({1}, 250), QString());
    RecoveryCopy copy(dir.path());
    QCOMPARE(copy.update(*f), QString());
    const QString kept = dir.filePath("recovery.qanim");
    QVERIFY(NativeFormat::hasMagic(fileBytes(kept)));

    EditorFixture restored;
    QCOMPARE(restored->restoreAnimation(kept, "QUENTARO - NEW"), QString());
    QCOMPARE(topRow(restored), "4...............");
    QCOMPARE(restored->animation().holdMs(1), 250);
    QVERIFY(restored->hasUnsavedChanges());
    copy.discard();
}

// Frames with grey levels from Import or Text: after the current image, in
// place of the animation, or drawn on the current frame; an on/off animation
// takes levels in the same step, its odd byte back on undo.
void GreyLevelsTest::shadesComeInWithTheirLevels_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("levels");   // the frames hold levels
    QTest::addColumn<QString>("after"); // the top row of frame 1
    QTest::addColumn<int>("count");
    QTest::newRow("after the current image") << "after" << true << ".#.............." << 2;
    QTest::newRow("in place of the animation") << "replace" << true << "5a#............." << 1;
    QTest::newRow("on the current frame") << "draw" << true << "5a#............." << 1;
    QTest::newRow("on/off frames after it take no levels")
        << "after" << false << "x#.............." << 2;
}

void GreyLevelsTest::shadesComeInWithTheirLevels() {
    QFETCH(QString, how);
    QFETCH(bool, levels);
    QFETCH(QString, after);
    QFETCH(int, count);
    EditorFixture f;
    setTopRow(f, false, "x#..............");
    FrameStore::Frame shades{};
    shades[0] = FrameStore::cellForLevel(5);
    shades[1] = FrameStore::cellForLevel(levels ? 10 : 15);
    shades[2] = FrameStore::Lit;
    const std::vector<FrameStore::Frame> frames{shades};
    const std::size_t steps = f->history().undoCount();
    const QString refusal = how == "draw"    ? f->drawFrame(shades, levels)
                            : how == "after" ? f->importFrames(frames, false, levels)
                                             : f->importFrames(frames, true, levels);
    QCOMPARE(refusal, QString());
    QCOMPARE(f->animation().hasLevels(), levels);
    QCOMPARE(topRow(f), after);
    QCOMPARE(f->animation().imageCount(), count);
    if (count == 2)
        QCOMPARE(f->animation().levelOf(f->animation().frame(2)[1]), levels ? 10 : 15);
    QCOMPARE(f->history().undoCount(), steps + 1);
    f->undo();
    QCOMPARE(topRow(f), QString("x#.............."));
    QCOMPARE(f->animation().hasLevels(), false);
}

QTEST_GUILESS_MAIN(GreyLevelsTest)
#include "test_grey_levels.moc"
