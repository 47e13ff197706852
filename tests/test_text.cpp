#include "files/LedFormat.h"
#include "support/FakeServices.h"
#include "text/BitmapFont.h"
#include "text/FixedFonts.h"
#include "text/TextFrames.h"
#include "ui/TextDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <optional>

using TextFrames::Direction;

Q_DECLARE_METATYPE(TextFrames::Direction)

namespace {

const QString FontDir = QString::fromLatin1(FixedFonts::DefaultDirectory);
const QString DejaVu = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
// Exactly 60 characters, starting with the A whose shape the end-to-end check reads.
const QString Sixty =
    QStringLiteral("A quick brown fox jumps over the lazy dog, then naps at noon");

// The reference glyphs are the BITMAP lines of the fonts' BDF sources, Markus
// Kuhn's ucs-fonts 5x7.bdf (1.38) and 6x10.bdf (1.35), from which xfonts-base
// builds 5x7.pcf.gz and 6x10.pcf.gz: one hex byte a row, the leftmost pixel in
// the top bit.
const QString BdfA5x7 = QStringLiteral("60 90 90 F0 90 90 00");

QString fromBdf(const QString& hexRows, int width) {
    QStringList rows;
    for (const QString& hex : hexRows.split(QLatin1Char(' '))) {
        QString row;
        for (int x = 0; x < width; ++x)
            row += (hex.toInt(nullptr, 16) >> (7 - x)) & 1 ? QLatin1Char('#') : QLatin1Char('.');
        rows << row;
    }
    return rows.join(QLatin1Char('|'));
}

template <typename Lit> QString drawn(int width, int height, Lit lit) {
    QStringList rows;
    for (int y = 0; y < height; ++y) {
        QString row;
        for (int x = 0; x < width; ++x)
            row += lit(x, y) ? QLatin1Char('#') : QLatin1Char('.');
        rows << row;
    }
    return rows.join(QLatin1Char('|'));
}

// The 5 x 7 cells of a frame whose top-left is (left, top).
QString boardCells(const std::vector<std::uint8_t>& frame, int left, int top) {
    return drawn(5, 7, [&](int x, int y) { return frame[std::size_t((top + y) * 16 + left + x)]; });
}

bool installed(const QString& path) {
    return QFile::exists(path);
}

TextDialog::Choices choices(const QString& text, Direction direction, bool oneFrame = false) {
    TextDialog::Choices c;
    c.text = text;
    c.font = QStringLiteral("5\u00d77");
    c.direction = direction;
    c.oneFrame = oneFrame;
    return c;
}

// A BDF font `ascent` + `descent` pixels high of the glyphs given.
QByteArray bdf(int ascent, int descent, const QByteArrayList& glyphs) {
    return QByteArray(
               "STARTFONT 2.1\nFONT -test-hostile-medium-r-normal--8-80-75-75-c-50-iso10646-1\n"
               "SIZE 8 75 75\nFONTBOUNDINGBOX 8 8 0 -1\nSTARTPROPERTIES 4\n") +
           "FONT_ASCENT " + QByteArray::number(ascent) + "\nFONT_DESCENT " +
           QByteArray::number(descent) +
           "\nCHARSET_REGISTRY \"ISO10646\"\nCHARSET_ENCODING \"1\"\nENDPROPERTIES\nCHARS " +
           QByteArray::number(glyphs.size()) + '\n' + glyphs.join() + "ENDFONT\n";
}

// A glyph of a BDF font: `rows` in hex, or no BITMAP section at all when null.
QByteArray bdfGlyph(char character, int advance, const char* box, const char* rows) {
    QByteArray glyph = QByteArray("STARTCHAR ") + character + "\nENCODING " +
                       QByteArray::number(int(character)) + "\nSWIDTH 500 0\nDWIDTH " +
                       QByteArray::number(advance) + " 0\nBBX " + box + '\n';
    if (rows)
        glyph += "BITMAP\n" + QByteArray(rows).replace(' ', '\n') + '\n';
    return glyph + "ENDCHAR\n";
}

// '#' for each column of the strip with a lit cell, '.' for the others.
QString litColumns(const TextStrip& strip) {
    QString columns;
    for (int x = 0; x < strip.width; ++x) {
        bool lit = false;
        for (int y = 0; y < strip.height; ++y)
            lit = lit || strip.lit(x, y);
        columns += lit ? QLatin1Char('#') : QLatin1Char('.');
    }
    return columns;
}

// Closes the message box a refusal opens once it is up.
void closeMessageBoxSoon() {
    QTimer::singleShot(0, [] {
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
}

// Image k of the animation the placement tests start from lights its own LED,
// 128 + k % 128; text frame i lights LED i % 128 at level 9.
const std::uint8_t TextLevel = FrameStore::cellForLevel(9);

FrameStore::Frame lighting(int cell, std::uint8_t value = FrameStore::Lit) {
    FrameStore::Frame frame{};
    frame[std::size_t(cell)] = value;
    return frame;
}

} // namespace

class TextTest : public QObject {
    Q_OBJECT

private slots:
    void glyphsMatchTheFontSource_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("character");
        QTest::addColumn<QString>("bdfRows");
        QTest::newRow("5x7 A") << "5x7.pcf.gz" << 5 << "A" << BdfA5x7;
        QTest::newRow("5x7 g, below the baseline") << "5x7.pcf.gz" << 5 << "g"
                                                   << "00 00 70 90 60 80 70";
        QTest::newRow("5x7 Q") << "5x7.pcf.gz" << 5 << "Q"
                               << "60 90 90 90 D0 60 10";
        QTest::newRow("5x7 lacks U+4E00: its default glyph") << "5x7.pcf.gz" << 5 << "\u4e00"
                                                             << "00 A8 00 88 00 A8 00";
        QTest::newRow("6x10 A") << "6x10.pcf.gz" << 6 << "A"
                                << "00 20 50 88 88 F8 88 88 00 00";
        QTest::newRow("6x10 g") << "6x10.pcf.gz" << 6 << "g"
                                << "00 00 00 78 88 88 78 08 88 70";
        QTest::newRow("6x10 lacks U+4E00") << "6x10.pcf.gz" << 6 << "\u4e00"
                                           << "00 A8 00 88 00 88 00 A8 00 00";
    }
    void glyphsMatchTheFontSource() {
        QFETCH(QString, file);
        QFETCH(int, width);
        QFETCH(QString, character);
        QFETCH(QString, bdfRows);
        const QString path = FontDir + QLatin1Char('/') + file;
        if (!installed(path))
            QSKIP(qPrintable(QStringLiteral("skipped: %1 is not installed").arg(path)));
        BitmapFont font;
        QCOMPARE(font.open(path), QString());
        const TextStrip strip = font.render(character);
        QCOMPARE(strip.width, width);
        QCOMPARE(strip.height, int(bdfRows.split(QLatin1Char(' ')).size()));
        QCOMPARE(drawn(strip.width, strip.height, [&](int x, int y) { return strip.lit(x, y); }),
                 fromBdf(bdfRows, width));
    }

    // With levels an outline font's edges keep their cover: what is lit at half
    // cover stays as the threshold draws it, the rest of the edge is in between,
    // and the frames carry the levels. A fixed font has no edges to keep.
    void edgesAsLevels_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("inLines");
        QTest::addColumn<bool>("levels");
        QTest::newRow("DejaVu Sans, one line") << DejaVu << false << true;
        QTest::newRow("DejaVu Sans, in lines") << DejaVu << true << true;
        QTest::newRow("5x7, fixed") << FontDir + QStringLiteral("/5x7.pcf.gz") << false << false;
    }
    void edgesAsLevels() {
        QFETCH(QString, path);
        QFETCH(bool, inLines);
        QFETCH(bool, levels);
        if (!installed(path))
            QSKIP(qPrintable(QStringLiteral("skipped: %1 is not installed").arg(path)));
        BitmapFont font;
        QCOMPARE(font.open(path, 12), QString());
        const auto draw = [&](Coverage coverage) {
            return inLines ? font.renderLines(QStringLiteral("Wo ah"), 16, {}, coverage)
                           : font.render(QStringLiteral("Wo"), {}, coverage);
        };
        const TextStrip thresholded = draw(Coverage::Threshold);
        const TextStrip shaded = draw(Coverage::Levels);
        QCOMPARE(shaded.hasLevels, levels);
        QCOMPARE(shaded.width, thresholded.width);
        QCOMPARE(shaded.height, thresholded.height);
        int between = 0;
        for (int y = 0; y < shaded.height; ++y)
            for (int x = 0; x < shaded.width; ++x) {
                QCOMPARE(shaded.lit(x, y), thresholded.lit(x, y));
                between += shaded.level(x, y) % FrameStore::MaxLevel != 0;
            }
        QCOMPARE(between > 0, levels);
        const TextFrames::Frame frame = TextFrames::stamp(shaded, 0, 0);
        const auto marked = std::count_if(frame.begin(), frame.end(), [](std::uint8_t cell) {
            return cell != FrameStore::Lit && cell != FrameStore::Dark;
        });
        QCOMPARE(marked > 0, levels);
    }

