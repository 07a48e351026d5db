#pragma once
// The benchmarks' photograph-like picture: smooth gradients, hard edges and
// mild noise, so that codecs and effects do realistic work. The same seed
// gives the same pixels in every benchmark.

#include "imaging/Bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace ardane::bench {

inline imaging::Bitmap makeTestImage(int width, int height)
{
    imaging::Bitmap bitmap = imaging::Bitmap::create(width, height, 24);
    std::uint32_t seed = 12345;
    for (int y = 0; y < height; ++y) {
        uchar* row = bitmap.image().scanLine(y);
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int((seed >> 24) & 15) - 8;
            const bool band = ((x / 400) + (y / 300)) % 2 == 0;
            row[3 * x] = uchar(std::clamp(x * 255 / width + noise, 0, 255));
            row[3 * x + 1] = uchar(std::clamp(y * 255 / height + noise, 0, 255));
            row[3 * x + 2] = uchar(std::clamp((band ? 200 : 60) + int(40 * std::sin(x * 0.01)) + noise, 0, 255));
        }
    }
    return bitmap;
}

} // namespace ardane::bench
