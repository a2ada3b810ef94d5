// The gallery's one screen: every skinned widget of the library live, with the default skin, on the
// table's background picture, each under a short caption. The page is the table view of the
// gallery (the animation layer, the bubble and the bulletin belong to a view); it owns the pieces
// and keeps them moving: the chat list takes a queued line now and then, the bubble is said again
// before it would hide, the bulletin takes the next announcement when one has gone.
//
// For the check the page names each piece with its rectangle on the screen and draws its ground
// (the picture, the captions and the plates under the pieces) alone, so that a piece that draws
// nothing can be told from one that does.
#pragma once

#include "pop/Listeners.h"
#include "pop/Point.h"
#include "tessaro/view/GameViewBase.h"
#include "tessaro/widgets/Timer.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace Sexy
{
class ChatListWidget;
class Font;
class Image;
class MemoryImage;
class MenuWidget;
class RichListWidget;
class SkinListWidget;
class SkinEditWidget;
class SkinScrollbarWidget;
class SkinSlider;
} // namespace Sexy

namespace Ostra
{
class AnimLayer;
class ChatShowWidget;
class Marquee;
} // namespace Ostra

namespace gallery
{

inline constexpr int kScreenWidth = 1024;
inline constexpr int kScreenHeight = 718;

// The skin list and the 15-column rich list (Sexy::SkinListWidget and Sexy::RichListWidget) stand
// here, on a dark well.
inline const Sexy::Rect kListsArea(24, 100, 560, 260);

// A piece of the page and the part of the screen it draws in.
struct Piece
{
    std::string name;
    Sexy::Rect rect;
};

// Of the pixels of rect, how many differ plainly from the ground (the channels' distances adding up
// to more than 24). Both images are the screen's size; the part of rect outside them is ignored.
int CountDrawn(const Sexy::Image& screen, const Sexy::Image& ground, const Sexy::Rect& rect);
// A piece holds drawn content when at least one pixel in a hundred of its rectangle (and at least
// 20) is drawn. Writes "ok <name>" or "EMPTY <name> ..." per piece to out; returns the number of
// empty pieces.
int CheckPieces(const Sexy::Image& screen, const Sexy::Image& ground, const std::vector<Piece>& pieces, std::FILE* out);

class GalleryPage : public Ostra::GameViewBase, public Sexy::SliderListener
{
public:
    explicit GalleryPage(Ostra::GameAppBase* app);
    ~GalleryPage() override;

    // The pieces in the order the check reports them.
    std::vector<Piece> Pieces() const;
    // The page without its pieces, the screen's size.
    std::unique_ptr<Sexy::MemoryImage> DrawGround();

    void Update() override;
    void Draw(Sexy::Graphics* g) override;
    void DrawGameBG(Sexy::Graphics* g) override;
    void DrawUserShow(Sexy::Graphics* g) override;
    void Resize(int x, int y, int width, int height) override;
    using GameViewBase::Resize;
    void OnTimer(int id) override;

    // A menu line or a list row was clicked, a line typed into the field, the slider moved: each is said in the
    // chat list.
    void ListClicked(int id, int row, int clickCount) override;
    void EditWidgetText(int id, const Sexy::SexyString& text) override;
    void SliderVal(int id, double value) override;

    // The view's operations that only a game has.
    void GameReserved1() override {}
    void GameReserved2() override {}
    void GameReserved3() override {}
    void OnSelfReady() override {}
    void OnAnimateEnd(int) override {}
    void HandleAgainLoginRes(std::uintptr_t, long) override {}
    void HandleSitDownRes(std::uintptr_t, long) override {}

    Sexy::ChatListWidget& ChatList() { return *m_pChat; }
    Sexy::MenuWidget& Menu() { return *m_pMenu; }
    Sexy::SkinEditWidget& Edit() { return *m_pEdit; }

private:
    void CreateChat();
    // The lines the chat list's timer adds, one at a time.
    void QueueChat();
    void CreateMenu();
    void CreateControls();
    // The user list of 15 columns (VIP rows, membership pictures) and a list of rooms.
    void CreateLists();
    void StartBanners();
    // The next announcement when the strip has none to show.
    void RefillBulletin();
    // Text in gold at the baseline y; with plate on a dark ground.
    void Caption(Sexy::Graphics* g, const std::wstring& text, int x, int y, bool plate = false);
    void OpenMenu(int userId);
    std::unique_ptr<Sexy::Image> LoadPicture(const std::string& name);

    std::unique_ptr<Sexy::Font> m_pCaptionFont;
    std::unique_ptr<Sexy::Font> m_pTitleFont;
    std::unique_ptr<Sexy::Font> m_pTextFont;
    std::unique_ptr<Sexy::Image> m_pPortrait;
    // The slider's filled part: its track in gold.
    std::unique_ptr<Sexy::MemoryImage> m_pSliderFill;

    std::unique_ptr<Sexy::ChatListWidget> m_pChat;
    std::unique_ptr<Ostra::ChatShowWidget> m_pBubble;
    std::unique_ptr<Ostra::Marquee> m_pMarquee;
    std::unique_ptr<Ostra::AnimLayer> m_pLayer;
    std::unique_ptr<Sexy::MenuWidget> m_pMenu;
    std::unique_ptr<Sexy::SkinSlider> m_pSlider;
    std::unique_ptr<Sexy::SkinEditWidget> m_pEdit;
    std::unique_ptr<Sexy::SkinScrollbarWidget> m_pScrollbar;
    std::vector<std::unique_ptr<Sexy::Image>> m_vecMemberPictures;
    std::vector<Sexy::Image*> m_vecMemberPictureList;
    std::unique_ptr<Sexy::RichListWidget> m_pRichList;
    std::unique_ptr<Sexy::SkinListWidget> m_pSkinList;

    Ostra::Timer m_Timer;
    size_t m_nextPhrase = 0;
    size_t m_nextBull = 0;
};

} // namespace gallery
