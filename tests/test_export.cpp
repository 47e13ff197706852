#include "frames/FrameStore.h"
#include "pictures/AnimationExport.h"
#include "pictures/BoardRendering.h"
#include "pictures/CSourceExport.h"
#include "pictures/GifExport.h"
#include "pictures/PngExport.h"
#include "ui/Sharing.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImageReader>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

#include "files/AnimationFile.h"
#include "support/ChildProcess.h"
#include "support/FakeServices.h"
#include "support/ModalAnswers.h"

#include <gif_lib.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <memory>

Q_DECLARE_METATYPE(PngMode)
Q_DECLARE_METATYPE(CHeaderLayout::Scan)
Q_DECLARE_METATYPE(CHeaderLayout::BitOrder)
Q_DECLARE_METATYPE(PlayMode)

namespace {

using FrameBytes = std::vector<std::uint8_t>;

// Random frames with some stray values (only 1 is lit) and a repeated frame, so
// that the GIF has a frame without any change.
FrameBytes randomAnimation(int frameCount, quint32 seed) {
    QRandomGenerator random(seed);
    FrameBytes frames(FrameStore::sizeFor(frameCount));
    for (auto& cell : frames)
        cell = random.bounded(4) == 0 ? std::uint8_t{2} : std::uint8_t(random.bounded(2));
    if (frameCount >= 3)
        std::copy_n(frames.begin() + FrameStore::indexOf(2, 0), FrameStore::CellsPerFrame,
                    frames.begin() + FrameStore::indexOf(3, 0));
    return frames;
}

// Whole-board patterns: "blinking" (a block on and off), "scroller" (diagonal
// stripes moving one column a frame) and "lit and dark" (all lit, all lit, all
// dark, ...).
FrameBytes patternAnimation(const QString& kind, int frameCount) {
    FrameBytes frames(FrameStore::sizeFor(frameCount));
    for (int frame = 1; frame <= frameCount; ++frame)
        for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell) {
            const int row = cell / 16;
            const int column = cell % 16;
            const bool block = row >= 3 && row < 12 && column >= 2 && column < 14;
            frames[FrameStore::indexOf(frame, cell)] = kind == "blinking" ? frame % 2 == 1 && block
                                                       : kind == "scroller"
                                                           ? (2 * row + column + frame) % 7 < 3
                                                           : frame % 3 != 0;
        }
    return frames;
}

// Random levels, every one of them in the first frame, with the second frame
// repeated and the third only partly changed.
FrameBytes levelAnimation(int frameCount, quint32 seed) {
    QRandomGenerator random(seed);
    FrameBytes frames(FrameStore::sizeFor(frameCount));
    for (auto& cell : frames)
        cell = FrameStore::cellForLevel(random.bounded(FrameStore::MaxLevel + 1));
    for (int cell = 0; cell < 16; ++cell)
        frames[std::size_t(cell)] = FrameStore::cellForLevel(cell);
    if (frameCount >= 4) {
        std::copy_n(frames.begin() + FrameStore::indexOf(2, 0), 256,
                    frames.begin() + FrameStore::indexOf(3, 0));
        std::copy_n(frames.begin() + FrameStore::indexOf(3, 0), 128,
                    frames.begin() + FrameStore::indexOf(4, 0));
    }
    return frames;
}

std::span<const std::uint8_t> frameCells(const FrameBytes& frames, int frame) {
    return std::span(frames).subspan(FrameStore::indexOf(frame, 0), FrameStore::CellsPerFrame);
}

struct GifCloser {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using SlurpedGif = std::unique_ptr<GifFileType, GifCloser>;

SlurpedGif slurp(const QString& path) {
    int error = 0;
    SlurpedGif gif(DGifOpenFileName(QFile::encodeName(path).constData(), &error));
    if (gif && DGifSlurp(gif.get()) != GIF_OK)
        return nullptr;
    return gif;
}

bool hasLoopForever(const SavedImage& first) {
    for (int i = 0; i + 1 < first.ExtensionBlockCount; ++i) {
        const ExtensionBlock& app = first.ExtensionBlocks[i];
        const ExtensionBlock& data = first.ExtensionBlocks[i + 1];
        if (app.Function == APPLICATION_EXT_FUNC_CODE && app.ByteCount == 11 &&
            std::memcmp(app.Bytes, "NETSCAPE2.0", 11) == 0 && data.ByteCount == 3 &&
            data.Bytes[0] == 1 && data.Bytes[1] == 0 && data.Bytes[2] == 0)
            return true;
    }
    return false;
}

// The picture a viewer shows after each frame: every frame is drawn over the one
// before, which is what the "do not dispose" frames ask for, except where its
// pixels are transparent.
class GifCanvas {
public:
    explicit GifCanvas(const GifFileType& gif)
        : width_(gif.SWidth), pixels_(static_cast<std::size_t>(gif.SWidth * gif.SHeight)) {}

