#include "ui/RegionClipboard.h"

#include "pictures/PictureImport.h"

#include <QBuffer>
#include <QImageReader>
#include <QLocale>
#include <QStringList>
#include <algorithm>

namespace RegionClipboard {

namespace {

constexpr int FarOff = 4 * FrameStore::Side; // LEDs moved off the board stay within this
constexpr int MostLeds = 4 * FrameStore::CellsPerFrame;
// The longest line is "-64 -64 15\n": every LED there is fits in a fifth of this.
constexpr qsizetype MostBytes = 64 * 1024;

std::uint8_t valueOf(int level, bool levels) {
    if (levels)
        return FrameStore::cellForLevel(level);
    return level >= FrameStore::HalfLevel ? FrameStore::Lit : FrameStore::Dark;
}

QByteArray encode(const Region& region, bool levels) {
    QByteArray text;
    for (const Region::Led& led : region.leds())
        text += QByteArray::number(led.at.x) + ' ' + QByteArray::number(led.at.y) + ' ' +
                QByteArray::number(FrameStore::levelOf(led.value, levels)) + '\n';
    return text;
}

std::optional<int> number(const QByteArray& field, int low, int high) {
    bool ok = false;
    const int n = field.toInt(&ok);
    return ok && n >= low && n <= high ? std::optional(n) : std::nullopt;
}

// The size is checked before the text is split: a line of its own for each of
// millions of newlines would take gigabytes.
std::optional<Region> decode(const QByteArray& text, bool levels) {
    if (text.size() > MostBytes || text.count('\n') > MostLeds)
        return std::nullopt;
    const QList<QByteArray> lines = text.split('\n');
    std::vector<Region::Led> leds;
    for (const QByteArray& line : lines) {
        if (line.isEmpty())
            continue;
        const QList<QByteArray> f = line.split(' ');
        if (f.size() != 3)
            return std::nullopt;
        const auto x = number(f[0], -FarOff, FarOff), y = number(f[1], -FarOff, FarOff);
        const auto level = number(f[2], 0, FrameStore::MaxLevel);
        if (!x || !y || !level)
            return std::nullopt;
        leds.push_back({{*x, *y}, valueOf(*level, levels)});
    }
    if (leds.empty())
        return std::nullopt;
    return Region::fromLeds(std::move(leds));
}

// Grey 0..255 as the import takes it: at the nearest level, or lit from half
// as bright as white.
FrameStore::Frame ledsOf(const PictureImport::Cells& grey, bool levels) {
    return levels ? PictureImport::shades(grey, false, PictureImport::Dither::None)
                  : PictureImport::threshold(grey, 128, false);
}

// A picture that fits on the board, a pixel an LED.
Region fromSmallPicture(const QImage& picture, bool levels) {
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    PictureImport::Cells grey{};
    Selection::Cells opaque;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb pixel = argb.pixel(x, y);
            const auto cell = static_cast<std::size_t>(y * FrameStore::Side + x);
            grey[cell] = static_cast<std::uint8_t>(qGray(pixel));
            opaque.set(cell, qAlpha(pixel) >= 128);
        }
    return Region::lift(ledsOf(grey, levels), Selection(opaque));
}

// What another program offers in this program's form can be of any size.
QString ownFormatRefusal(qsizetype bytes) {
    if (bytes <= MostBytes)
        return {};
    const QLocale c = QLocale::c();
    return QStringLiteral("the LEDs on the clipboard take %1; at most %2 are taken")
        .arg(c.formattedDataSize(bytes), c.formattedDataSize(MostBytes, 0));
}

// The picture's size from its file's header where another program offers one,
// so that a picture too large is refused before it is decoded.
QSize pictureSize(const QMimeData& data) {
    for (const QString& format : data.formats()) {
        if (!format.startsWith(QLatin1String("image/")))
            continue;
        QByteArray bytes = data.data(format);
        QBuffer file(&bytes);
        if (const QSize size = QImageReader(&file).size(); size.isValid())
            return size;
    }
    return qvariant_cast<QImage>(data.imageData()).size();
}

} // namespace

std::unique_ptr<QMimeData> toMimeData(const Region& region, bool levels) {
    auto data = std::make_unique<QMimeData>();
    data->setData(QString::fromLatin1(MimeType), encode(region, levels));
    data->setImageData(toPicture(region, levels));
    return data;
}

// The picture spans the LEDs on the board, from the board's top-left corner,
// so that pasting it back puts every LED where it was.
QImage toPicture(const Region& region, bool levels) {
    QImage picture(FrameStore::Side, FrameStore::Side, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    for (const Region::Led& led : region.leds()) {
        if (!Drawing::onBoard(led.at))
            continue;
        const int grey = FrameStore::levelOf(led.value, levels) * 255 / FrameStore::MaxLevel;
        picture.setPixel(led.at.x, led.at.y, qRgb(grey, grey, grey));
    }
    return picture;
}

std::optional<Region> fromMimeData(const QMimeData& data, bool levels) {
    const QString own = QString::fromLatin1(MimeType);
    if (data.hasFormat(own))
        return decode(data.data(own), levels);
    if (!data.hasImage())
        return std::nullopt;
    const QImage picture = qvariant_cast<QImage>(data.imageData());
    if (picture.isNull())
        return std::nullopt;
    return fromPicture(picture, levels);
}

QString refusal(const QMimeData* data) {
    if (data == nullptr)
        return {};
    if (const QString own = QString::fromLatin1(MimeType); data->hasFormat(own))
        return ownFormatRefusal(data->data(own).size());
    if (!data->hasImage())
        return {};
    const QSize size = pictureSize(*data);
    if (size.width() <= PictureImport::MaxSide && size.height() <= PictureImport::MaxSide)
        return {};
    return QStringLiteral("the picture on the clipboard is %1 × %2 pixels; at most %3 × %3 are "
                          "taken")
        .arg(size.width())
        .arg(size.height())
        .arg(PictureImport::MaxSide);
}

Region fromPicture(const QImage& picture, bool levels) {
    if (picture.width() <= FrameStore::Side && picture.height() <= FrameStore::Side)
        return fromSmallPicture(picture, levels);
    const PictureImport::Cells grey =
        PictureImport::greyLevels(picture, PictureImport::Fit::Letterbox);
    return Region::lift(ledsOf(grey, levels), Selection::all());
}

} // namespace RegionClipboard
