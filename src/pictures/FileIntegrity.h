#pragma once

#include <QByteArray>

// Qt decodes a BMP or a JPEG that is cut short without complaint, filling in what
// is missing. Their own structure tells.
namespace FileIntegrity {

// A BMP shorter than its file header, than the length given in it, or than the
// pixels its size and depth call for (its run-length codes for a compressed one).
bool bmpCutShort(const QByteArray& bytes);

// A JPEG whose segments run out before the end-of-image marker. Data after that
// marker (as in motion photos) is no damage.
bool jpegCutShort(const QByteArray& bytes);

} // namespace FileIntegrity
