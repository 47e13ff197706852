#pragma once

#include <QByteArray>

// A GIF's structure checked block by block, without decoding any picture: what
// Qt's lenient GIF reader does not say is whether the file is whole.
namespace GifScan {

constexpr int Damaged = -1;

bool looksLikeGif(const QByteArray& bytes);

// The number of frames, counting stops once past `limit` (limit + 1 is returned
// then); Damaged when a block is cut short or malformed or the trailer is missing.
int countFrames(const QByteArray& bytes, int limit);

} // namespace GifScan
