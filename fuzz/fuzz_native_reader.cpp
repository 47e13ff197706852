// libFuzzer target for the program's own animation file reader and writer.
#include "files/NativeFormat.h"

#include <QByteArrayView>
#include <algorithm>
#include <cstdlib>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

bool holdable(std::uint16_t ms) {
    return ms == 0 || ms >= NativeFormat::MinHoldMs;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const NativeFormat::ReadResult r = NativeFormat::read(text);
    if (!r.ok()) {
        // All or nothing, and always a reason.
        check(r.animation == NativeAnimation() && !r.message.empty());
        check(NativeFormat::hasMagic(text) || r.error == NativeFormat::ReadError::BadMagic);
        return 0;
    }

    // What a successful read gives keeps the format's limits.
    const NativeAnimation& a = r.animation;
    const int frames = a.frameCount();
    check(frames >= 1 && frames <= NativeFormat::MaxFrames);
    check(a.levels.size() == std::size_t(frames) * 256 && a.holdMs.size() == std::size_t(frames));
    check(std::all_of(a.levels.begin(), a.levels.end(), [](auto l) { return l <= 15; }));
    check(std::all_of(a.holdMs.begin(), a.holdMs.end(), holdable));
    check(a.name.size() <= NativeFormat::MaxNameBytes);
    check(QByteArrayView(a.name.data(), qsizetype(a.name.size())).isValidUtf8());
    check(a.speedMs >= 40 && a.speedMs <= 2672 && a.levelCount == 16);

    // Written back, it reads back the same, and writes the same bytes again.
    const std::string again = NativeFormat::write(a);
    const NativeFormat::ReadResult back = NativeFormat::read(again);
    check(back.ok() && back.animation == a);
    check(NativeFormat::write(back.animation) == again);

    // On/off frames survive the trip through an editor's frame store.
    const NativeFormat::LedStore store = NativeFormat::toLedStore(a);
    check(store.frames.size() == a.levels.size());
    check(NativeFormat::toLedStore(NativeFormat::fromLedStore(store.frames)).frames ==
          store.frames);
    check(store.lost.empty() == (a.name.empty() && a.speedMs == 301 && !a.hasHoldTimes() &&
                                 a.playMode == NativeAnimation::PlayMode::Loop && !a.hasLevels()));
    return 0;
}
