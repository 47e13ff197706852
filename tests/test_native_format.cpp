// The program's own animation file: what a hostile or odd file reads as, what
// survives writing and reading back, what a `.led` keeps, and loading either
// kind by content.
#include "files/AnimationFile.h"
#include "files/LedFormat.h"
#include "files/NativeFormat.h"
#include "port/MatrixOutput.h"

#include <QTemporaryDir>
#include <QtTest>

#include <random>

using NativeFormat::ReadError;
using Mode = NativeAnimation::PlayMode;
using Bytes = std::vector<std::uint8_t>;

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(NativeAnimation)
Q_DECLARE_METATYPE(NativeFormat::ReadError)
Q_DECLARE_METATYPE(AnimationFile::Kind)

static_assert(NativeFormat::MaxLevel == MatrixOutput::MaxLevel);

namespace {

const std::string Head = "QUENTARO-ANIMATION 1\nname\nplay-mode loop\nspeed-ms 301\nlevels 16\n";

const std::string Zeros(16, '0');

std::string frame(const std::string& hold = "0", const std::string& row = Zeros, int rows = 16) {
    std::string text = "frame " + hold + "\n";
    for (int r = 0; r < rows; ++r)
        text += row + "\n";
    return text;
}

// A frame whose first row is `row`.
std::string firstRow(const std::string& row) {
    return "frame 0\n" + row + "\n" + frame("0", Zeros, 15).substr(8);
}

NativeAnimation animation(int frames, std::uint8_t level = 0, std::string name = {}) {
    NativeAnimation a;
    a.name = std::move(name);
    a.levels.assign(std::size_t(frames) * 256, level);
    a.holdMs.assign(std::size_t(frames), 0);
    return a;
}

NativeAnimation randomAnimation(int frames, unsigned seed) {
    std::mt19937 rng(seed);
    NativeAnimation a = animation(frames);
    for (auto& level : a.levels)
        level = std::uint8_t(rng() % 16);
    for (auto& hold : a.holdMs)
        hold = rng() % 3 == 0 ? std::uint16_t(40 + rng() % 65496) : 0;
    return a;
}

} // namespace

