#include "export/GifScan.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace GifScan {
namespace {

struct Source {
    const QByteArray& bytes;
    qsizetype position = 0;
};

int readFromSource(GifFileType* gif, GifByteType* out, int length) {
    auto* source = static_cast<Source*>(gif->UserData);
    const qsizetype count = std::min<qsizetype>(length, source->bytes.size() - source->position);
    std::memcpy(out, source->bytes.constData() + source->position, static_cast<size_t>(count));
    source->position += count;
    return static_cast<int>(count);
}

struct GifCloser {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};

bool skipImage(GifFileType* gif) {
    if (DGifGetImageDesc(gif) == GIF_ERROR)
        return false;
    int codeSize = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR)
        return false;
    while (block)
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR)
            return false;
    return true;
}

bool skipExtension(GifFileType* gif) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return false;
    while (block)
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return false;
    return true;
}

} // namespace

bool looksLikeGif(const QByteArray& bytes) {
    return bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a");
}

int countFrames(const QByteArray& bytes, int limit) {
    Source source{bytes};
    int error = 0;
    const std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, readFromSource, &error));
    if (!gif)
        return Damaged;
    int frames = 0;
    while (frames <= limit) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
            return Damaged;
        switch (type) {
        case IMAGE_DESC_RECORD_TYPE:
            if (!skipImage(gif.get()))
                return Damaged;
            ++frames;
            break;
        case EXTENSION_RECORD_TYPE:
            if (!skipExtension(gif.get()))
                return Damaged;
            break;
        case TERMINATE_RECORD_TYPE:
            return frames;
        default:
            return Damaged;
        }
    }
    return frames;
}

} // namespace GifScan