    // Left and right: width + 15; up and down: the wrapped lines' height + 15.
    void scrollFrameCounts_data() {
        QTest::addColumn<QString>("font"); // a fixed font's name or a font file
        QTest::addColumn<QString>("text");
        QTest::addColumn<Direction>("direction");
        QTest::addColumn<int>("frames");
        const QString f5x7 = QStringLiteral("5\u00d77");
        QTest::newRow("5x7, 60 characters, left") << f5x7 << Sixty << Direction::Left << 315;
        QTest::newRow("5x7, 60 characters, right") << f5x7 << Sixty << Direction::Right << 315;
        QTest::newRow("5x7, three lines, up") << f5x7 << "ABC DEF GHI" << Direction::Up << 36;
        QTest::newRow("5x7, three lines, down") << f5x7 << "ABC DEF GHI" << Direction::Down << 36;
        QTest::newRow("5x7, word wider than the board, up")
            << f5x7 << "ABCDEFGH" << Direction::Up << 7 * 3 + 15;
        QTest::newRow("6x10, left") << QStringLiteral("6\u00d710") << "Hi" << Direction::Left << 27;
        QTest::newRow("DejaVu Sans 16 px, one line, up") << DejaVu << "Hi" << Direction::Up << 31;
    }
    void scrollFrameCounts() {
        QFETCH(QString, font);
        QFETCH(QString, text);
        QFETCH(Direction, direction);
        QFETCH(int, frames);
        if (!installed(font.startsWith(QLatin1Char('/')) ? font : FontDir))
            QSKIP("skipped: the font is not installed");
        TextDialog dialog({}, {});
        TextDialog::Choices c = choices(text, direction);
        c.font = font.startsWith(QLatin1Char('/')) ? QString() : font;
        c.fontFile = font.startsWith(QLatin1Char('/')) ? font : QString();
        dialog.setChoices(c);
        QTRY_VERIFY(dialog.drawn());
        QCOMPARE(dialog.problem(), QString());
        QCOMPARE(dialog.frameCount(), frames);
        QCOMPARE(int(dialog.textResult().frames.size()), frames);
    }

