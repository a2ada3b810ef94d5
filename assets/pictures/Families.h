// The families of pictures, one file each; SkinPictures() (assets/Picture.cpp) gathers them.
#pragma once

#include "assets/Picture.h"

#include <vector>

namespace skin
{

// The chair buttons a player clicks to sit down: images/base/btn/chair1 and chair2.
std::vector<Picture> ChairPictures();
// The message box and the settings dialog: images/base/message, ok, cancel and images/base/set/.
std::vector<Picture> DialogPictures();
// The title bar's buttons, the replay controls, the table's big buttons and the net-speed light.
std::vector<Picture> WindowButtonPictures();
// The lists' parts: scrollbars, header lines, the quick-chat list's and the player menu's grounds.
std::vector<Picture> ListPictures();
// The chat input's ground and buttons, the bulletin strip and the speech bubbles.
std::vector<Picture> ChatPictures();
// The shared portraits: UserImage/default0 and default1 (n_6, show_n, n.jpg), UserImage/Head/.
std::vector<Picture> PortraitPictures();
// The user list's membership marks: images/base/vip1..6, hvip1..6 and 25.bmp.
std::vector<Picture> BadgePictures();
// The game's ground images/data/bg and the portrait frames images/data/show_frame(_flash).
std::vector<Picture> TablePictures();
// The playing cards: images/cards/card and card_small, the 54 faces and the back.
std::vector<Picture> CardPictures();
// The landlord game's buttons, marks, clock, settlement panel and animations: images/landlord/.
std::vector<Picture> LandlordPictures();

} // namespace skin
