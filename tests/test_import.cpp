#include "frames/FrameStore.h"
#include "pictures/AnimationExport.h"
#include "pictures/BoardRendering.h"
#include "pictures/FileIntegrity.h"
#include "pictures/GifScan.h"
#include "pictures/PictureImport.h"
#include "support/ChildProcess.h"
#include "support/FakeServices.h"
#include "support/ModalAnswers.h"
#include "ui/ImportDialog.h"
#include "ui/Sharing.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDataStream>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QThreadPool>
#include <QtTest>

#include <gif_lib.h>

#include <sys/resource.h>

using PictureImport::Cells;
using PictureImport::Dither;

Q_DECLARE_METATYPE(PictureImport::Dither)

namespace {

// Squares of `square` pixels, white at the top-left.
QImage checkerboard(int side, int square) {
    QImage image(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixel(
                x, y, (x / square + y / square) % 2 == 0 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return image;
}

Cells checkerboardCells() {
    Cells cells{};
    for (int cell = 0; cell < 256; ++cell)
        cells[cell] = (cell / 16 + cell % 16) % 2 == 0 ? FrameStore::Lit : FrameStore::Dark;
    return cells;
}

QImage filled(QSize size, QRgb colour, QImage::Format format = QImage::Format_RGB32) {
    QImage image(size, format);
    image.fill(colour);
    return image;
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(95);
    return writer.write(image) ? bytes : QByteArray();
}

int appendToArray(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

// Qt reads GIF but does not write it: a black and white picture as a one-frame GIF.
QByteArray blackAndWhiteGif(const QImage& image) {
    QByteArray bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, appendToArray, &error);
    GifColorType colours[2] = {{0, 0, 0}, {255, 255, 255}};
    ColorMapObject* map = GifMakeMapObject(2, colours);
    bool ok = EGifPutScreenDesc(gif, image.width(), image.height(), 1, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, image.width(), image.height(), false, nullptr) == GIF_OK;
    std::vector<GifPixelType> line(static_cast<std::size_t>(image.width()));
    for (int y = 0; ok && y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            line[x] = qGray(image.pixel(x, y)) > 127 ? 1 : 0;
        ok = EGifPutLine(gif, line.data(), image.width()) == GIF_OK;
    }
    GifFreeMapObject(map);
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    return ok ? bytes : QByteArray();
}

// Frames of 3 x 2 pixels, each with its own 4-colour palette; with `comment` a
// GIF89a comment block goes before each.
QByteArray gifWithLocalPalettes(int frames, bool comment) {
    QByteArray bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, appendToArray, &error);
    EGifSetGifVersion(gif, comment);
    bool ok = EGifPutScreenDesc(gif, 3, 2, 2, 0, nullptr) == GIF_OK;
    for (int frame = 0; ok && frame < frames; ++frame) {
        const auto level = GifByteType(frame * 60);
        GifColorType colours[4] = {{0, 0, 0}, {level, level, level}, {255, 0, 0}, {0, 0, 255}};
        ColorMapObject* map = GifMakeMapObject(4, colours);
        GifPixelType line[3] = {0, 1, 2};
        ok = (!comment || EGifPutComment(gif, "frame") == GIF_OK) &&
             EGifPutImageDesc(gif, 0, 0, 3, 2, false, map) == GIF_OK &&
             EGifPutLine(gif, line, 3) == GIF_OK && EGifPutLine(gif, line, 3) == GIF_OK;
        GifFreeMapObject(map);
    }
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    return ok ? bytes : QByteArray();
}

QByteArray encoded(const QImage& image, const QByteArray& format) {
    if (format == "gif")
        return blackAndWhiteGif(image);
    return encoded(image, format.constData());
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::vector<std::uint8_t> movingBarAnimation(int frameCount) {
    std::vector<std::uint8_t> frames(FrameStore::sizeFor(frameCount), FrameStore::Dark);
    for (int frame = 1; frame <= frameCount; ++frame)
        for (int row = 0; row < 16; ++row) {
            frames[FrameStore::indexOf(frame, row * 16 + (row + 3 * frame) % 16)] = 1;
            frames[FrameStore::indexOf(frame, row * 16 + frame % 16)] = 1;
        }
    return frames;
}

Cells frameOf(const std::vector<std::uint8_t>& frames, int frame) {
    Cells cells{};
    std::copy_n(frames.begin() + FrameStore::indexOf(frame, 0), 256, cells.begin());
    return cells;
}

// Halfway between the grey levels of a dark and a lit LED as exported.
int ledThreshold(int scale) {
    const Cells dark{};
    Cells lit;
    lit.fill(FrameStore::Lit);
    const int darkLevel = PictureImport::greyLevels(BoardRendering::renderFrame(dark, scale))[0];
    const int litLevel = PictureImport::greyLevels(BoardRendering::renderFrame(lit, scale))[0];
    return (darkLevel + litLevel + 1) / 2;
}

// Frames of one pixel on a large logical screen, which a decoder makes each frame
// as large as.
QByteArray gifOfTinyFrames(QSize screen, int frames) {
    QByteArray bytes("GIF89a");
    QDataStream(&bytes, QIODevice::Append)
        << quint8(screen.width()) << quint8(screen.width() >> 8) << quint8(screen.height())
        << quint8(screen.height() >> 8);
    bytes += QByteArray::fromHex("800000 000000 ffffff");
    for (int frame = 0; frame < frames; ++frame)
        bytes += QByteArray::fromHex("2c 0000 0000 0100 0100 00 02 024c01 00");
    return bytes + ';';
}

// A BMP whose headers promise `width` x `height` pixels and whose length is
// honest about the bytes that follow.
QByteArray bmp(int width, int height, int bitsPerPixel, int compression, const QByteArray& pixels) {
    const int offset = 54 + (bitsPerPixel == 8 ? 1024 : 0);
    QByteArray bytes("BM");
    QDataStream out(&bytes, QIODevice::Append);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint32(offset + pixels.size()) << quint32(0) << quint32(offset) << quint32(40)
        << qint32(width) << qint32(height) << quint16(1) << quint16(bitsPerPixel)
        << quint32(compression) << quint32(pixels.size()) << quint32(2835) << quint32(2835)
        << quint32(0) << quint32(0);
    return bytes + QByteArray(offset - 54, '\x40') + pixels;
}

// Runs `work` in a child: by how many megabytes its peak memory rose meanwhile,
// a space, and what `work` returned.
std::optional<QByteArray> withPeakMemory(const std::function<QByteArray()>& work) {
    const auto peakKilobytes = [] {
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        return usage.ru_maxrss;
    };
    return runInChild(
        [&] {
            const long start = peakKilobytes();
            const QByteArray report = work();
            return QByteArray::number((peakKilobytes() - start) / 1024) + ' ' + report;
        },
        120);
}

// What a label or message box shows: its text laid out as rich text when Qt
// takes it for that.
template <typename Widget> QString shownText(const Widget& widget) {
    if (widget.textFormat() == Qt::PlainText ||
        (widget.textFormat() == Qt::AutoText && !Qt::mightBeRichText(widget.text())))
        return widget.text();
    QTextDocument document;
    document.setHtml(widget.text());
    return document.toPlainText();
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT

private slots:
    void uniformPicturesKeepTheirLevel_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("grey");
        QTest::newRow("one pixel") << QSize(1, 1) << 200;
        QTest::newRow("exactly 16 x 16") << QSize(16, 16) << 0;
        QTest::newRow("17 x 17") << QSize(17, 17) << 77;
        QTest::newRow("wide strip") << QSize(1000, 3) << 255;
        QTest::newRow("tall strip") << QSize(5, 999) << 128;
        QTest::newRow("largest side") << QSize(8192, 2) << 31;
    }
    void uniformPicturesKeepTheirLevel() {
        QFETCH(QSize, size);
        QFETCH(int, grey);
        const Cells cells = PictureImport::greyLevels(filled(size, qRgb(grey, grey, grey)));
        for (int cell = 0; cell < 256; ++cell)
            QCOMPARE(int(cells[cell]), grey);
    }

    // Cells that straddle pixel borders take each pixel by the share they cover.
    void fractionalCellsAverageByArea_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("whiteColumns");
        QTest::addColumn<QList<int>>("firstCells");
        // 24 pixels: a cell is 1.5 pixels wide.
        QTest::newRow("1 of 24 lit") << 24 << 1 << QList<int>{170, 0, 0};
        QTest::newRow("2 of 24 lit") << 24 << 2 << QList<int>{255, 85, 0};
        // 10 pixels: a cell is 0.625 pixels wide, so one pixel spans 1.6 cells.
        QTest::newRow("1 of 10 lit") << 10 << 1 << QList<int>{255, 153, 0};
        // 40 pixels: a cell is 2.5 pixels wide.
        QTest::newRow("3 of 40 lit") << 40 << 3 << QList<int>{255, 51, 0};
    }
    void fractionalCellsAverageByArea() {
        QFETCH(int, width);
        QFETCH(int, whiteColumns);
        QFETCH(QList<int>, firstCells);
        QImage image = filled(QSize(width, 7), qRgb(0, 0, 0));
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < whiteColumns; ++x)
                image.setPixel(x, y, qRgb(255, 255, 255));
        const Cells cells = PictureImport::greyLevels(image);
        for (int row = 0; row < 16; ++row)
            for (int column = 0; column < firstCells.size(); ++column)
                QCOMPARE(int(cells[row * 16 + column]), firstCells[column]);
    }

