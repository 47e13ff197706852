#include "support/FakeServices.h"
#include "text/BitmapFont.h"
#include "text/FixedFonts.h"
#include "text/TextFrames.h"
#include "ui/TextDialog.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

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

// Closes the message box a refusal opens once it is up.
void closeMessageBoxSoon() {
    QTimer::singleShot(0, [] {
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
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
        QCOMPARE(dialog.problem(), QString());
        QCOMPARE(dialog.frameCount(), frames);
        QCOMPARE(int(dialog.textResult().frames.size()), frames);
    }

    // The dialog's result applied to an editor with one frame whose bottom-right
    // LED is lit; the A of the text is read back where it must be.
    void appliedToTheEditor_data() {
        QTest::addColumn<bool>("oneFrame");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<int>("images");
        QTest::addColumn<int>("image"); // where the A stands whole at (left, top)
        QTest::addColumn<int>("left");
        QTest::addColumn<bool>("cornerLit");
        // A scroll's frame 16 has the text's first column on the board's first.
        QTest::newRow("scroll after the current image")
            << false << false << 316 << 17 << 0 << false;
        QTest::newRow("scroll replacing the animation") << false << true << 315 << 16 << 0 << false;
        QTest::newRow("one frame over the current image") << true << false << 1 << 1 << 2 << true;
        QTest::newRow("one frame replacing it") << true << true << 1 << 1 << 2 << false;
    }
    void appliedToTheEditor() {
        QFETCH(bool, oneFrame);
        QFETCH(bool, replace);
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
        dialog.setChoices(c);
        dialog.accept();
        QCOMPARE(dialog.QDialog::result(), int(QDialog::Accepted));
        QCOMPARE(editor->animation().imageCount(), images);
        QCOMPARE(boardCells(editor.frame(image), left, 4), fromBdf(BdfA5x7, 5));
        QCOMPARE(editor.frame(image)[255] == FrameStore::Lit, cornerLit);
        editor->undo(); // one step takes it all back
        QCOMPARE(editor->animation().imageCount(), 1);
        std::vector<std::uint8_t> before(256, FrameStore::Dark);
        before[255] = FrameStore::Lit;
        QCOMPARE(editor.frame(1), before);
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
        closeMessageBoxSoon();
        dialog.accept();
        QCOMPARE(dialog.QDialog::result(), int(QDialog::Rejected));
        QCOMPARE(dialog.choices().text, QStringLiteral("Hello"));
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