class TestNativeFormat : public QObject {
    Q_OBJECT

private slots:
    void read_data() {
        QTest::addColumn<std::string>("bytes");
        QTest::addColumn<ReadError>("error");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("message");          // checked when given
        QTest::addColumn<NativeAnimation>("expected"); // when it reads

        const std::string one = "frames 1\n" + frame();
        const auto good = [&](const char* row, const std::string& bytes, NativeAnimation a) {
            QTest::newRow(row) << bytes << ReadError::None << 0 << QString() << a;
        };
        const auto bad = [](const char* row, const std::string& bytes, ReadError error, int line,
                            const char* message = "") {
            QTest::newRow(row) << bytes << error << line << QString(message) << NativeAnimation();
        };
        good("plain", Head + one, animation(1));
        std::string crlf = Head + one;
        for (std::size_t at = crlf.find('\n'); at != std::string::npos;
             at = crlf.find('\n', at + 2))
            crlf.insert(at, "\r");
        good("CR LF", crlf, animation(1));
        good("no final LF", (Head + one).substr(0, Head.size() + one.size() - 1), animation(1));
        good("defaults, minor version, unknown keys",
             "QUENTARO-ANIMATION 1.4\nfade-curve ease in\nlayer-blend\nframes 1\n" + frame(),
             animation(1));
        NativeAnimation upper = animation(1);
        std::fill_n(upper.levels.begin(), 16, 15);
        good("upper-case levels", Head + "frames 1\n" + firstRow("FFFFFFFFFFFFFFFF"), upper);
        good("escaped name",
             "QUENTARO-ANIMATION 1\nname \\\\ a\\u{a}\\u{1F600}\nframes 1\n" + frame(),
             animation(1, 0, "\\ a\n\U0001F600"));
        std::string euros;
        for (int i = 0; i < 85; ++i)
            euros += "\u20AC";
        good("name of 255 bytes", "QUENTARO-ANIMATION 1\nname " + euros + "\nframes 1\n" + frame(),
             animation(1, 0, euros));

        bad("empty", "", ReadError::BadMagic, 1);
        bad("a .led file", " 1 \r\n 0 \r\n", ReadError::BadMagic, 1);
        bad("magic without version", "QUENTARO-ANIMATION\n", ReadError::BadMagic, 1);
        bad("version not a number", "QUENTARO-ANIMATION one\n", ReadError::BadVersion, 1);
        bad("version 1.", "QUENTARO-ANIMATION 1.\n", ReadError::BadVersion, 1);
        bad("newer major", "QUENTARO-ANIMATION 2.0\nframes 1\n" + frame(), ReadError::NewerVersion,
            1, "file version 2, newer than this program reads (1) at line 1");
        bad("over the size limit", Head + std::string(NativeFormat::MaxFileBytes, 'x'),
            ReadError::TooLarge, 0, "too long: more than 16777216 bytes");
        bad("upper-case key", "QUENTARO-ANIMATION 1\nName x\n", ReadError::BadHeaderLine, 2);
        bad("blank header line", "QUENTARO-ANIMATION 1\n\nframes 1\n", ReadError::BadHeaderLine, 2);
        bad("key twice", Head + "speed-ms 40\n" + one, ReadError::DuplicateKey, 6,
            "a second \"speed-ms\" line at line 6");
        bad("play mode", "QUENTARO-ANIMATION 1\nplay-mode bounce\n", ReadError::BadPlayMode, 2);
        bad("speed 39", "QUENTARO-ANIMATION 1\nspeed-ms 39\n", ReadError::BadSpeed, 2,
            "a speed of 39 ms outside 40..2672 at line 2");
        bad("speed 2673", "QUENTARO-ANIMATION 1\nspeed-ms 2673\n", ReadError::BadSpeed, 2);
        bad("speed beyond 64 bits", "QUENTARO-ANIMATION 1\nspeed-ms 99999999999999999999999\n",
            ReadError::BadSpeed, 2);
        bad("speed negative", "QUENTARO-ANIMATION 1\nspeed-ms -40\n", ReadError::BadSpeed, 2);
        bad("8 levels", "QUENTARO-ANIMATION 1\nlevels 8\n", ReadError::BadLevelCount, 2);
        bad("no frames line", Head + frame(), ReadError::NoFrameCount, 6);
        bad("header only", Head, ReadError::NoFrameCount, 0);
        bad("0 frames", Head + "frames 0\n", ReadError::BadFrameCount, 6);
        bad("32768 frames", Head + "frames 32768\n" + frame(), ReadError::BadFrameCount, 6,
            "a frame count of 32768 outside 1..32767 at line 6");
        bad("32767 frames named, one there", Head + "frames 32767\n" + frame(),
            ReadError::MissingFrames, 0, "the file is too short for its 32767 frames");
        std::string twenty;
        for (int i = 0; i < 20; ++i)
            twenty += frame("65535", Zeros + "\r");
        bad("20 of 21 frames", Head + "frames 21\n" + twenty, ReadError::MissingFrames, 0,
            "the file ends after 20 of its 21 frames");
        bad("frame without hold", Head + "frames 1\nframe\r\n" + frame().substr(8),
            ReadError::BadFrameLine, 7);
        bad("hold 39", Head + "frames 1\n" + frame("39"), ReadError::BadHoldTime, 7,
            "a hold time of 39 ms other than 0 or 40..65535 at line 7");
        bad("hold 65536", Head + "frames 1\n" + frame("65536"), ReadError::BadHoldTime, 7);
        bad("hold after two blanks", Head + "frames 1\n" + frame(" 40"), ReadError::BadHoldTime, 7);
        bad("row of 15", Head + "frames 1\n" + firstRow(std::string(15, '0')),
            ReadError::BadRowLength, 8, "a row of 15 levels, not 16, at line 8");
        bad("lone CR in a row", Head + "frames 1\n" + firstRow("00000000\r0000000"),
            ReadError::BadLevel, 8);
        bad("level g", Head + "frames 1\n" + firstRow("000000000000000g"), ReadError::BadLevel, 8);
        bad("15 rows then a frame", Head + "frames 2\n" + frame("0", Zeros, 15) + frame() + frame(),
            ReadError::MissingRows, 23, "frame 1 has 15 rows, not 16, at line 23");
        bad("15 rows then the end", Head + "frames 1\n" + frame("65535\r", Zeros + "\r", 15),
            ReadError::MissingRows, 0, "the file ends after 15 of the 16 rows of frame 1");
        bad("17 rows", Head + "frames 2\n" + frame("0", Zeros, 17) + frame(), ReadError::ExtraRows,
            24);
        bad("17 rows at the end", Head + one + std::string(16, '0'), ReadError::ExtraRows, 24);
        bad("a line after the frames", Head + one + "\n", ReadError::ExtraLines, 24);
        bad("second frame over the count", Head + one + frame(), ReadError::ExtraLines, 24);
        bad("name over 255 bytes", "QUENTARO-ANIMATION 1\nname x" + euros + "\n",
            ReadError::BadName, 2, "a name over 255 bytes at line 2");
        bad("name not UTF-8", "QUENTARO-ANIMATION 1\nname \xff\n", ReadError::BadName, 2);
        bad("name overlong UTF-8", "QUENTARO-ANIMATION 1\nname \xc0\xaf\n", ReadError::BadName, 2);
        bad("name with a tab", "QUENTARO-ANIMATION 1\nname a\tb\n", ReadError::BadName, 2);
        for (const char* escape : {"\\q", "\\u{d800}", "\\u{110000}", "\\u{}", "\\u{41", "\\"})
            bad(escape, "QUENTARO-ANIMATION 1\nname " + std::string(escape) + "\n",
                ReadError::BadName, 2, "a bad escape in the name at line 2");
    }
    void read() {
        QFETCH(std::string, bytes);
        QFETCH(ReadError, error);
        QFETCH(int, line);
        QFETCH(QString, message);
        QFETCH(NativeAnimation, expected);
        const NativeFormat::ReadResult r = NativeFormat::read(bytes);
        QVERIFY2(r.error == error, r.message.c_str());
        QCOMPARE(r.error, error);
        QCOMPARE(int(r.line), line);
        if (!message.isEmpty())
            QCOMPARE(QString::fromStdString(r.message), message);
        QVERIFY(r.animation == expected); // all or nothing: a failure leaves it empty
    }