    void fineDetailAveragesInsteadOfAliasing() {
        // One-pixel squares: every cell holds as much white as black.
        const Cells cells = PictureImport::greyLevels(checkerboard(160, 1));
        for (int cell = 0; cell < 256; ++cell)
            QCOMPARE(int(cells[cell]), 128);
    }

    void transparencyCountsAsBlack_data() {
        QTest::addColumn<QRgb>("colour");
        QTest::addColumn<int>("grey");
        QTest::newRow("clear white") << qRgba(255, 255, 255, 0) << 0;
        QTest::newRow("half white") << qRgba(255, 255, 255, 128) << 128;
        QTest::newRow("opaque white") << qRgba(255, 255, 255, 255) << 255;
    }
    void transparencyCountsAsBlack() {
        QFETCH(QRgb, colour);
        QFETCH(int, grey);
        const QImage image = filled(QSize(32, 32), colour, QImage::Format_ARGB32);
        QCOMPARE(int(PictureImport::greyLevels(image)[100]), grey);
    }

    void thresholdAndInvert_data() {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<bool>("invert");
        QTest::addColumn<QList<int>>("lit"); // for levels 0, 99, 100, 101, 255
        QTest::newRow("at or above 100") << 100 << false << QList<int>{0, 0, 1, 1, 1};
        QTest::newRow("below 100") << 100 << true << QList<int>{1, 1, 0, 0, 0};
        QTest::newRow("0 lights all") << 0 << false << QList<int>{1, 1, 1, 1, 1};
        QTest::newRow("0 inverted lights none") << 0 << true << QList<int>{0, 0, 0, 0, 0};
        QTest::newRow("255 only the brightest") << 255 << false << QList<int>{0, 0, 0, 0, 1};
        QTest::newRow("256 lights none") << 256 << false << QList<int>{0, 0, 0, 0, 0};
    }
    void thresholdAndInvert() {
        QFETCH(int, threshold);
        QFETCH(bool, invert);
        QFETCH(QList<int>, lit);
        const int levels[] = {0, 99, 100, 101, 255};
        Cells grey{};
        for (int cell = 0; cell < 256; ++cell)
            grey[cell] = std::uint8_t(levels[cell % 5]);
        const Cells frame = PictureImport::threshold(grey, threshold, invert);
        for (int cell = 0; cell < 256; ++cell)
            QCOMPARE(int(frame[cell]), lit[cell % 5]);
    }

