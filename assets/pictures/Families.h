// The families of pictures, one file each; SkinPictures() (assets/Picture.cpp) gathers them.
#pragma once

#include "assets/Picture.h"

#include <vector>

namespace skin
{

// The chair buttons a player clicks to sit down: images/base/btn/chair1 and chair2.
std::vector<Picture> ChairPictures();

} // namespace skin
