#pragma once

#include <QByteArray>
#include <QSize>
#include <vector>

// A GIF's structure checked block by block, without decoding any picture: what
// Qt's lenient GIF reader does not say is whether the file is whole.
namespace GifScan {

constexpr int Damaged = -1;
// A frame without a graphic control block, which gives it no delay.
constexpr int NoDelay = -1;

bool looksLikeGif(const QByteArray& bytes);

struct Summary {
    int frames = Damaged;
    // The logical screen, grown to take in every frame: at most what a decoder
    // allocates for each frame, whatever the screen says.
    QSize canvas;
    // Each frame's delay in hundredths of a second, or NoDelay.
    std::vector<int> delays;
};

// The number of frames, counting stops once past `limit` (limit + 1 is returned
// then); Damaged when a block is cut short or malformed or the trailer is missing.
Summary scan(const QByteArray& bytes, int limit);
int countFrames(const QByteArray& bytes, int limit);

} // namespace GifScan