    // A grey picture kept as levels of light: grey 128 is about a fifth of white's
    // light (level 3.24), 188 about half (7.54); dithering keeps the mean level.
    void keepingShades_data() {
        QTest::addColumn<int>("grey");
        QTest::addColumn<bool>("invert");
        QTest::addColumn<bool>("keepShades");
        QTest::addColumn<Dither>("dither");
        QTest::addColumn<QList<int>>("levels"); // the levels that may appear
        QTest::addColumn<double>("meanLevel");
        QTest::addColumn<bool>("hasLevels");
        QTest::newRow("thresholded, the default")
            << 188 << false << false << Dither::None << QList<int>{15} << 15.0 << false;
        QTest::newRow("grey 128 is level 3")
            << 128 << false << true << Dither::None << QList<int>{3} << 3.0 << true;
        QTest::newRow("grey 188 is level 8")
            << 188 << false << true << Dither::None << QList<int>{8} << 8.0 << true;
        QTest::newRow("grey 67 inverted is level 8")
            << 67 << true << true << Dither::None << QList<int>{8} << 8.0 << true;
        QTest::newRow("black has no levels")
            << 0 << false << true << Dither::Ordered << QList<int>{0} << 0.0 << false;
        QTest::newRow("white has no levels")
            << 255 << false << true << Dither::FloydSteinberg << QList<int>{15} << 15.0 << false;
        QTest::newRow("ordered, grey 188")
            << 188 << false << true << Dither::Ordered << QList<int>{7, 8} << 7.543 << true;
        QTest::newRow("ordered, grey 60")
            << 60 << false << true << Dither::Ordered << QList<int>{0, 1} << 0.678 << true;
        QTest::newRow("Floyd-Steinberg, grey 188")
            << 188 << false << true << Dither::FloydSteinberg << QList<int>{7, 8} << 7.543 << true;
        QTest::newRow("Floyd-Steinberg, grey 200")
            << 200 << false << true << Dither::FloydSteinberg << QList<int>{8, 9} << 8.664 << true;
    }
    void keepingShades() {
        QFETCH(int, grey);
        QFETCH(bool, invert);
        QFETCH(bool, keepShades);
        QFETCH(Dither, dither);
        QFETCH(QList<int>, levels);
        QFETCH(double, meanLevel);
        QFETCH(bool, hasLevels);
        const PictureImport::Converted converted = PictureImport::convert(
            {PictureImport::reduce(filled(QSize(48, 30), qRgb(grey, grey, grey)))},
            {keepShades, 128, invert, dither});
        QCOMPARE(converted.hasLevels, hasLevels);
        QCOMPARE(converted.frames.size(), std::size_t(1));
        const Cells& frame = converted.frames[0];
        int total = 0;
        for (std::size_t i = 0; i < frame.size(); ++i) {
            const std::uint8_t cell = frame[i];
            const int level = FrameStore::levelOf(cell);
            if (dither == Dither::Ordered) // a 4 x 4 pattern
                QVERIFY(cell == frame[i ^ 4] && cell == frame[i ^ 64]);
            QVERIFY2(levels.contains(level), qPrintable(QString::number(level)));
            QCOMPARE(cell, FrameStore::cellForLevel(level));
            total += level;
        }
        QVERIFY2(std::abs(total / 256.0 - meanLevel) <= 1.0 / 32,
                 qPrintable(QString::number(total / 256.0)));
    }

