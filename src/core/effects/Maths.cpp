#include "effects/Maths.h"

namespace Effects::Maths {

namespace {

// 3t^2 - 2t^3 for t in 0..256.
int ease(int t) {
    return t * t * (768 - 2 * t) >> 16;
}

int blend(int a, int b, int t) {
    return a + ((b - a) * t >> 8);
}

} // namespace

int noise(int x, int y, int z, std::uint32_t seed) {
    const int cx = x >> 8, cy = y >> 8, cz = z >> 8;
    const int tx = ease(x & 255), ty = ease(y & 255), tz = ease(z & 255);
    int plane[2];
    for (int dz = 0; dz < 2; ++dz) {
        const int top = blend(hash(cx, cy, cz + dz, seed), hash(cx + 1, cy, cz + dz, seed), tx);
        const int bottom =
            blend(hash(cx, cy + 1, cz + dz, seed), hash(cx + 1, cy + 1, cz + dz, seed), tx);
        plane[dz] = blend(top, bottom, ty);
    }
    return blend(plane[0], plane[1], tz);
}

} // namespace Effects::Maths