    // The dialog's result applied to an editor with one frame whose bottom-right
    // LED is lit; the A of the text is read back where it must be.
    void appliedToTheEditor_data() {
        QTest::addColumn<bool>("oneFrame");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<bool>("onTop");
        QTest::addColumn<int>("images");
        QTest::addColumn<int>("image"); // where the A stands whole at (left, top)
        QTest::addColumn<int>("left");
        QTest::addColumn<bool>("cornerLit");
        // A scroll's frame 16 has the text's first column on the board's first.
        QTest::newRow("scroll after the current image")
            << false << false << false << 316 << 17 << 0 << false;
        QTest::newRow("scroll replacing the animation")
            << false << true << false << 315 << 16 << 0 << false;
        QTest::newRow("scroll on top of the frames")
            << false << false << true << 315 << 16 << 0 << false;
        QTest::newRow("one frame over the current image")
            << true << false << false << 1 << 1 << 2 << true;
        QTest::newRow("one frame replacing it") << true << true << false << 1 << 1 << 2 << false;
    }
    void appliedToTheEditor() {
        QFETCH(bool, oneFrame);
        QFETCH(bool, replace);
        QFETCH(bool, onTop);
        QFETCH(int, images);
        QFETCH(int, image);
        QFETCH(int, left);
        QFETCH(bool, cornerLit);
        if (!installed(FontDir))
            QSKIP("skipped: the fixed fonts are not installed");
        EditorFixture editor;
        editor->animation().bytes()[255] = FrameStore::Lit;
        TextDialog dialog(editor->animation().currentFrame(),
                          [&](const TextResult& r) { return applyText(*editor, r); });
        TextDialog::Choices c = choices(Sixty, Direction::Left, oneFrame);
        c.x = left;
        c.replace = replace;
        c.onTop = onTop;
        dialog.setChoices(c);
        QCOMPARE(dialog.choices().onTop, onTop);
        dialog.accept(); // before the text is drawn: it waits for the drawing
        QTRY_COMPARE(dialog.QDialog::result(), int(QDialog::Accepted));
        QCOMPARE(editor->animation().imageCount(), images);
        QCOMPARE(boardCells(editor.frame(image), left, 4), fromBdf(BdfA5x7, 5));
        QCOMPARE(editor.frame(image)[255] == FrameStore::Lit, cornerLit);
        editor->undo(); // one step takes it all back
        QCOMPARE(editor->animation().imageCount(), 1);
        std::vector<std::uint8_t> before(256, FrameStore::Dark);
        before[255] = FrameStore::Lit;
        QCOMPARE(editor.frame(1), before);
    }