    void meanBrightnessOfThePictures() {
        using PictureImport::reduce;
        QCOMPARE(PictureImport::meanBrightness(std::vector<PictureImport::Reduced>{}), 128);
        QCOMPARE(PictureImport::meanBrightness({reduce(checkerboard(16, 8))}), 128);
        const std::vector<PictureImport::Reduced> pictures{
            reduce(filled(QSize(20, 20), qRgb(10, 10, 10))),
            reduce(filled(QSize(3, 3), qRgb(50, 50, 50)))};
        QCOMPARE(PictureImport::meanBrightness(pictures), 30);
    }

    void checkerboardsInEachFormat_data() {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("square");
        for (const char* format : {"png", "bmp", "gif"})
            QTest::addRow("%s, 16 x 16", format) << QByteArray(format) << 16 << 1;
        for (const char* format : {"png", "bmp", "jpeg", "gif"})
            QTest::addRow("%s, 160 x 160", format) << QByteArray(format) << 160 << 10;
    }
    void checkerboardsInEachFormat() {
        QFETCH(QByteArray, format);
        QFETCH(int, side);
        QFETCH(int, square);
        QTemporaryDir dir;
        const QByteArray bytes = encoded(checkerboard(side, square), format);
        QVERIFY(!bytes.isEmpty());
        const QString path = writeFile(dir, QStringLiteral("board.") + format, bytes);
        const PictureImport::ImportResult result = PictureImport::readPictures(path);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.pictures.size(), std::size_t(1));
        const auto frames = PictureImport::toFrames(result.pictures, 128, false);
        QCOMPARE(frames.size(), std::size_t(1));
        QCOMPARE(frames[0], checkerboardCells());
    }

    void readsFromADevice() {
        QByteArray bytes = encoded(checkerboard(160, 10), "png");
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const PictureImport::ImportResult result = PictureImport::readPictures(buffer);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(PictureImport::toFrames(result.pictures, 128, true)[0][0], FrameStore::Dark);
    }

    void exportedGifComesBackFrameByFrame_data() {
        QTest::addColumn<int>("scale");
        QTest::newRow("scale 1") << 1;
        QTest::newRow("scale 8") << 8;
    }
    void exportedGifComesBackFrameByFrame() {
        QFETCH(int, scale);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("three.gif"));
        const auto frames = movingBarAnimation(3);
        ExportOptions options;
        options.scale = scale;
        const ExportResult exported = exportAnimation(path, {frames, 3, 1, 301}, options);
        QVERIFY2(exported.ok, qPrintable(exported.error));

        const PictureImport::ImportResult result = PictureImport::readPictures(path);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.pictures.size(), std::size_t(3));
        const auto imported = PictureImport::toFrames(result.pictures, ledThreshold(scale), false);
        for (int frame = 1; frame <= 3; ++frame)
            QCOMPARE(imported[frame - 1], frameOf(frames, frame));
    }

    void gifScanCountsFramesAndFindsCuts_data() {
        QTest::addColumn<QByteArray>("whole");
        QTest::addColumn<int>("frames");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("five.gif"));
        ExportOptions options;
        options.scale = 2;
        exportAnimation(path, {movingBarAnimation(5), 5, 1, 301}, options);
        QTest::newRow("exported: global palette, loop and delays") << fileBytes(path) << 5;
        QTest::newRow("local palettes and a comment") << gifWithLocalPalettes(3, true) << 3;
        QTest::newRow("GIF87a, nothing but pictures") << gifWithLocalPalettes(2, false) << 2;
    }
    void gifScanCountsFramesAndFindsCuts() {
        QFETCH(QByteArray, whole);
        QFETCH(int, frames);
        QVERIFY(whole.endsWith(';'));
        QCOMPARE(GifScan::countFrames(whole, 100), frames);
        QCOMPARE(GifScan::countFrames(whole, frames - 2), frames - 1); // stops past the limit
        for (qsizetype cut = 0; cut < whole.size(); ++cut)
            QCOMPARE(GifScan::countFrames(whole.left(cut), 100), GifScan::Damaged);

        QBuffer buffer(&whole);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const PictureImport::ImportResult result = PictureImport::readPictures(buffer);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(int(result.pictures.size()), frames);
    }

    void cutShortJpegAndBmp_data() {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<int>("quality");
        QTest::newRow("jpeg") << QByteArray("jpeg") << 75;
        QTest::newRow("jpeg, finest") << QByteArray("jpeg") << 100;
        QTest::newRow("bmp") << QByteArray("bmp") << -1;
    }
    void cutShortJpegAndBmp() {
        QFETCH(QByteArray, format);
        QFETCH(int, quality);
        QByteArray whole;
        QBuffer buffer(&whole);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, format);
        writer.setQuality(quality);
        QVERIFY(writer.write(checkerboard(40, 3)));
        const auto cutShort = [&](const QByteArray& bytes) {
            return format == "bmp" ? FileIntegrity::bmpCutShort(bytes)
                                   : FileIntegrity::jpegCutShort(bytes);
        };
        QVERIFY(!cutShort(whole));
        QVERIFY(!cutShort(whole + QByteArray(300, '\x11'))); // data after the picture
        for (qsizetype cut = 2; cut < whole.size(); cut += 5)
            QVERIFY2(cutShort(whole.left(cut)), qPrintable(QString::number(cut)));
    }

    void damagedFilesGiveAnErrorAndNoPictures_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QImage board = checkerboard(160, 10);
        const QByteArray png = encoded(board, "png");
        const QByteArray bmp = encoded(board, "bmp");
        const QByteArray jpeg = encoded(board, "jpeg");
        const QByteArray gif = blackAndWhiteGif(board);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("not a picture at all\n");
        QTest::newRow("png cut in half") << png.left(png.size() / 2);
        QTest::newRow("png header only") << png.left(40);
        QTest::newRow("bmp cut in half") << bmp.left(bmp.size() / 2);
        QTest::newRow("jpeg cut in half") << jpeg.left(jpeg.size() / 2);
        QTest::newRow("gif cut in half") << gif.left(gif.size() / 2);
        QTest::newRow("gif header only") << gif.left(13);
        QByteArray garbled = png;
        for (qsizetype i = 60; i < garbled.size() - 20; i += 3)
            garbled[i] = char(garbled[i] ^ 0x5a);
        QTest::newRow("png garbled") << garbled;
    }
    void damagedFilesGiveAnErrorAndNoPictures() {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("damaged.img"), bytes);
        const PictureImport::ImportResult result = PictureImport::readPictures(path);
        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
        QVERIFY(result.pictures.empty());
    }

    void missingFileSaysSo() {
        const PictureImport::ImportResult result =
            PictureImport::readPictures(QStringLiteral("/nonexistent/quentaro/x.png"));
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(QLatin1String("x.png")), qPrintable(result.error));
        QVERIFY(result.pictures.empty());
    }

    void sizeLimitOfPictures_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("8192 wide") << QSize(8192, 1) << true;
        QTest::newRow("8193 wide") << QSize(8193, 1) << false;
        QTest::newRow("8193 tall") << QSize(1, 8193) << false;
        QTest::newRow("both sides over") << QSize(8200, 8200) << false;
    }
    void sizeLimitOfPictures() {
        QFETCH(QSize, size);
        QFETCH(bool, accepted);
        QTemporaryDir dir;
        const QImage picture = filled(size, qRgb(255, 255, 255), QImage::Format_Mono);
        const QString path = writeFile(dir, QStringLiteral("big.png"), encoded(picture, "png"));
        QVERIFY(!path.isEmpty());
        const PictureImport::ImportResult result = PictureImport::readPictures(path);
        QCOMPARE(result.ok, accepted);
        QCOMPARE(result.pictures.size(), std::size_t(accepted ? 1 : 0));
        if (!accepted)
            QVERIFY2(result.error.contains(QLatin1String("8192")), qPrintable(result.error));
    }

    void frameLimitOfGifs() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("long.gif"));
        const int frameCount = PictureImport::MaxFrames + 1;
        std::vector<std::uint8_t> frames(FrameStore::sizeFor(frameCount), FrameStore::Dark);
        for (int frame = 1; frame <= frameCount; ++frame)
            frames[FrameStore::indexOf(frame, frame % 256)] = FrameStore::Lit;
        ExportOptions options;
        options.scale = 1;
        QVERIFY(exportAnimation(path, {frames, frameCount, 1, 40}, options).ok);
        const PictureImport::ImportResult result = PictureImport::readPictures(path);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(QLatin1String("32767")), qPrintable(result.error));
        QVERIFY(result.pictures.empty());
    }

    void dialogPreviewsAndReturnsTheFrames() {
        const auto animation = movingBarAnimation(3);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("three.gif"));
        ExportOptions options;
        options.scale = 4;
        QVERIFY(exportAnimation(path, {animation, 3, 1, 301}, options).ok);
        ImportDialog dialog(path);
        QTRY_VERIFY(!dialog.reading());
        const auto pictures = PictureImport::readPictures(path).pictures;
        auto* slider = dialog.findChild<QSlider*>(QStringLiteral("threshold"));
        auto* invert = dialog.findChild<QCheckBox*>(QStringLiteral("invert"));
        auto* preview = dialog.findChild<QLabel*>(QStringLiteral("preview"));
        auto* replace = dialog.findChild<QRadioButton*>(QStringLiteral("replaceAnimation"));
        QVERIFY(slider && invert && preview && replace);
        QCOMPARE(slider->value(), PictureImport::meanBrightness(pictures));
        QCOMPARE(dialog.mode(), ImportDialog::Mode::AddAfterCurrent);

        slider->setValue(ledThreshold(4));
        auto frames = dialog.frames();
        QCOMPARE(frames.size(), std::size_t(3));
        for (int frame = 1; frame <= 3; ++frame)
            QCOMPARE(frames[frame - 1], frameOf(animation, frame));
        QCOMPARE(preview->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
                 BoardRendering::renderFrame(frameOf(animation, 1), 10));

        invert->setChecked(true);
        frames = dialog.frames();
        for (int cell = 0; cell < 256; ++cell)
            QCOMPARE(frames[1][cell], std::uint8_t(1 - animation[FrameStore::indexOf(2, cell)]));
        QCOMPARE(preview->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
                 BoardRendering::renderFrame(dialog.previewFrame(), 10));
        QCOMPARE(dialog.previewFrame(), frames[0]);

        replace->setChecked(true);
        QCOMPARE(dialog.mode(), ImportDialog::Mode::ReplaceAnimation);
    }

    // Nothing large is decoded before its size is known to fit, and only one
    // picture is held decoded at a time.
    void refusedBeforeDecoding_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("errorPart"); // empty: imported
        QTest::addColumn<int>("peakLimitMb");
        QTest::newRow("SVG") << QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='64' "
                                           "height='64'><rect width='9' height='9'/></svg>")
                             << "SVG format; only PNG, BMP, JPEG or GIF" << 32;
        QTest::newRow("PPM") << QByteArray("P6 1 1 255 \xff\xff\xff")
                             << "PPM format; only PNG, BMP, JPEG or GIF" << 32;
        QTest::newRow("GIF, 5 frames of 8192 x 8192")
            << gifOfTinyFrames({8192, 8192}, 5) << "more picture data" << 32;
        QTest::newRow("BMP of 8000 x 8000 in 154 bytes")
            << bmp(8000, 8000, 24, 0, QByteArray(100, '\x7f')) << "cut short" << 32;
        QTest::newRow("RLE8 BMP without its end")
            << bmp(16, 16, 8, 1, QByteArray::fromHex("1001 0000 1001")) << "cut short" << 32;
        QTest::newRow("RLE8 BMP") << bmp(16, 16, 8, 1, QByteArray::fromHex("1001 0000 0001"))
                                  << QString() << 32;
        QTest::newRow("GIF, 12 frames of 4096 x 4096")
            << gifOfTinyFrames({4096, 4096}, 12) << QString() << 3 * 64 + 32;
    }
    void refusedBeforeDecoding() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, errorPart);
        QFETCH(int, peakLimitMb);
        QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("picture.png"), bytes);
        const auto report = withPeakMemory([&path] {
            const PictureImport::ImportResult result = PictureImport::readPictures(path);
            return (result.ok && !result.pictures.empty() ? "1" : "0") + result.error.toUtf8();
        });
        QVERIFY(report);
        const qsizetype space = report->indexOf(' ');
        const QString error = QString::fromUtf8(report->mid(space + 2));
        QCOMPARE(report->at(space + 1) == '1', errorPart.isEmpty());
        QVERIFY2(error.contains(errorPart), qPrintable(error));
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("skipped: the address sanitizer holds on to freed memory");
#endif
        const int peakMb = report->left(space).toInt();
        QVERIFY2(peakMb < peakLimitMb, qPrintable(QString::number(peakMb)));
    }

    // A wide picture with a quarter black at the left, or a tall one with its
    // left quarter black; the cells lit are those of rows `rows` and columns `columns`.
    void fitsKeepTheShape_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("fit");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("columns");
        const int stretch = int(PictureImport::Fit::Stretch);
        const int letterbox = int(PictureImport::Fit::Letterbox);
        const int crop = int(PictureImport::Fit::Crop);
        const QString all(16, '1');
        QTest::newRow("wide, stretched") << QSize(64, 32) << stretch << all << "0000111111111111";
        QTest::newRow("wide, letterbox") << QSize(64, 32) << letterbox << "0000111111110000"
                                         << "0000111111111111";
        QTest::newRow("wide, cropped") << QSize(64, 32) << crop << all << all;
        QTest::newRow("tall, letterbox") << QSize(32, 64) << letterbox << all << "0000001111110000";
        QTest::newRow("tall, cropped") << QSize(32, 64) << crop << all << "0000111111111111";
        QTest::newRow("letterbox half a pixel off")
            << QSize(40, 25) << letterbox << "0001111111111000"
            << "0000111111111111";
    }
    void fitsKeepTheShape() {
        QFETCH(QSize, size);
        QFETCH(int, fit);
        QFETCH(QString, rows);
        QFETCH(QString, columns);
        QImage picture = filled(size, qRgb(255, 255, 255));
        QPainter(&picture).fillRect(0, 0, size.width() / 4, size.height(), Qt::black);
        QTemporaryDir dir;
        ImportDialog dialog(writeFile(dir, QStringLiteral("p.png"), encoded(picture, "png")));
        QTRY_VERIFY(!dialog.reading());
        QVERIFY2(dialog.error().isEmpty(), qPrintable(dialog.error()));
        dialog.findChild<QSlider*>(QStringLiteral("threshold"))->setValue(128);
        auto* fits = dialog.findChild<QComboBox*>(QStringLiteral("fit"));
        fits->setCurrentIndex(fits->findData(fit));

        Cells expected{};
        for (int cell = 0; cell < 256; ++cell)
            expected[cell] = rows[cell / 16] == '1' && columns[cell % 16] == '1';
        QCOMPARE(dialog.frames().front(), expected);
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("preview"))
                     ->pixmap()
                     .toImage()
                     .convertToFormat(QImage::Format_RGB32),
                 BoardRendering::renderFrame(expected, 10));
    }

    // The window's thread keeps turning while the pictures are read, the progress
    // counts them, and Cancel closes the dialog and stops the reading at once.
    void dialogReadsOffTheWindowThread() {
        QTemporaryDir dir;
        const int frames = 250;
        const QString path =
            writeFile(dir, QStringLiteral("long.gif"), gifOfTinyFrames({1024, 1000}, frames));
        QElapsedTimer clock;
        clock.start();
        ImportDialog dialog(path);
        dialog.show();
        qint64 last = 0;
        qint64 longestGap = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, clock.elapsed() - last);
            last = clock.elapsed();
        });
        ticker.start(5);
        auto* progress = dialog.findChild<QProgressBar*>(QStringLiteral("progress"));
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        QTRY_VERIFY(progress->value() >= 10);
        QCOMPARE(progress->maximum(), frames);
        QVERIFY(!buttons->button(QDialogButtonBox::Ok)->isEnabled());
        QTest::mouseClick(buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);

        QVERIFY(!dialog.isVisible());
        QVERIFY(dialog.frames().empty() && dialog.error().isEmpty());
        QElapsedTimer stopping;
        stopping.start();
        QVERIFY(QThreadPool::globalInstance()->waitForDone(5000));
        qInfo("window thread: longest pause %lld ms; reading stopped %lld ms after Cancel",
              longestGap, stopping.elapsed());
        QVERIFY(longestGap < 250);
        QVERIFY(stopping.elapsed() < 250);

        ImportDialog refused(writeFile(dir, QStringLiteral("drawing.gif"),
                                       "<svg xmlns='http://www.w3.org/2000/svg'/>"));
        QTRY_VERIFY(!refused.reading());
        QVERIFY2(refused.error().contains(QLatin1String("only PNG, BMP, JPEG or GIF")),
                 qPrintable(refused.error()));
    }

    // The program's own GIF of an animation with levels, hold times and ping-pong,
    // imported with shades kept in place of the animation, gives back each
    // image as the GIF plays it, at its level and with its hold time.
    void ownGifComesBackWithLevelsAndHoldTimes_data() {
        QTest::addColumn<int>("scale");
        QTest::newRow("scale 1") << 1;
        QTest::newRow("scale 3") << 3;
        QTest::newRow("scale 16") << 16;
    }
    void ownGifComesBackWithLevelsAndHoldTimes() {
        QFETCH(int, scale);
        std::vector<std::uint8_t> frames(FrameStore::sizeFor(4));
        for (int frame = 1; frame <= 4; ++frame)
            for (int cell = 0; cell < 256; ++cell)
                frames[FrameStore::indexOf(frame, cell)] =
                    FrameStore::cellForLevel((cell / 7 + 5 * frame) % 16);
        const std::vector<std::uint16_t> holdMs{0, 120, 0, 1000};
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("levels.gif"));
        ExportOptions options;
        options.scale = scale;
        QVERIFY(
            exportAnimation(path, {frames, 4, 1, 301, true, holdMs, PlayMode::PingPong}, options)
                .ok);

        EditorFixture f;
        ModalAnswers answers([&](QWidget* dialog) {
            if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
                files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
                static_cast<QDialog*>(files)->accept();
            } else if (auto* importing = qobject_cast<ImportDialog*>(dialog)) {
                QTRY_VERIFY(!importing->reading());
                importing->findChild<QCheckBox*>(QStringLiteral("shades"))->setChecked(true);
                importing->findChild<QRadioButton*>(QStringLiteral("replaceAnimation"))
                    ->setChecked(true);
                importing->accept();
            }
        });
        QWidget window;
        Sharing::importPictures(&window, *f);
        QCOMPARE(answers.leftOpen(), 0);
        const Animation& animation = f->animation();
        QVERIFY(animation.hasLevels());
        const QList<int> played{1, 2, 3, 4, 3, 2};
        QCOMPARE(animation.imageCount(), int(played.size()));
        for (int image = 1; image <= animation.imageCount(); ++image) {
            const int source = played[image - 1];
            QCOMPARE(animation.holdMs(image), int(holdMs[std::size_t(source - 1)]));
            const FrameStore::Frame shown = animation.frame(image);
            for (int cell = 0; cell < 256; ++cell)
                QCOMPARE(FrameStore::levelOf(shown[std::size_t(cell)]),
                         FrameStore::levelOf(frames[FrameStore::indexOf(source, cell)]));
        }
    }

    // A file whose name is markup, which cannot be imported: the dialog's note
    // while it reads and the box that says why show the name as it is, and the
    // animation stays as it was.
    void markupInTheNameIsShownAsItIs() {
        QTemporaryDir dir;
        const QString name = QStringLiteral("<img src='zero'>drawing.gif");
        const QString path = writeFile(dir, name, "<svg xmlns='http://www.w3.org/2000/svg'/>");
        {
            ImportDialog dialog(path);
            const QString reading = shownText(*dialog.findChild<QLabel*>(QStringLiteral("status")));
            QVERIFY2(reading.contains(name), qPrintable(reading));
            QTRY_VERIFY(!dialog.reading());
        }

        EditorFixture f;
        const auto changes = f->changeCount();
        QString shown;
        ModalAnswers answers([&](QWidget* dialog) {
            if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
                files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
                static_cast<QDialog*>(files)->accept();
            } else if (auto* importing = qobject_cast<ImportDialog*>(dialog)) {
                QTRY_VERIFY(!importing->isVisible()); // closes itself on the error
            } else if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
                shown = shownText(*box);
                box->accept();
            }
        });
        QWidget window;
        Sharing::importPictures(&window, *f);
        QVERIFY2(shown.startsWith(path + QStringLiteral(" could not be imported:\n")) &&
                     shown.contains(QLatin1String("only PNG, BMP, JPEG or GIF")),
                 qPrintable(shown));
        QCOMPARE(answers.leftOpen(), 0);
        QCOMPARE(f->changeCount(), changes);
    }
};

QTEST_MAIN(TestImport)
#include "test_import.moc"
