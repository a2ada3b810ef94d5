// Texture for the skin's materials: smooth value noise, the same for the same seed on every
// machine, so the felt's nap and the wood's grain come out identical at every build.
#pragma once

#include "assets/raster/Mask.h"

#include <cstdint>

namespace skin
{

// Values 0..1 on a width x height grid: a lattice of random values every cellX by cellY pixels,
// smoothly interpolated, and octaves - 1 finer layers at half the cell and half the weight each.
// Long thin cells (cellX much larger than cellY) give streaks along x, as in wood grain.
Mask FractalNoise(int width, int height, double cellX, double cellY, int octaves, uint32_t seed);

} // namespace skin
