// libFuzzer target for the picture import: whatever the bytes, reading gives
// either pictures within the limits or an error and none, and the pictures reduce
// to frames of dark and lit cells only, in every fit.
#include "pictures/GifScan.h"
#include "pictures/PictureImport.h"

#include <QBuffer>
#include <QCoreApplication>

#include <cstdlib>
#include <memory>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

// The image format plugins (GIF, JPEG) are found through the application.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static const auto app = std::make_unique<QCoreApplication>(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const PictureImport::ImportResult result = PictureImport::readPictures(buffer);
    check(result.ok == result.error.isEmpty());
    check(result.ok != result.pictures.empty());
    if (!result.ok)
        return 0;

    check(static_cast<int>(result.pictures.size()) <= PictureImport::MaxFrames);
    if (GifScan::looksLikeGif(bytes))
        check(GifScan::countFrames(bytes, PictureImport::MaxFrames) ==
              static_cast<int>(result.pictures.size()));
    const int threshold = PictureImport::meanBrightness(result.pictures);
    check(threshold >= 0 && threshold <= 255);
    using PictureImport::Fit;
    for (const Fit fit : {Fit::Stretch, Fit::Letterbox, Fit::Crop}) {
        const auto frames = PictureImport::toFrames(result.pictures, threshold, false, fit);
        check(frames.size() == result.pictures.size());
        for (const auto& frame : frames)
            for (const std::uint8_t cell : frame)
                check(cell == FrameStore::Dark || cell == FrameStore::Lit);
    }
    return 0;
}