    void draw(const SavedImage& image, int transparent) {
        const GifImageDesc& desc = image.ImageDesc;
        for (int y = 0; y < desc.Height; ++y)
            for (int x = 0; x < desc.Width; ++x)
                if (const GifPixelType index = image.RasterBits[y * desc.Width + x];
                    index != transparent)
                    pixels_[(desc.Top + y) * width_ + desc.Left + x] = index;
    }
    int at(int x, int y) const { return pixels_[y * width_ + x]; }

private:
    int width_;
    std::vector<GifPixelType> pixels_;
};

QColor paletteColour(const GifFileType& gif, int index) {
    const GifColorType& c = gif.SColorMap->Colors[index];
    return QColor(c.Red, c.Green, c.Blue);
}

QColor expectedFlatColour(std::span<const std::uint8_t> cells, int cell) {
    return FrameStore::isLit(cells[cell]) ? BoardRendering::LitColour : BoardRendering::DarkColour;
}

// The tile of palette indices that must cover one LED's cell on the canvas.
bool cellShowsTile(const GifCanvas& canvas, int cell, const std::vector<std::uint8_t>& tile,
                   int scale) {
    const int left = cell % FrameStore::Side * scale;
    const int top = cell / FrameStore::Side * scale;
    for (int y = 0; y < scale; ++y)
        for (int x = 0; x < scale; ++x)
            if (canvas.at(left + x, top + y) != tile[y * scale + x])
                return false;
    return true;
}

QString compilerPath() {
    for (const char* name : {"cc", "gcc", "clang"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return {};
}

// Accepts a set number of bytes, then fails like a full disk.
class FailingDevice : public QIODevice {
public:
    explicit FailingDevice(qint64 capacity) : capacity_(capacity) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 length) override {
        if (written_ + length > capacity_) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        written_ += length;
        return length;
    }

private:
    qint64 capacity_;
    qint64 written_ = 0;
};

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What lies under `path`: its own type, and the type, mode, owner, group and
// device of what it leads to.
QString describe(const QString& path) {
    struct stat own {};
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &own);
    ::stat(QFile::encodeName(path).constData(), &st);
    return QStringLiteral("%1 -> %2 %3:%4 %5")
        .arg(own.st_mode & S_IFMT, 0, 8)
        .arg(st.st_mode, 0, 8)
        .arg(st.st_uid)
        .arg(st.st_gid)
        .arg(st.st_rdev);
}

bool bindSocket(const QByteArray& path) {
    sockaddr_un address{AF_UNIX, {}};
    std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

// Puts `target` under the name `path`; `other` is a second name, or what a link
// points to.
bool makeTarget(const QString& target, const QByteArray& path, const QByteArray& other) {
    const auto old = [](const QByteArray& name) {
        QFile file(QFile::decodeName(name));
        return file.open(QIODevice::WriteOnly) && file.write("old\n") == 4 &&
               ::chmod(name.constData(), 0640) == 0;
    };
    const QByteArray behind = target.startsWith("link") ? other : path;
    const bool made = target == "new name" || (target.contains("file") && old(behind)) ||
                      (target.contains("device") &&
                       ::mknod(behind.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0) ||
                      (target == "hard link" && old(path) && ::link(path, other) == 0) ||
                      (target == "other owner" && old(path) && ::chown(path, 1234, 4321) == 0) ||
                      (target == "FIFO" && ::mkfifo(path, 0644) == 0) ||
                      (target == "socket" && bindSocket(path));
    return made && (!target.startsWith("link") || ::symlink("other", path) == 0);
}

// What a message box shows: its text laid out as rich text when Qt takes it for that.
QString shownText(const QMessageBox& box) {
    if (box.textFormat() == Qt::PlainText ||
        (box.textFormat() == Qt::AutoText && !Qt::mightBeRichText(box.text())))
        return box.text();
    QTextDocument document;
    document.setHtml(box.text());
    return document.toPlainText();
}

} // namespace

class TestExport : public QObject {
    Q_OBJECT

private slots:
    void gifDelayRoundsToNearestHundredth_data() {
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<int>("hundredths");
        QTest::newRow("fastest step") << 40 << 4;
        QTest::newRow("just below a half") << 44 << 4;
        QTest::newRow("a half rounds up") << 45 << 5;
        QTest::newRow("start step") << 301 << 30;
        QTest::newRow("slowest step") << 2672 << 267;
        QTest::newRow("zero is played as 2") << 0 << 2;
        QTest::newRow("14 ms is played as 2") << 14 << 2;
        QTest::newRow("longest a GIF holds") << 10'000'000 << 65535;
    }
    void gifDelayRoundsToNearestHundredth() {
        QFETCH(int, intervalMs);
        QFETCH(int, hundredths);
        QCOMPARE(GifExport::delayHundredths(intervalMs), hundredths);
    }

    void paletteIsSmallAndFitsTheRendering_data() {
        QTest::addColumn<int>("scale");
        for (int scale : {1, 2, 3, 5, 8, 11, 16})
            QTest::addRow("scale %d", scale) << scale;
    }
    void paletteIsSmallAndFitsTheRendering() {
        QFETCH(int, scale);
        const GifExport::IndexedTiles tiles = GifExport::indexedTiles(scale);
        const std::size_t colours = tiles.palette.size();
        QVERIFY(colours >= 2 && colours <= GifExport::MaxPaletteColours);
        QVERIFY2((colours & (colours - 1)) == 0, "a GIF palette holds a power of two colours");
        for (bool lit : {false, true}) {
            const QImage tile = BoardRendering::ledTile(lit, scale);
            const auto& indices = tiles.shades[lit ? 1 : 0];
            QCOMPARE(indices.size(), std::size_t(scale * scale));
            for (int i = 0; i < scale * scale; ++i) {
                const QColor want = tile.pixelColor(i % scale, i / scale);
                const QColor got = QColor(tiles.palette[indices[i]]);
                const int error = std::abs(want.red() - got.red()) +
                                  std::abs(want.green() - got.green()) +
                                  std::abs(want.blue() - got.blue());
                QVERIFY2(error <= 48,
                         qPrintable(QStringLiteral("pixel %1 off by %2").arg(i).arg(error)));
            }
        }
    }

    void scaleOneGifIsTwoColoursOnePixelPerLed() {
        const GifExport::IndexedTiles tiles = GifExport::indexedTiles(1);
        QCOMPARE(tiles.palette.size(), std::size_t(4)); // and a slot for transparency
        QCOMPARE(QColor(tiles.palette[tiles.shades[0][0]]), BoardRendering::DarkColour);
        QCOMPARE(QColor(tiles.palette[tiles.shades[1][0]]), BoardRendering::LitColour);
    }

    // Every frame as a viewer composites it (each drawn over the one before, its
    // transparent pixels leaving what was there) must show exactly the tiles of
    // the board's rendering.
    void gifReadsBackFrameByFrame_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("frameCount");
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<int>("scale");
        QTest::addColumn<int>("delay");
        QTest::newRow("one frame, fastest") << "random" << 1 << 40 << 1 << 4;
        QTest::newRow("five frames, start step") << "random" << 5 << 301 << 1 << 30;
        QTest::newRow("twelve frames, slowest") << "random" << 12 << 2672 << 1 << 267;
        QTest::newRow("scale 3") << "random" << 4 << 301 << 3 << 30;
        QTest::newRow("scale 8") << "random" << 6 << 83 << 8 << 8;
        QTest::newRow("scale 16") << "random" << 3 << 40 << 16 << 4;
        QTest::newRow("one frame, scale 8") << "scroller" << 1 << 301 << 8 << 30;
        QTest::newRow("blinking, scale 8") << "blinking" << 6 << 301 << 8 << 30;
        QTest::newRow("blinking, scale 2") << "blinking" << 5 << 301 << 2 << 30;
        QTest::newRow("scroller, scale 1") << "scroller" << 40 << 40 << 1 << 4;
        QTest::newRow("scroller, scale 2") << "scroller" << 40 << 40 << 2 << 4;
        QTest::newRow("scroller, scale 8") << "scroller" << 20 << 40 << 8 << 4;
        QTest::newRow("all lit and all dark, scale 5") << "lit and dark" << 5 << 301 << 5 << 30;
        QTest::newRow("all lit and all dark, scale 1") << "lit and dark" << 5 << 301 << 1 << 30;
    }
    void gifReadsBackFrameByFrame() {
        QFETCH(QString, kind);
        QFETCH(int, frameCount);
        QFETCH(int, intervalMs);
        QFETCH(int, scale);
        QFETCH(int, delay);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("animation.gif"));
        const FrameBytes frames = kind == "random" ? randomAnimation(frameCount, 17u + frameCount)
                                                   : patternAnimation(kind, frameCount);
        ExportOptions options;
        options.scale = scale;
        const ExportResult result =
            exportAnimation(path, {frames, frameCount, 1, intervalMs}, options);
        QVERIFY2(result.ok, qPrintable(result.error));
        QVERIFY(fileBytes(path).startsWith("GIF89a"));

        const SlurpedGif gif = slurp(path);
        QVERIFY(gif);
        QCOMPARE(gif->SWidth, 16 * scale);
        QCOMPARE(gif->SHeight, 16 * scale);
        QCOMPARE(gif->ImageCount, frameCount);
        QVERIFY(hasLoopForever(gif->SavedImages[0]));

        const GifExport::IndexedTiles tiles = GifExport::indexedTiles(scale);
        GifCanvas canvas(*gif);
        for (int frame = 1; frame <= frameCount; ++frame) {
            const SavedImage& image = gif->SavedImages[frame - 1];
            GraphicsControlBlock control{};
            QCOMPARE(DGifSavedExtensionToGCB(gif.get(), frame - 1, &control), GIF_OK);
            QCOMPARE(control.DelayTime, delay);
            QCOMPARE(control.DisposalMode, DISPOSE_DO_NOT);
            if (control.TransparentColor != NO_TRANSPARENT_COLOR)
                for (const auto& tile : tiles.shades)
                    QVERIFY(!std::count(tile.begin(), tile.end(), control.TransparentColor));
            canvas.draw(image, control.TransparentColor);
            const auto cells = frameCells(frames, frame);
            for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell) {
                const auto& tile = tiles.shades[FrameStore::isLit(cells[cell]) ? 1 : 0];
                QVERIFY2(cellShowsTile(canvas, cell, tile, scale),
                         qPrintable(QStringLiteral("frame %1 cell %2").arg(frame).arg(cell)));
                if (scale == 1)
                    QCOMPARE(paletteColour(*gif, canvas.at(cell % 16, cell / 16)),
                             expectedFlatColour(cells, cell));
            }
        }
    }

    // Each frame's delay is its hold time, else the speed; with levels every LED
    // shows its level's tile, and the PNGs its level's shade.
    void gifAndPngKeepHoldTimesAndLevels_data() {
        QTest::addColumn<bool>("levels");
        QTest::addColumn<int>("scale");
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<QList<int>>("holds");
        QTest::addColumn<QList<int>>("delays"); // hundredths
        const QList<int> none;
        QTest::newRow("on/off, holds, scale 1")
            << false << 1 << 301 << QList<int>{0, 40, 1000, 45, 0} << QList<int>{30, 4, 100, 5, 30};
        QTest::newRow("on/off, longest and a rounded-down hold, scale 8")
            << false << 8 << 83 << QList<int>{44, 65535, 0, 2672} << QList<int>{4, 6554, 8, 267};
        QTest::newRow("levels, no holds, scale 1")
            << true << 1 << 40 << none << QList<int>{4, 4, 4, 4, 4};
        QTest::newRow("levels, holds, scale 2")
            << true << 2 << 301 << QList<int>{0, 0, 65, 0} << QList<int>{30, 30, 7, 30};
        QTest::newRow("levels, holds, scale 5")
            << true << 5 << 2672 << QList<int>{100, 0, 0, 49, 51} << QList<int>{10, 267, 267, 5, 5};
        QTest::newRow("levels, scale 16")
            << true << 16 << 301 << none << QList<int>{30, 30, 30, 30};
    }
    void gifAndPngKeepHoldTimesAndLevels() {
        QFETCH(bool, levels);
        QFETCH(int, scale);
        QFETCH(int, intervalMs);
        QFETCH(QList<int>, holds);
        QFETCH(QList<int>, delays);
        const int frameCount = int(delays.size());
        const FrameBytes frames = levels ? levelAnimation(frameCount, 40u + frameCount)
                                         : randomAnimation(frameCount, 50u + frameCount);
        const std::vector<std::uint16_t> holdMs(holds.begin(), holds.end());
        const ExportAnimation animation{frames, frameCount, frameCount, intervalMs, levels, holdMs};
        QTemporaryDir dir;
        ExportOptions options;
        options.scale = scale;
        QVERIFY(exportAnimation(dir.filePath("anim.gif"), animation, options).ok);
        QVERIFY(exportAnimation(dir.filePath("frame.png"), animation, options).ok);
        options.pngMode = PngMode::SpriteSheet;
        QVERIFY(exportAnimation(dir.filePath("sheet.png"), animation, options).ok);

        const SlurpedGif gif = slurp(dir.filePath("anim.gif"));
        QVERIFY(gif);
        QCOMPARE(gif->ImageCount, frameCount);
        const GifExport::IndexedTiles tiles = GifExport::indexedTiles(scale, levels);
        const QImage sheet =
            QImage(dir.filePath("sheet.png")).convertToFormat(QImage::Format_RGB32);
        GifCanvas canvas(*gif);
        for (int frame = 1; frame <= frameCount; ++frame) {
            GraphicsControlBlock control{};
            QCOMPARE(DGifSavedExtensionToGCB(gif.get(), frame - 1, &control), GIF_OK);
            QCOMPARE(control.DelayTime, delays[frame - 1]);
            canvas.draw(gif->SavedImages[frame - 1], control.TransparentColor);
            const auto cells = frameCells(frames, frame);
            const QImage png = sheet.copy((frame - 1) * 16 * scale, 0, 16 * scale, 16 * scale);
            for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell) {
                const int level = levels ? FrameStore::levelOf(cells[cell])
                                         : (FrameStore::isLit(cells[cell]) ? 15 : 0);
                const auto& tile = tiles.shades[std::size_t(levels ? level : level / 15)];
                QVERIFY2(cellShowsTile(canvas, cell, tile, scale),
                         qPrintable(QStringLiteral("frame %1 cell %2").arg(frame).arg(cell)));
                const QImage shown = png.copy(cell % 16 * scale, cell / 16 * scale, scale, scale);
                QCOMPARE(shown, BoardRendering::levelTile(level, scale));
                for (int i = 0; i < scale * scale; ++i) {
                    const QColor want = shown.pixelColor(i % scale, i / scale);
                    const QColor got = paletteColour(*gif, tile[std::size_t(i)]);
                    const int error = std::abs(want.red() - got.red()) +
                                      std::abs(want.green() - got.green()) +
                                      std::abs(want.blue() - got.blue());
                    QVERIFY2(error <= 16, qPrintable(QString::number(error)));
                }
                if (scale == 1)
                    QCOMPARE(paletteColour(*gif, canvas.at(cell % 16, cell / 16)),
                             BoardRendering::levelColour(level));
            }
            if (frame == frameCount)
                QCOMPARE(QImage(dir.filePath("frame.png")).convertToFormat(QImage::Format_RGB32),
                         png);
        }
    }

    // A GIF plays as the animation plays: ping-pong as the images of one turn back
    // and forth, once without the loop extension, which viewers play once. What
    // each image shows and for how long the import of the program's own GIF
    // reads back.
    void gifKeepsThePlayMode_data() {
        QTest::addColumn<PlayMode>("mode");
        QTest::addColumn<int>("images"); // of 4, as the GIF shows them
        QTest::newRow("loop") << PlayMode::Loop << 4;
        QTest::newRow("ping-pong") << PlayMode::PingPong << 6;
        QTest::newRow("once") << PlayMode::Once << 4;
    }
    void gifKeepsThePlayMode() {
        QFETCH(PlayMode, mode);
        QFETCH(int, images);
        const FrameBytes frames = levelAnimation(4, 11u);
        const ExportAnimation animation{frames, 4, 1, 301, true, {}, mode};
        QTemporaryDir dir;
        QVERIFY(exportAnimation(dir.filePath("anim.gif"), animation, {}).ok);
        const SlurpedGif gif = slurp(dir.filePath("anim.gif"));
        QVERIFY(gif);
        QCOMPARE(gif->ImageCount, images);
        QCOMPARE(hasLoopForever(gif->SavedImages[0]), mode != PlayMode::Once);
        if (mode == PlayMode::Once) // no loop extension at all: its graphic control alone
            QCOMPARE(gif->SavedImages[0].ExtensionBlockCount, 1);
    }

    void gifCarriesOnlyTheChangedLeds() {
        FrameBytes frames(FrameStore::sizeFor(3), FrameStore::Dark);
        frames[FrameStore::indexOf(2, 2 * 16 + 3)] = FrameStore::Lit; // row 2, column 3
        frames[FrameStore::indexOf(2, 5 * 16 + 9)] = FrameStore::Lit; // row 5, column 9
        std::copy_n(frames.begin() + FrameStore::indexOf(2, 0), 256,
                    frames.begin() + FrameStore::indexOf(3, 0));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("delta.gif"));
        ExportOptions options;
        options.scale = 4;
        QVERIFY(exportAnimation(path, {frames, 3, 1, 301}, options).ok);
        const SlurpedGif gif = slurp(path);
        QVERIFY(gif);
        const GifImageDesc& changed = gif->SavedImages[1].ImageDesc;
        QCOMPARE(QRect(changed.Left, changed.Top, changed.Width, changed.Height),
                 QRect(3 * 4, 2 * 4, 7 * 4, 4 * 4));
        const GifImageDesc& unchanged = gif->SavedImages[2].ImageDesc;
        QCOMPARE(unchanged.Width * unchanged.Height, 1);
    }

    void gifStopsWithTheDevicesReason() {
        const FrameBytes frames = randomAnimation(20, 5);
        for (qint64 capacity : {0, 100, 2000}) {
            FailingDevice device(capacity);
            QString error;
            QVERIFY(!GifExport::write(device, {frames, 20, 1, 301}, 8, error));
            QCOMPARE(error, QStringLiteral("No space left on device"));
        }
    }

    void pngOfTheCurrentFrame_data() {
        QTest::addColumn<int>("currentImage");
        QTest::addColumn<int>("scale");
        QTest::newRow("first, scale 1") << 1 << 1;
        QTest::newRow("middle, scale 1") << 2 << 1;
        QTest::newRow("last, scale 8") << 3 << 8;
        QTest::newRow("middle, scale 16") << 2 << 16;
    }
    void pngOfTheCurrentFrame() {
        QFETCH(int, currentImage);
        QFETCH(int, scale);
        const FrameBytes frames = randomAnimation(3, 99);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("frame.png"));
        ExportOptions options;
        options.scale = scale;
        const ExportResult result = exportAnimation(path, {frames, 3, currentImage, 301}, options);
        QVERIFY2(result.ok, qPrintable(result.error));
        const QImage png = QImageReader(path).read().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(png.size(), QSize(16 * scale, 16 * scale));
        QCOMPARE(png, BoardRendering::renderFrame(frameCells(frames, currentImage), scale));
        if (scale == 1)
            for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell)
                QCOMPARE(png.pixelColor(cell % 16, cell / 16),
                         expectedFlatColour(frameCells(frames, currentImage), cell));
    }

    void pngSpriteSheet_data() {
        QTest::addColumn<int>("frameCount");
        QTest::addColumn<int>("scale");
        QTest::addColumn<QSize>("size");
        QTest::newRow("one frame") << 1 << 1 << QSize(16, 16);
        QTest::newRow("one short row") << 5 << 2 << QSize(5 * 32, 32);
        QTest::newRow("a full row") << 64 << 1 << QSize(64 * 16, 16);
        QTest::newRow("one more wraps") << 65 << 1 << QSize(64 * 16, 2 * 16);
        QTest::newRow("70 frames at scale 4") << 70 << 4 << QSize(64 * 64, 2 * 64);
        QTest::newRow("three full rows") << 192 << 1 << QSize(64 * 16, 3 * 16);
    }
    void pngSpriteSheet() {
        QFETCH(int, frameCount);
        QFETCH(int, scale);
        QFETCH(QSize, size);
        const FrameBytes frames = randomAnimation(frameCount, 7);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sheet.png"));
        ExportOptions options;
        options.scale = scale;
        options.pngMode = PngMode::SpriteSheet;
        const ExportResult result = exportAnimation(path, {frames, frameCount, 1, 301}, options);
        QVERIFY2(result.ok, qPrintable(result.error));
        const QImage sheet = QImageReader(path).read().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(sheet.size(), size);
        const int side = 16 * scale;
        for (int frame = 1; frame <= frameCount; ++frame) {
            const int column = (frame - 1) % 64;
            const int row = (frame - 1) / 64;
            QCOMPARE(sheet.copy(column * side, row * side, side, side),
                     BoardRendering::renderFrame(frameCells(frames, frame), scale));
        }
        if (frameCount % 64 != 0 && frameCount > 64)
            QCOMPARE(sheet.pixelColor(size.width() - 1, size.height() - 1),
                     BoardRendering::BoardGrey);
    }

    void rowWordSetsBitKForColumnK_data() {
        QTest::addColumn<QList<int>>("litColumns");
        QTest::addColumn<int>("word");
        QTest::newRow("none") << QList<int>{} << 0x0000;
        QTest::newRow("leftmost") << QList<int>{0} << 0x0001;
        QTest::newRow("rightmost") << QList<int>{15} << 0x8000;
        QTest::newRow("both ends") << QList<int>{0, 15} << 0x8001;
        QTest::newRow("columns 4 to 7") << QList<int>{4, 5, 6, 7} << 0x00F0;
        QList<int> all;
        for (int column = 0; column < 16; ++column)
            all << column;
        QTest::newRow("all") << all << 0xFFFF;
    }
    void rowWordSetsBitKForColumnK() {
        QFETCH(QList<int>, litColumns);
        QFETCH(int, word);
        std::array<std::uint8_t, 256> cells{};
        const int row = 6;
        for (int column = 0; column < 16; ++column)
            cells[row * 16 + column] = 2; // not lit: only 1 is
        for (int column : litColumns)
            cells[row * 16 + column] = FrameStore::Lit;
        QCOMPARE(int(CSourceExport::rowWord(cells, row)), word);
        QCOMPARE(int(CSourceExport::rowWord(cells, row - 1)), 0);
    }

    // Each layout end to end: the header compiled by the host's C compiler into a
    // program that reads every LED back the way firmware would, through
    // pgm_read_byte / pgm_read_word when the tables are in PROGMEM.
    void cHeaderCompilesToTheFrames_data() {
        QTest::addColumn<CHeaderLayout::Scan>("scan");
        QTest::addColumn<CHeaderLayout::BitOrder>("bitOrder");
        QTest::addColumn<bool>("progmem");
        QTest::addColumn<bool>("delays");
        QTest::addColumn<int>("frameCount");
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<QByteArray>("led"); // bit p of LED (f, r, c) from the tables
        QTest::addColumn<QString>("levels"); // none, planes or bytes
        QTest::addColumn<bool>("holds");
        using Scan = CHeaderLayout::Scan;
        using Order = CHeaderLayout::BitOrder;
        const auto row = [](const char* name, Scan scan, Order order, bool progmem, bool delays,
                            int frameCount, int intervalMs, const QByteArray& led,
                            const QString& levels = QString(), bool holds = false) {
            QTest::newRow(name) << scan << order << progmem << delays << frameCount << intervalMs
                                << led << levels << holds;
        };
        const QByteArray rowWords = "(WORD(&frames[f][r]) >> c) & 1";
        const QByteArray columnWords = "(WORD(&frames[f][c]) >> r) & 1";
        const QByteArray rowBytes = "(BYTE(&frames[f][2 * r + c / 8]) >> (7 - c % 8)) & 1";
        const QByteArray columnBytes = "(BYTE(&frames[f][2 * c + r / 8]) >> (7 - r % 8)) & 1";
        row("rows, lsb first, one frame", Scan::Rows, Order::LsbFirst, false, false, 1, 40,
            rowWords);
        row("rows, lsb first, PROGMEM", Scan::Rows, Order::LsbFirst, true, false, 4, 2672,
            rowWords);
        row("columns, lsb first", Scan::Columns, Order::LsbFirst, false, false, 3, 301,
            columnWords);
        row("columns, lsb first, PROGMEM, delays", Scan::Columns, Order::LsbFirst, true, true, 9,
            83, columnWords);
        row("rows, msb first (drawBitmap), PROGMEM, delays", Scan::Rows, Order::MsbFirst, true,
            true, 3, 301, rowBytes);
        row("columns, msb first, delays", Scan::Columns, Order::MsbFirst, false, true, 2, 40,
            columnBytes);
        row("on/off, hold times", Scan::Rows, Order::LsbFirst, false, true, 9, 301, rowWords, "",
            true);
        row("planes, rows, lsb first, hold times", Scan::Rows, Order::LsbFirst, false, true, 3, 301,
            "(WORD(&frames[f][p][r]) >> c) & 1", "planes", true);
        row("planes, columns, lsb first, PROGMEM", Scan::Columns, Order::LsbFirst, true, false, 2,
            40, "(WORD(&frames[f][p][c]) >> r) & 1", "planes");
        row("planes, rows, msb first, PROGMEM, delays", Scan::Rows, Order::MsbFirst, true, true, 4,
            83, "(BYTE(&frames[f][p][2 * r + c / 8]) >> (7 - c % 8)) & 1", "planes");
        row("planes, columns, msb first", Scan::Columns, Order::MsbFirst, false, false, 2, 301,
            "(BYTE(&frames[f][p][2 * c + r / 8]) >> (7 - r % 8)) & 1", "planes");
        row("bytes, rows, PROGMEM, hold times", Scan::Rows, Order::MsbFirst, true, true, 5, 2672,
            "BYTE(&frames[f][16 * r + c])", "bytes", true);
        row("bytes, columns", Scan::Columns, Order::LsbFirst, false, false, 2, 301,
            "BYTE(&frames[f][16 * c + r])", "bytes");
    }
    void cHeaderCompilesToTheFrames() {
        QFETCH(CHeaderLayout::Scan, scan);
        QFETCH(CHeaderLayout::BitOrder, bitOrder);
        QFETCH(bool, progmem);
        QFETCH(bool, delays);
        QFETCH(int, frameCount);
        QFETCH(int, intervalMs);
        QFETCH(QByteArray, led);
        QFETCH(QString, levels);
        QFETCH(bool, holds);
        const QString compiler = compilerPath();
        if (compiler.isEmpty())
            QSKIP("skipped: no C compiler on this system");
        QTemporaryDir dir;
        const FrameBytes frames = levels.isEmpty() ? randomAnimation(frameCount, 1234u + frameCount)
                                                   : levelAnimation(frameCount, 99u + frameCount);
        std::vector<std::uint16_t> holdMs;
        QByteArray delayLine;
        for (int frame = 0; frame < frameCount; ++frame) {
            holdMs.push_back(holds && frame % 3 != 1 ? std::uint16_t(40 + 6549 * frame) : 0);
            delayLine += QByteArray::number(holdMs.back() ? holdMs.back() : intervalMs) + ' ';
        }
        ExportOptions options;
        options.cHeader = {bitOrder, scan, progmem, delays,
                           levels == "bytes" ? CHeaderLayout::Levels::Bytes
                                             : CHeaderLayout::Levels::Planes};
        // Each mode in turn, as the macro's value: loop 0, ping-pong 1, once 2.
        const auto playMode = PlayMode(frameCount % 3);
        const ExportResult result = exportAnimation(
            dir.filePath(QStringLiteral("anim.h")),
            {frames, frameCount, 1, intervalMs, !levels.isEmpty(), holdMs, playMode}, options);
        QVERIFY2(result.ok, qPrintable(result.error));
        const QByteArray header = fileBytes(dir.filePath(QStringLiteral("anim.h")));
        QCOMPARE(header.contains("#include <avr/pgmspace.h>"), progmem);
        QCOMPARE(header.contains("#ifdef __AVR__"), progmem);
        QCOMPARE(header.contains(" PROGMEM = {"), progmem);
        QCOMPARE(header.contains("frame_delays_ms"), delays);
        for (int frame = 1; frame <= frameCount; ++frame)
            QVERIFY(header.contains("/* frame " + QByteArray::number(frame) + " */"));

        QFile main(dir.filePath(QStringLiteral("main.c")));
        QVERIFY(main.open(QIODevice::WriteOnly));
        main.write(QByteArray("#include <stdio.h>\n#include \"anim.h\"\n") +
                   (progmem ? "#define WORD pgm_read_word\n#define BYTE pgm_read_byte\n"
                            : "#define WORD(p) (*(p))\n#define BYTE(p) (*(p))\n") +
                   "#define PLANES " + (levels == "planes" ? "4" : "1") +
                   "\nstatic int bit(int f, int p, int r, int c) { (void)p; return " + led +
                   "; }\n"
                   "static int led(int f, int r, int c) {\n"
                   "    int p, level = 0;\n"
                   "    for (p = 0; p < PLANES; ++p)\n"
                   "        level |= bit(f, p, r, c) << p;\n"
                   "    return level;\n"
                   "}\n"
                   "int main(void) {\n"
                   "    int f, i;\n"
                   "    printf(\"%d %d %d\\n\", QUENTARO_FRAME_COUNT, QUENTARO_FRAME_INTERVAL_MS,\n"
                   "           QUENTARO_PLAY_MODE);\n"
                   "    for (f = 0; f < QUENTARO_FRAME_COUNT; ++f)\n"
                   "        for (i = 0; i < 257; ++i)\n"
                   "            putchar(i == 256 ? '\\n' : \"0123456789ABCDEF\"[led(f, i / 16, i % "
                   "16)]);\n" +
                   (delays ? "    for (f = 0; f < QUENTARO_FRAME_COUNT; ++f)\n"
                             "        printf(\"%u \", (unsigned)WORD(&frame_delays_ms[f]));\n"
                           : "") +
                   "    return 0;\n}\n");
        main.close();

        QProcess compile;
        compile.setWorkingDirectory(dir.path());
        compile.start(compiler, {"-std=c99", "-Wall", "-Wextra", "-pedantic", "-Werror", "-o",
                                 "frames", "main.c"});
        QVERIFY(compile.waitForFinished(60'000));
        QVERIFY2(compile.exitCode() == 0, compile.readAllStandardError().constData());
        QProcess run;
        run.start(dir.filePath(QStringLiteral("frames")), {});
        QVERIFY(run.waitForFinished(30'000));
        QCOMPARE(run.exitCode(), 0);

        const QList<QByteArray> lines = run.readAllStandardOutput().split('\n');
        QCOMPARE(lines.size(), 1 + frameCount + 1);
        QCOMPARE(lines[0], QByteArray::number(frameCount) + ' ' + QByteArray::number(intervalMs) +
                               ' ' + QByteArray::number(frameCount % 3));
        for (int frame = 1; frame <= frameCount; ++frame) {
            QByteArray expected;
            for (std::uint8_t cell : frameCells(frames, frame))
                expected += levels.isEmpty() ? (FrameStore::isLit(cell) ? '1' : '0')
                                             : "0123456789ABCDEF"[FrameStore::levelOf(cell)];
            QCOMPARE(lines[frame], expected);
        }
        QCOMPARE(lines.last(), delays ? delayLine : QByteArray());
    }

    void refusedExportsWriteNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("scale");
        QTest::addColumn<int>("frameCount");
        QTest::addColumn<int>("currentImage");
        QTest::addColumn<PngMode>("pngMode");
        QTest::addColumn<QString>("errorPart");
        const PngMode frame = PngMode::CurrentFrame;
        QTest::newRow("unknown extension")
            << "anim.bmp" << 8 << 3 << 1 << frame << ".gif, .png or .h";
        QTest::newRow("no extension") << "anim" << 8 << 3 << 1 << frame << ".gif, .png or .h";
        QTest::newRow("scale 0") << "anim.gif" << 0 << 3 << 1 << frame << "not 0";
        QTest::newRow("scale 17") << "anim.png" << 17 << 3 << 1 << frame << "not 17";
        QTest::newRow("no frames") << "anim.h" << 8 << 0 << 1 << frame << "no frames";
        QTest::newRow("image 0") << "anim.png" << 8 << 3 << 0 << frame << "no image 0";
        QTest::newRow("image past the end") << "anim.png" << 8 << 3 << 4 << frame << "no image 4";
        QTest::newRow("huge sprite sheet")
            << "anim.png" << 8 << 30000 << 1 << PngMode::SpriteSheet << "smaller scale";
    }
    void refusedExportsWriteNothing() {
        QFETCH(QString, name);
        QFETCH(int, scale);
        QFETCH(int, frameCount);
        QFETCH(int, currentImage);
        QFETCH(PngMode, pngMode);
        QFETCH(QString, errorPart);
        QTemporaryDir dir;
        const FrameBytes frames = randomAnimation(std::max(frameCount, 1), 3);
        ExportOptions options;
        options.scale = scale;
        options.pngMode = pngMode;
        const ExportResult result =
            exportAnimation(dir.filePath(name), {frames, frameCount, currentImage, 301}, options);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(errorPart), qPrintable(result.error));
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void failedWriteKeepsTheOldFile_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("gif") << "anim.gif";
        QTest::newRow("png") << "anim.png";
        QTest::newRow("c header") << "anim.h";
    }
    void failedWriteKeepsTheOldFile() {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const FrameBytes frames = randomAnimation(2, 11);
        const QString missing = dir.filePath(QStringLiteral("missing/") + name);
        ExportResult result = exportAnimation(missing, {frames, 2, 1, 301}, {});
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(QDir::toNativeSeparators(missing)),
                 qPrintable(result.error));
        QVERIFY(!QFile::exists(missing));

        // A directory in the way: the export fails, nothing else appears.
        const QString blocked = dir.filePath(name);
        QVERIFY(QDir(dir.path()).mkdir(name));
        result = exportAnimation(blocked, {frames, 2, 1, 301}, {});
        QVERIFY(!result.ok);
        QVERIFY(QFileInfo(blocked).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{name});
    }

    void exportReplacesAnExistingFileWhole() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ANIM.GIF"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100'000, 'x'));
        old.close();
        const FrameBytes frames = randomAnimation(2, 21);
        ExportOptions options;
        options.scale = 1;
        QVERIFY(exportAnimation(path, {frames, 2, 1, 301}, options).ok);
        const SlurpedGif gif = slurp(path);
        QVERIFY(gif);
        QCOMPARE(gif->ImageCount, 2);
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 1);

        options.scale = 99;
        const QByteArray before = fileBytes(path);
        QVERIFY(!exportAnimation(path, {frames, 2, 1, 301}, options).ok);
        QCOMPARE(fileBytes(path), before);
    }

    // Export writes as Save does, whatever lies under the name. Each export runs
    // in a child: one that blocks on a FIFO is ended instead of hanging the suite.
    void exportTargets_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("written");
        const std::pair<const char*, bool> targets[] = {
            {"new name", true},        {"file", true},           {"hard link", true},
            {"other owner", true},     {"link to a file", true}, {"FIFO", false},
            {"socket", false},         {"device", false},        {"link to a device", false},
            {"file size limit", false}};
        for (const char* name : {"anim.gif", "anim.png", "anim.h"})
            for (const auto& [target, written] : targets)
                QTest::addRow("%s, %s", name, target) << name << target << written;
    }
    void exportTargets() {
        QFETCH(QString, name);
        QFETCH(QString, target);
        QFETCH(bool, written);
        if ((target.contains("device") || target.contains("owner")) && ::geteuid() != 0)
            QSKIP("skipped: making a device or giving a file away needs root");
        const FrameBytes frames = randomAnimation(3, 5);
        QTemporaryDir reference;
        QVERIFY(exportAnimation(reference.filePath(name), {frames, 3, 2, 301}, {}).ok);
        const QByteArray expected = fileBytes(reference.filePath(name));
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        const QString other = dir.filePath(QStringLiteral("other"));
        QVERIFY(makeTarget(target, QFile::encodeName(path), QFile::encodeName(other)));
        const auto entries = [&dir] {
            return QDir(dir.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        };
        const QStringList entriesBefore =
            entries() + (target == "new name" ? QStringList{name} : QStringList{});
        const QString before = describe(path);

        const std::optional<QByteArray> report = runInChild(
            [&] {
                const rlimit limit{rlim_t(expected.size() - 1), RLIM_INFINITY};
                if (target == "file size limit" &&
                    (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &limit)))
                    return QByteArray("cannot limit the file size");
                const ExportResult result = exportAnimation(path, {frames, 3, 2, 301}, {});
                return (result.ok ? "1" : "0") + result.error.toUtf8();
            },
            10);

        QVERIFY2(report, "the export blocked or died");
        QVERIFY2(report->startsWith(written ? '1' : '0'), report->constData());
        QCOMPARE(entries(), entriesBefore); // and no temporary file left behind
        if (target != "new name")
            QCOMPARE(describe(path), before);
        if (QFileInfo(path).isFile())
            QCOMPARE(fileBytes(path), written ? expected : QByteArray("old\n"));
        if (target == "hard link")
            QCOMPARE(fileBytes(other), expected);
    }
    // Export from the window, of a file whose name is markup: the dialog offers
    // the animation's name as a GIF, in its folder, and when the export ends a
    // message says as plain text what was written where, or why nothing was.
    void exportFromTheWindow_data() {
        QTest::addColumn<QString>("opened"); // a file, a slideshow's entry or nothing
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("says"); // %1: the path chosen
        const QString name = QStringLiteral("<img src='zero'>walk");
        const auto row = [&](const char* tag, const char* opened, const QString& offered,
                             const QString& chosen, const char* says) {
            QTest::newRow(tag) << opened << offered << chosen << says;
        };
        row("loaded, as a GIF", "file", name + ".gif", name + ".gif",
            "Wrote 3 frames as an animated GIF to\n%1");
        row("loaded, as a C header", "file", name + ".gif", name + ".h",
            "Wrote 3 frames as a C header to\n%1");
        row("loaded, the current image as a PNG", "file", name + ".gif", name + ".png",
            "Wrote image 1 of 3 as a PNG picture to\n%1");
        row("a slideshow's entry", "slideshow", name + ".gif", "show.gif",
            "Wrote 3 frames as an animated GIF to\n%1");
        row("never saved", "", "animation.gif", "new.gif",
            "Wrote 1 frame as an animated GIF to\n%1");
        row("refused: a FIFO", "file", name + ".gif", name + ".gif", "%1 could not be exported:\n");
    }
    void exportFromTheWindow() {
        QFETCH(QString, opened);
        QFETCH(QString, offered);
        QFETCH(QString, chosen);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const QString name = QStringLiteral("<img src='zero'>walk");
        const FrameBytes frames = randomAnimation(3, 7);
        QVERIFY(AnimationFile::save(dir.filePath(name + ".led"), frames).ok);
        QFile playlist(dir.filePath(QStringLiteral("show.pat")));
        QVERIFY(playlist.open(QIODevice::WriteOnly) && playlist.write(name.toUtf8()) > 0);
        playlist.close();
        EditorFixture f;
        if (opened == "file")
            QCOMPARE(f->openAnimation(dir.filePath(name + ".led")), QString());
        if (opened == "slideshow")
            QCOMPARE(f->openPlaylist(playlist.fileName()), QString());
        const QString path = dir.filePath(chosen);
        const bool refused = says.contains("could not");
        if (refused)
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0644) == 0);

        QString suggestion, shown;
        ModalAnswers answers([&](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
                suggestion = files->selectedFiles().value(0);
                files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
                static_cast<QDialog*>(files)->accept();
            } else if (box != nullptr && box->button(QMessageBox::Yes) != nullptr) {
                box->button(QMessageBox::Yes)->click(); // to replace what is there
            } else if (box != nullptr) {
                shown = shownText(*box);
                box->accept();
            } else {
                qobject_cast<QDialog*>(dialog)->accept(); // the settings
            }
        });
        QWidget window;
        Sharing::exportAnimation(&window, *f);

        QCOMPARE(QFileInfo(suggestion).fileName(), offered);
        if (!opened.isEmpty())
            QCOMPARE(suggestion, dir.filePath(offered));
        const QString expected = says.arg(path);
        if (refused) // and why
            QVERIFY2(shown.startsWith(expected) && shown.size() > expected.size(),
                     qPrintable(shown));
        else
            QCOMPARE(shown, expected);
        QCOMPARE(answers.leftOpen(), 0);
        QCOMPARE(QFileInfo(path).isFile(), !refused);
    }
};

QTEST_MAIN(TestExport)
#include "test_export.moc"
