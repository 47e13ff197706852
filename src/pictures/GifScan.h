#pragma once

#include <QByteArray>
#include <QSize>

// A GIF's structure checked block by block, without decoding any picture: what
// Qt's lenient GIF reader does not say is whether the file is whole.
namespace GifScan {

constexpr int Damaged = -1;

bool looksLikeGif(const QByteArray& bytes);

struct Summary {
    int frames = Damaged;
    // The logical screen, grown to take in every frame: at most what a decoder
    // allocates for each frame, whatever the screen says.
    QSize canvas;
};

// The number of frames, counting stops once past `limit` (limit + 1 is returned
// then); Damaged when a block is cut short or malformed or the trailer is missing.
Summary scan(const QByteArray& bytes, int limit);
int countFrames(const QByteArray& bytes, int limit);

} // namespace GifScan
