#include "ui/Artwork.h"

#include <QDir>
#include <QSvgRenderer>
#include <QtTest>

using Artwork::Icon;

namespace {

constexpr int IconCount = static_cast<int>(Icon::MonitorDark) + 1;

QImage icon21(Icon icon) {
    return Artwork::buttonIcon(icon)
        .pixmap(QSize(21, 21), 1.0)
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

int brightRedPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.alpha() > 128 && c.red() > 200 && c.green() < 100 && c.blue() < 100;
        }
    return count;
}

// The dark pixels of a label, cut to their bounding box, so that the same number
// drawn at two places compares equal.
QImage labelInk(const QImage& board, const QRect& area) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(board.pixel(x, y)) < 80)
                box |= QRect(x, y, 1, 1);
    if (box.isEmpty())
        return {};
    QImage ink(box.size(), QImage::Format_Mono);
    for (int y = 0; y < box.height(); ++y)
        for (int x = 0; x < box.width(); ++x)
            ink.setPixel(x, y, qGray(board.pixel(box.left() + x, box.top() + y)) < 80);
    return ink;
}

} // namespace

class TestArtwork : public QObject {
    Q_OBJECT

private slots:
    void everyIconFileRendersAndIsUsed() {
        Artwork::buttonIcon(Icon::Up); // makes sure the resources are registered
        const QStringList files = QDir(QStringLiteral(":/icons")).entryList({"*.svg"});
        QCOMPARE(files.size(), IconCount + 6); // and the frame strip's six commands
        for (const QString& file : files) {
            QSvgRenderer svg(QStringLiteral(":/icons/") + file);
            QVERIFY2(svg.isValid(), qPrintable(file));
            QCOMPARE(svg.viewBox(), QRect(0, 0, 21, 21));
        }
    }

    void iconsHaveBothDensitiesAndDiffer() {
        QList<QImage> seen;
        for (int i = 0; i < IconCount; ++i) {
            const QIcon icon = Artwork::buttonIcon(static_cast<Icon>(i));
            QCOMPARE(icon.pixmap(QSize(21, 21), 2.0).size(), QSize(42, 42));
            const QImage image = icon21(static_cast<Icon>(i));
            QCOMPARE(image.size(), QSize(21, 21));
            int opaque = 0;
            for (int y = 0; y < 21; ++y)
                for (int x = 0; x < 21; ++x)
                    opaque += qAlpha(image.pixel(x, y)) > 128;
            QVERIFY2(opaque > 40, qPrintable(QString::number(i)));
            QVERIFY2(!seen.contains(image), qPrintable(QString::number(i)));
            seen.append(image);
        }
    }

    void iconsAreBuiltOnce() {
        QCOMPARE(Artwork::buttonIcon(Icon::Play).cacheKey(),
                 Artwork::buttonIcon(Icon::Play).cacheKey());
        QVERIFY(Artwork::buttonIcon(Icon::Play).cacheKey() !=
                Artwork::buttonIcon(Icon::StopSquare).cacheKey());
        QCOMPARE(&Artwork::boardBackground(), &Artwork::boardBackground());
        QCOMPARE(&Artwork::litLed(), &Artwork::litLed());
    }

    void togglePairsShowTheirState() {
        QVERIFY(brightRedPixels(icon21(Icon::LedLit)) > 20);
        QCOMPARE(brightRedPixels(icon21(Icon::LedDark)), 0);
        QVERIFY(brightRedPixels(icon21(Icon::MonitorBright)) > 20);
        QCOMPARE(brightRedPixels(icon21(Icon::MonitorDark)), 0);
        QVERIFY(brightRedPixels(icon21(Icon::PlugCrossed)) > 10);
        QCOMPARE(brightRedPixels(icon21(Icon::Plug)), 0);
    }

    void windowIconHasTheUsualSizes() {
        const QList<QSize> sizes = Artwork::windowIcon().availableSizes();
        for (int size : {16, 32, 48, 64})
            QVERIFY(sizes.contains(QSize(size, size)));
    }

    void everyCellOfTheBoardIsTheSame() {
        const QImage board = Artwork::boardBackground().toImage();
        QCOMPARE(board.size(), QSize(Artwork::BoardSize, Artwork::BoardSize));
        const QImage first = board.copy(16, 16, 16, 16);
        for (int row = 0; row < 16; ++row)
            for (int col = 0; col < 16; ++col)
                QCOMPARE(board.copy(16 + 16 * col, 16 + 16 * row, 16, 16), first);
        const QColor centre = first.pixelColor(8, 8);
        QVERIFY(centre.red() > centre.green() + 30 && centre.red() < 160);
    }

    void litLedReplacesExactlyTheDarkDome() {
        const QImage cell = Artwork::boardBackground().toImage().copy(16, 16, 16, 16);
        const QImage lit = Artwork::litLed().toImage().convertToFormat(cell.format());
        QCOMPARE(lit.size(), QSize(16, 16));
        QVERIFY(brightRedPixels(lit) > 40);
        const QRgb boardGrey = cell.pixel(0, 0);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const bool inDome = QLineF(x + 0.5, y + 0.5, 8, 8).length() < 7.5;
                if (!inDome)
                    QCOMPARE(lit.pixel(x, y), cell.pixel(x, y));
                else if (cell.pixel(x, y) != boardGrey &&
                         QLineF(x + 0.5, y + 0.5, 8, 8).length() < 6)
                    QVERIFY(lit.pixel(x, y) != cell.pixel(x, y));
            }
    }

    void labelsNumberColumnsFromTheLeftAndRowsFromTheBottom() {
        const QImage board = Artwork::boardBackground().toImage();
        const auto top = [&](int col) { return labelInk(board, QRect(16 + 16 * col, 2, 16, 13)); };
        const auto bottom = [&](int col) {
            return labelInk(board, QRect(16 + 16 * col, 273, 16, 14));
        };
        const auto left = [&](int row) { return labelInk(board, QRect(2, 16 + 16 * row, 13, 16)); };
        const auto right = [&](int row) {
            return labelInk(board, QRect(273, 16 + 16 * row, 14, 16));
        };
        QVERIFY(top(0).width() < top(15).width());   // "1" ... "16"
        QVERIFY(left(0).width() > left(15).width()); // "16" ... "1"
        for (int i = 0; i < 16; ++i) {
            QVERIFY(!top(i).isNull());
            QCOMPARE(bottom(i), top(i));
            QCOMPARE(right(i), left(i));
            QCOMPARE(left(15 - i), top(i)); // column i + 1 and row i + 1 carry the same number
        }
        QVERIFY(top(2) != top(7));
    }
};

QTEST_MAIN(TestArtwork)
#include "test_artwork.moc"