    void roundTrip_data() {
        QTest::addColumn<NativeAnimation>("given");
        QTest::addColumn<NativeAnimation>("expected");
        QTest::addColumn<std::string>("nameLine"); // as written, checked when given

        const auto same = [](const char* row, const NativeAnimation& a, std::string nameLine = {}) {
            QTest::newRow(row) << a << a << nameLine;
        };
        NativeAnimation graded = animation(1, 0, "Straße ✓ 日本");
        for (std::size_t i = 0; i < 256; ++i)
            graded.levels[i] = std::uint8_t(i % 16);
        same("every level, non-ASCII name", graded, "name Straße ✓ 日本");
        NativeAnimation held = randomAnimation(3, 1);
        held.playMode = Mode::PingPong;
        held.speedMs = 40;
        held.holdMs = {40, 0, 65535};
        same("hold times, ping-pong, fastest", held);
        NativeAnimation once = animation(2, 15, " lead");
        once.playMode = Mode::Once;
        once.speedMs = 2672;
        same("once, slowest, leading blank", once, "name  lead");
        same("characters to escape", animation(1, 7, "a\nb\rc\td\\e\x7f f\u0085g\u2028h\x01 "),
             "name a\\u{a}b\\u{d}c\\u{9}d\\\\e\\u{7f} f\\u{85}g\\u{2028}h\\u{1}\\u{20}");
        same("32767 frames", randomAnimation(NativeFormat::MaxFrames, 2));

        NativeAnimation odd = animation(2, 16, std::string(300, 'x') + "\xff");
        odd.speedMs = 10;
        odd.holdMs = {10};
        NativeAnimation kept = animation(2, 15, std::string(255, 'x'));
        kept.speedMs = 40;
        kept.holdMs = {40, 0};
        QTest::newRow("what the file cannot hold") << odd << kept << std::string();
        NativeAnimation badByte = animation(1, 0, "a\xff");
        QTest::newRow("not UTF-8") << badByte << animation(1, 0, "a\uFFFD") << std::string();
        QTest::newRow("no frames") << NativeAnimation() << animation(1) << std::string();
    }
    void roundTrip() {
        QFETCH(NativeAnimation, given);
        QFETCH(NativeAnimation, expected);
        QFETCH(std::string, nameLine);
        const std::string text = NativeFormat::write(given);
        QCOMPARE(std::count(text.begin(), text.end(), '\n'), 6 + 17 * expected.frameCount());
        if (!nameLine.empty())
            QCOMPARE(text.substr(text.find('\n') + 1, nameLine.size() + 1), nameLine + "\n");
        const NativeFormat::ReadResult r = NativeFormat::read(text);
        QVERIFY2(r.ok(), r.message.c_str());
        QVERIFY(r.animation == expected);
        QCOMPARE(NativeFormat::write(r.animation), text);
    }