    // Text put onto several frames of a levelled animation of `images` frames
    // showing image `current`: one frame onto the images chosen, or a scroll of
    // `length` frames on top of the frames from the current one. -1 frames
    // after: refused, and nothing changed.
    void placedOnSeveralFrames_data() {
        QTest::addColumn<int>("images");
        QTest::addColumn<int>("current");
        QTest::addColumn<QList<int>>("targets"); // one frame onto these; none for a scroll
        QTest::addColumn<bool>("replace");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("after");
        const int max = LedFormat::MaxFrames;
        QTest::newRow("stamp over two of five") << 5 << 2 << QList<int>{1, 4} << false << 1 << 5;
        QTest::newRow("stamp replacing three") << 5 << 5 << QList<int>{2, 3, 5} << true << 1 << 5;
        QTest::newRow("scroll on top, shorter than the frames left")
            << 6 << 2 << QList<int>{} << false << 3 << 6;
        QTest::newRow("scroll on top, to the last frame")
            << 6 << 4 << QList<int>{} << false << 3 << 6;
        QTest::newRow("scroll on top, longer: frames added")
            << 5 << 4 << QList<int>{} << false << 6 << 9;
        QTest::newRow("scroll on top of the last frame only")
            << 1 << 1 << QList<int>{} << false << 4 << 4;
        QTest::newRow("scroll on top, filling the animation to its limit")
            << max - 1 << max - 2 << QList<int>{} << false << 3 << max;
        QTest::newRow("scroll on top, one frame beyond the limit: refused")
            << max - 1 << max - 2 << QList<int>{} << false << 4 << -1;
    }
    void placedOnSeveralFrames() {
        QFETCH(int, images);
        QFETCH(int, current);
        QFETCH(QList<int>, targets);
        QFETCH(bool, replace);
        QFETCH(int, length);
        QFETCH(int, after);
        EditorFixture editor;
        std::vector<FrameStore::Frame> frames;
        for (int image = 2; image <= images; ++image)
            frames.push_back(lighting(128 + image % 128));
        QCOMPARE(editor->drawFrame(lighting(129), true), QString());
        QCOMPARE(images == 1 || editor->insertFrames(2, frames).isEmpty(), true);
        editor->goToImage(current);
        const Animation::Store before = editor->animation().frames();
        TextResult result{.replace = replace,
                          .onTop = targets.isEmpty(),
                          .oneFrame = !targets.isEmpty(),
                          .levels = true,
                          .frames = {}};
        for (int i = 0; i < length; ++i)
            result.frames.push_back(lighting(i % 128, TextLevel));
        const QString why =
            applyText(*editor, result, std::vector<int>(targets.begin(), targets.end()));
        QCOMPARE(why.contains(QString::number(LedFormat::MaxFrames)), after < 0);
        QCOMPARE(editor->animation().imageCount(), after < 0 ? images : after);
        for (int image = 1; image <= after; ++image) {
            FrameStore::Frame expected{};
            if (image <= images && !(replace && targets.contains(image)))
                expected[std::size_t(128 + image % 128)] = FrameStore::Lit;
            const int i = targets.isEmpty() ? image - current : 0;
            if (targets.contains(image) || (targets.isEmpty() && i >= 0 && i < length))
                expected[std::size_t(i % 128)] = TextLevel;
            if (editor->animation().frame(image) != expected)
                QFAIL(qPrintable(QStringLiteral("image %1 is not as it should be").arg(image)));
        }
        if (after > 0)
            editor->undo(); // one step takes it all back
        QCOMPARE(editor->animation().imageCount(), images);
        QVERIFY(editor->animation().frames() == before);
    }

