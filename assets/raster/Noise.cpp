#include "assets/raster/Noise.h"

#include <cmath>

namespace skin
{
namespace
{

// A well-mixed hash of a lattice point: every bit of the input reaches every bit of the output.
float LatticeValue(int64_t x, int64_t y, uint32_t seed)
{
    uint64_t h = uint64_t(x) * 0x9E3779B97F4A7C15ull ^ uint64_t(y) * 0xC2B2AE3D27D4EB4Full ^ seed;
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 27;
    h *= 0x94D049BB133111EBull;
    h ^= h >> 31;
    return float(h >> 40) / float(1 << 24);
}

double Smooth(double t)
{
    return t * t * (3 - 2 * t);
}

double ValueNoise(double x, double y, uint32_t seed)
{
    const double fx = std::floor(x), fy = std::floor(y);
    const int64_t ix = int64_t(fx), iy = int64_t(fy);
    const double u = Smooth(x - fx), v = Smooth(y - fy);
    const double top = LatticeValue(ix, iy, seed) * (1 - u) + LatticeValue(ix + 1, iy, seed) * u;
    const double bottom = LatticeValue(ix, iy + 1, seed) * (1 - u) + LatticeValue(ix + 1, iy + 1, seed) * u;
    return top * (1 - v) + bottom * v;
}

} // namespace

Mask FractalNoise(int width, int height, double cellX, double cellY, int octaves, uint32_t seed)
{
    Mask noise(width, height);
    if (cellX <= 0 || cellY <= 0 || octaves < 1)
        return noise;
    double total = 0;
    for (int o = 0; o < octaves; ++o)
        total += std::ldexp(1.0, -o);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            double sum = 0;
            for (int o = 0; o < octaves; ++o)
            {
                const double scale = std::ldexp(1.0, o);
                sum += std::ldexp(1.0, -o) *
                       ValueNoise((x + 0.5) * scale / cellX, (y + 0.5) * scale / cellY, seed + uint32_t(o) * 7919u);
            }
            noise.Set(x, y, float(sum / total));
        }
    return noise;
}

} // namespace skin