    void led_data() {
        QTest::addColumn<NativeAnimation>("animation");
        QTest::addColumn<Bytes>("ledBytes");
        QTest::addColumn<std::string>("lost");

        Bytes editor(50 * 256);
        std::mt19937 rng(3);
        for (auto& b : editor)
            b = std::uint8_t(rng() & 1);
        QTest::newRow("an editor's file")
            << NativeFormat::fromLedStore(editor) << editor << std::string();
        NativeAnimation ramp = animation(1);
        Bytes half(256, 0);
        for (std::size_t i = 0; i < 256; ++i) {
            ramp.levels[i] = std::uint8_t(i % 16);
            half[i] = std::uint8_t(i % 16 >= 8 ? 1 : 0);
        }
        QTest::newRow("half level") << ramp << half << std::string("the grey levels");
        NativeAnimation all = ramp;
        all.name = "x";
        all.speedMs = 40;
        all.holdMs = {100};
        all.playMode = Mode::Once;
        QTest::newRow("everything lost")
            << all << half
            << std::string(
                   "the name, the speed, the hold times, the play mode and the grey levels");
        NativeAnimation pingPong = animation(1, 15);
        pingPong.playMode = Mode::PingPong;
        pingPong.holdMs = {40};
        QTest::newRow("hold times and play mode")
            << pingPong << Bytes(256, 1) << std::string("the hold times and the play mode");
    }
    void led() {
        QFETCH(NativeAnimation, animation);
        QFETCH(Bytes, ledBytes);
        QFETCH(std::string, lost);
        const NativeFormat::ReadResult r = NativeFormat::read(NativeFormat::write(animation));
        QVERIFY2(r.ok(), r.message.c_str());
        const NativeFormat::LedStore store = NativeFormat::toLedStore(r.animation);
        QCOMPARE(store.lost, lost);
        QCOMPARE(LedFormat::write(store.frames), LedFormat::write(ledBytes));
    }

    // Either kind loads whatever its name; the native one saves and loads back.
    void files_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<AnimationFile::Kind>("kind");
        QTest::addColumn<QString>("error");
        const QByteArray native = QByteArray::fromStdString(Head + "frames 1\n" + frame("500"));
        QTest::newRow("native named .led") << native << AnimationFile::Kind::Native << "";
        QTest::newRow(".led named .qanim")
            << QByteArray(" 1 \r\n") << AnimationFile::Kind::Led << "";
        QTest::newRow("bad native") << native.left(native.size() - 2) << AnimationFile::Kind::Native
                                    << "a row of 15 levels, not 16, at line 23";
        QTest::newRow("bad .led") << QByteArray(" 256 \r\n") << AnimationFile::Kind::Led
                                  << "a value out of range at line 1";
        const QByteArray mark("\xEF\xBB\xBF");
        QTest::newRow("native after a byte order mark")
            << mark + native << AnimationFile::Kind::Native << "";
        QTest::newRow(".led after a byte order mark") << mark + " 1 \r\n"
                                                      << AnimationFile::Kind::Led << "";
        QTest::newRow("a byte order mark alone")
            << mark << AnimationFile::Kind::Led << "the file is empty";
    }
    void files() {
        QFETCH(QByteArray, bytes);
        QFETCH(AnimationFile::Kind, kind);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString path = dir.filePath(kind == AnimationFile::Kind::Led ? "a.qanim" : "a.led");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        const AnimationFile::AnimationAttempt attempt = AnimationFile::tryLoadAnimation(path);
        QCOMPARE(attempt.error, error);
        if (!error.isEmpty())
            return;
        QCOMPARE(attempt.loaded->kind, kind);
        const NativeAnimation& a = attempt.loaded->animation;
        QCOMPARE(a.frameCount(), 1);
        QCOMPARE(a.levels[0], std::uint8_t(kind == AnimationFile::Kind::Led ? 15 : 0));
        QCOMPARE(a.holdMs[0], std::uint16_t(kind == AnimationFile::Kind::Led ? 0 : 500));
        QVERIFY(AnimationFile::saveNative(path, a));
        const AnimationFile::AnimationAttempt again = AnimationFile::tryLoadAnimation(path);
        QVERIFY(again.loaded && again.loaded->kind == AnimationFile::Kind::Native);
        QVERIFY(again.loaded->animation == a);
    }
};

QTEST_GUILESS_MAIN(TestNativeFormat)
#include "test_native_format.moc"