    // Each is refused with a reason, and the dialog keeps what it had.
    void refusals_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("fontFileContents"); // empty: no file is tried
        QTest::addColumn<QString>("reason");
        QTest::newRow("no text") << "" << QByteArray() << "Type the text to show.";
        QTest::newRow("too many frames") << QString(6600, QLatin1Char('A')) << QByteArray()
                                         << "The scroll takes 33015 frames; an animation "
                                            "holds at most 32767.";
        QTest::newRow("not a font file")
            << "Hi" << QByteArray("hello\n") << "\u201cpicked\u201d is not a font file.";
        QTest::newRow("a gzip file that is not a font")
            << "Hi" << QByteArray::fromHex("1f8b08000000000002ffcb48cdc9c9e7020020303a3606000000")
            << "\u201cpicked\u201d is not a font file.";
    }
    void refusals() {
        QFETCH(QString, text);
        QFETCH(QByteArray, fontFileContents);
        QFETCH(QString, reason);
        const bool fileTried = !fontFileContents.isEmpty();
        if (!fileTried && !installed(FontDir))
            QSKIP("skipped: the fixed fonts are not installed");
        TextDialog dialog({}, {});
        dialog.setChoices(choices(text, Direction::Left));
        QTRY_VERIFY(dialog.drawn());
        const TextDialog::Choices before = dialog.choices();
        const int frames = dialog.frameCount();
        QString why = dialog.problem();
        if (fileTried) {
            QTemporaryDir dir;
            QFile file(dir.filePath(QStringLiteral("picked")));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(fontFileContents) > 0);
            file.close();
            why = dialog.useFontFile(file.fileName());
        }
        QCOMPARE(why, reason);
        QCOMPARE(dialog.choices().text, before.text);
        QCOMPARE(dialog.choices().font, before.font);
        QCOMPARE(dialog.frameCount(), frames);
    }

    // The editor's refusal is shown, and the dialog stays open with the text.
    void aRefusedResultKeepsTheDialogOpen() {
        if (!installed(FontDir))
            QSKIP("skipped: the fixed fonts are not installed");
        TextDialog dialog({}, [](const TextResult&) { return QStringLiteral("not now"); });
        dialog.setChoices(choices(QStringLiteral("Hello"), Direction::Left));
        QTRY_VERIFY(dialog.drawn());
        closeMessageBoxSoon();
        dialog.accept();
        QCOMPARE(dialog.QDialog::result(), int(QDialog::Rejected));
        QCOMPARE(dialog.choices().text, QStringLiteral("Hello"));
    }

    // Damaged and oversized fonts are refused with a reason or drawn within
    // bounds; none may crash or allocate without limit.
    void hostileFonts_data() {
        QTest::addColumn<QByteArray>("font");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("inLines");    // broken into lines 16 wide, as for Up and Down
        QTest::addColumn<QString>("reason");  // why the font or the text is refused
        QTest::addColumn<QString>("columns"); // else the lit columns drawn
        const QByteArray a = bdfGlyph('A', 5, "4 6 0 0", "60 90 90 F0 90 90");
        const QByteArray noBitmap = bdfGlyph('B', 5, "4 6 0 0", nullptr);
        const QByteArray wideW = bdfGlyph('W', 65535, "8 8 0 -1", "FF FF FF FF FF FF FF FF");
        const QString tooLarge = QStringLiteral(
            "The text would be %1 pixels; at most 4194304 pixels, 65536 along a side, can be "
            "drawn.");
        QTest::newRow("a glyph without a bitmap draws nothing and keeps its advance")
            << bdf(7, 1, {a, noBitmap}) << "BAB" << false << ""
            << ".....####......";
        QTest::newRow("the same, in lines") << bdf(7, 1, {a, noBitmap}) << "BAB" << true << ""
                                            << ".....####.......";
        QTest::newRow("a font 4004 pixels high")
            << bdf(4000, 4, {bdfGlyph('W', 65535, "8 4000 0 0", nullptr)}) << "WWWWWWWWW" << false
            << "\u201chostile.bdf\u201d is 4004 pixels high; fonts up to 64 pixels high can be "
               "drawn."
            << "";
        QTest::newRow("nine glyphs 65535 pixels wide")
            << bdf(7, 1, {wideW}) << "WWWWWWWWW" << false << tooLarge.arg("589815 \u00d7 8") << "";
        QTest::newRow("twelve lines of a glyph 65535 pixels wide")
            << bdf(7, 1, {wideW}) << "WWWWWWWWWWWW" << true << tooLarge.arg("65535 \u00d7 96")
            << "";
        QTest::newRow("one glyph 65535 pixels wide")
            << bdf(7, 1, {wideW}) << "W" << false << ""
            << "########" + QString(65535 - 8, QLatin1Char('.'));
        const QByteArray tall = QByteArray("80 ").repeated(4000).trimmed();
        QTest::newRow("a glyph 4000 pixels high, cut to the line")
            << bdf(7, 1, {bdfGlyph('A', 2, "1 4000 0 -3993", tall.constData())}) << "AA" << false
            << ""
            << "#.#.";
    }
    void hostileFonts() {
        QFETCH(QByteArray, font);
        QFETCH(QString, text);
        QFETCH(bool, inLines);
        QFETCH(QString, reason);
        QFETCH(QString, columns);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("hostile.bdf")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(font) == font.size());
        file.close();
        BitmapFont bitmapFont;
        QString why = bitmapFont.open(file.fileName());
        TextStrip strip;
        if (why.isEmpty()) {
            strip = inLines ? bitmapFont.renderLines(text, 16) : bitmapFont.render(text);
            why = strip.refusal;
        }
        QCOMPARE(why, reason);
        QCOMPARE(strip.cells.size(), std::size_t(strip.width) * std::size_t(strip.height));
        QCOMPARE(litColumns(strip), columns);
    }

    // Every glyph is drawn from the copy of the file read when the font was
    // opened, unpacked once: the file is not read again for later glyphs.
    void theFontFileIsReadOnce_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("PCF, gzip-compressed") << FontDir + QStringLiteral("/5x7.pcf.gz");
        QTest::newRow("TrueType") << DejaVu;
    }
    void theFontFileIsReadOnce() {
        QFETCH(QString, path);
        if (!installed(path))
            QSKIP(qPrintable(QStringLiteral("skipped: %1 is not installed").arg(path)));
        QTemporaryDir dir;
        const QString copy = dir.filePath(QFileInfo(path).fileName());
        QVERIFY(QFile::copy(path, copy));
        BitmapFont font;
        QCOMPARE(font.open(copy), QString());
        QFile file(copy);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QCOMPARE(file.write(QByteArray(int(file.size()), '\0')), file.size());
        file.close();
        BitmapFont original;
        QCOMPARE(original.open(path), QString());
        const QString text = QStringLiteral("Hello, world");
        QCOMPARE(font.render(text).cells, original.render(text).cells);
    }

    // Keys are handled without drawing; the text is drawn once they pause.
    void typingDoesNotDraw() {
        if (!installed(FontDir))
            QSKIP("skipped: the fixed fonts are not installed");
        TextDialog dialog({}, {});
        dialog.setChoices(choices(QString(), Direction::Left));
        auto* status = dialog.findChild<QLabel*>(QStringLiteral("status"));
        QTRY_COMPARE(status->text(), QStringLiteral("Type the text to show."));
        QTest::keyClicks(dialog.findChild<QLineEdit*>(QStringLiteral("text")), "Hello");
        QCOMPARE(status->text(), QStringLiteral("Type the text to show."));
        QTRY_COMPARE(status->text(), QStringLiteral("40 frames"));
        QCOMPARE(dialog.frameCount(), 5 * 5 + 15);
    }

    // Enter straight after the last key is not lost: the text goes in once drawn.
    void enterRightAfterTypingApplies() {
        if (!installed(FontDir))
            QSKIP("skipped: the fixed fonts are not installed");
        std::optional<TextResult> applied;
        TextDialog dialog({}, [&](const TextResult& result) {
            applied = result;
            return QString();
        });
        dialog.setChoices(choices(QString(), Direction::Left));
        dialog.show();
        auto* text = dialog.findChild<QLineEdit*>(QStringLiteral("text"));
        QTest::keyClicks(text, "Hi");
        QTest::keyClick(text, Qt::Key_Return);
        QTRY_VERIFY(applied.has_value());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(int(applied->frames.size()), dialog.frameCount());
    }

    // A font file's name is shown as it is, markup and all.
    void fontFileNamesAreShownAsTheyAre() {
        if (!installed(DejaVu))
            QSKIP("skipped: DejaVu Sans is not installed");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("<b>bold.ttf"));
        QVERIFY(QFile::copy(DejaVu, path));
        TextDialog dialog({}, {});
        QCOMPARE(dialog.useFontFile(path), QString());
        auto* fonts = dialog.findChild<QComboBox*>(QStringLiteral("font"));
        QTextDocument toolTip;
        toolTip.setHtml(fonts->itemData(fonts->currentIndex(), Qt::ToolTipRole).toString());
        QCOMPARE(toolTip.toPlainText(), path);
    }

    // One Unicode file a size and its bold face; no copies in other encodings.
    void fixedFontList() {
        QTemporaryDir dir;
        for (const char* name :
             {"5x7.pcf.gz", "5x7-ISO8859-1.pcf.gz", "6x13B.pcf.gz", "6x13O.pcf.gz",
              "12x13ja.pcf.gz", "6x13.bdf", "6x13.pcf.gz", "10x20.pcf.gz", "fonts.dir"}) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QStringList names;
        for (const FixedFonts::Entry& entry : FixedFonts::find(dir.path()))
            names << entry.name;
        QCOMPARE(names, QStringList({"5\u00d77", "6\u00d713", "6\u00d713 bold", "10\u00d720"}));
    }
};

QTEST_MAIN(TextTest)
#include "test_text.moc"
