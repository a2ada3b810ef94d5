#include "examples/gallery/GalleryPage.h"

#include "platform/Text.h"
#include "pop/Color.h"
#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/SysFont.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/app/SkinImages.h"
#include "tessaro/session/ChatRecords.h"
#include "tessaro/widgets/AnimLayer.h"
#include "tessaro/widgets/ChatListWidget.h"
#include "tessaro/widgets/ChatShowWidget.h"
#include "tessaro/widgets/Marquee.h"
#include "tessaro/widgets/MenuWidget.h"
#include "tessaro/widgets/RichListWidget.h"
#include "tessaro/widgets/SkinEditWidget.h"
#include "tessaro/widgets/SkinListWidget.h"
#include "tessaro/widgets/SkinScrollbarWidget.h"
#include "tessaro/widgets/SkinSlider.h"
#include "tessaro/widgets/TopBullWidget.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace gallery
{

namespace
{

// Where the pieces go. The bulletin lies under the title bar, as in a game's window; the chat list
// fills the chat well of the console; the rest stands on the felt.
constexpr int kBullTop = 33;
const Sexy::Rect kChatRect(702, 595, 314, 110);
const Sexy::TPoint<int> kBubbleAt(612, 100);
const Sexy::TPoint<int> kPortraitFrameAt(606, 210);
const Sexy::TPoint<int> kMenuAt(806, 100);
const Sexy::Rect kScrollbarRect(994, 100, 15, 260);
const Sexy::TPoint<int> kLayerAt(484, 632);
const Sexy::Rect kSliderRect(612, 426, 180, 20);
const Sexy::Rect kEditGround(612, 486, 296, 22);
const Sexy::Rect kEditRect(614, 487, 292, 20);
const Sexy::Rect kMarqueeStrip(24, 426, 560, 24);
const Sexy::Rect kMarqueeRect(32, 429, 544, 18);
// In the lists' well: the user list on the left, the rooms on the right.
const Sexy::Rect kRichListRect(kListsArea.mX, kListsArea.mY, 404, kListsArea.mHeight);
const Sexy::Rect kSkinListRect(kListsArea.mX + 420, kListsArea.mY + 18, 140, kListsArea.mHeight - 18);

// The felt tray of the console, between the user list's and the chat's wells.
const Sexy::TPoint<int> kTrayCaptionAt(346, 618);
// Captions stand this far above their piece (to their baseline).
constexpr int kCaptionRise = 6;
constexpr int kPortraitInset = 6;
// The bubble pictures keep this much room beside their text.
constexpr int kBubbleMargin = 14;

constexpr int kMenuId = 20;
constexpr int kSliderId = 21;
constexpr int kEditId = 22;
constexpr int kScrollbarId = 23;
// The rich list's columns report as kRichListId + column.
constexpr int kRichListId = 40;
constexpr int kSkinListId = 60;
constexpr int kLayerId = 1;

// The page's own timers: the bubble is said again before its four seconds are up; the chat's
// queue and the menu are refilled when they have run out. (The bulletin takes its next
// announcement in the update after the last one went.)
constexpr int kTimerBubble = 1;
constexpr int kTimerRefill = 2;
constexpr unsigned long kBubbleMs = 3000;
constexpr unsigned long kRefillMs = 2000;
// The chat list's own timer 1 takes one queued line every period.
constexpr unsigned long kChatQueueMs = 1200;

const Sexy::Color kGold(247, 220, 138);
const Sexy::Color kPaper(251, 232, 215);
const Sexy::Color kShadow(0, 0, 0, 170);
const Sexy::Color kFrame(226, 177, 63, 150);
const Sexy::Color kStrip(0, 0, 0, 120);
const Sexy::Color kPlate(26, 18, 10, 200);

const wchar_t* const kBubblePhrases[] = {
    L"大家好，这局我先来！",
    L"Nice hand! 这手牌打得漂亮。",
    L"别急，让我想一想……",
    L"快点吧，等到花儿都谢了",
};

const wchar_t* const kAnnouncements[] = {
    L"【公告】周末双倍积分活动开始了，祝各位玩家游戏愉快！",
    L"【公告】服务器将于今晚 23:00 维护三十分钟，请提前保存进度。",
    L"【公告】Welcome to the skinned widget gallery · 欢迎参观皮肤控件一览",
};

// Chat lines by colour index of the list's table (10 is outside it: white).
struct ColouredLine
{
    const wchar_t* text;
    int colorIndex;
};
const ColouredLine kChatLines[] = {
    {L"张三 进入了房间", 0},
    {L"李四：大家好，今天手气怎么样？", 1},
    {L"[系统] 本桌底分 100，封顶 64 倍", 2},
    {L"王五：这把牌太好了，一路顺子带到底，谁也拦不住我！", 3},
    {L"[喇叭] 赵六：有没有人一起开黑？", 4},
    {L"[警告] 请勿刷屏，否则将被禁言", 5},
    {L"孙七：哈哈，承让承让", 6},
    {L"周八：Good game, well played.", 9},
    {L"吴九：再来一局！", 10},
};

// Lines that carry their own colour codes, as the library's notices are written (added without
// AddChat, which takes every "^" out of players' text).
const wchar_t* const kCodedLines[] = {
    L"^f7dc8a0[系统]^oldclr0 欢迎来到 ^6fdebc0皮肤控件一览^oldclr0，祝您愉快",
    L"^ff9b6f0[提示]^oldclr0 滚轮或拖动右侧的滚动条翻看聊天记录",
    L"^ 0ccff0[房间]^oldclr0 新手场 ^ffff000第 3 桌^oldclr0 已开局",
};

// Added by the list's timer while the gallery runs.
const wchar_t* const kQueuedLines[] = {
    L"郑十：我准备好了",
    L"钱一：稍等，马上就来",
    L"陈二：Let's go!",
    L"林三：这局一定赢",
};

// The user card of the table's player menu: coloured values, a rule, then the clickable lines.
const wchar_t* const kMenuLines[] = {
    L"昵称：^f7dc8a0张三^oldclr0 (VIP 3)",
    L"财富：^ffff000128000^oldclr0  富甲一方",
    L"胜：^6fdebc0352^oldclr0  负：^ff636f0127^oldclr0  平：8",
    nullptr, // the rule
    L"[查看资料]",
    L"[加为好友]",
    L"[请他离开]",
};

} // namespace

int CountDrawn(const Sexy::Image& screen, const Sexy::Image& ground, const Sexy::Rect& rect)
{
    const int right = std::min({rect.mX + rect.mWidth, screen.GetWidth(), ground.GetWidth()});
    const int bottom = std::min({rect.mY + rect.mHeight, screen.GetHeight(), ground.GetHeight()});
    int drawn = 0;
    for (int y = std::max(rect.mY, 0); y < bottom; ++y)
    {
        for (int x = std::max(rect.mX, 0); x < right; ++x)
        {
            const Sexy::Color a = screen.GetPixel(x, y);
            const Sexy::Color b = ground.GetPixel(x, y);
            const int distance =
                std::abs(a.mRed - b.mRed) + std::abs(a.mGreen - b.mGreen) + std::abs(a.mBlue - b.mBlue);
            drawn += distance > 24;
        }
    }
    return drawn;
}

int CheckPieces(const Sexy::Image& screen, const Sexy::Image& ground, const std::vector<Piece>& pieces, std::FILE* out)
{
    int empty = 0;
    for (const Piece& piece : pieces)
    {
        const Sexy::Rect& r = piece.rect;
        const int area = std::max(r.mWidth, 0) * std::max(r.mHeight, 0);
        const int needed = std::max(20, area / 100);
        const int drawn = CountDrawn(screen, ground, r);
        if (drawn >= needed)
        {
            std::fprintf(out, "ok %s\n", piece.name.c_str());
            continue;
        }
        ++empty;
        std::fprintf(out, "EMPTY %s (%d, %d, %d x %d): %d pixels drawn, %d needed\n", piece.name.c_str(), r.mX, r.mY,
                     r.mWidth, r.mHeight, drawn, needed);
    }
    return empty;
}

GalleryPage::GalleryPage(Ostra::GameAppBase* app) : GameViewBase(app)
{
    const std::string face = platform::WideToGbk(L"宋体");
    m_pCaptionFont = std::make_unique<Sexy::SysFont>(face, 9);
    m_pTitleFont = std::make_unique<Sexy::SysFont>(face, 12, true);
    m_pTextFont = std::make_unique<Sexy::SysFont>(face, 10);
    m_pPortrait = LoadPicture("..\\UserImage\\Head\\head_6_6");

    CreateChat();
    CreateMenu();
    CreateControls();
    CreateLists();
    StartBanners();

    m_Timer.SetTimer(kTimerBubble, kBubbleMs);
    m_Timer.SetTimer(kTimerRefill, kRefillMs);
}

GalleryPage::~GalleryPage()
{
    Sexy::Widget* children[] = {m_pChat.get(),      m_pMenu.get(),     m_pSlider.get(),  m_pEdit.get(),
                                m_pScrollbar.get(), m_pRichList.get(), m_pSkinList.get()};
    for (Sexy::Widget* child : children)
        RemoveWidget(child);
}

std::unique_ptr<Sexy::Image> GalleryPage::LoadPicture(const std::string& name)
{
    // Named from the program's folder, like the shared pictures the application loads.
    return std::unique_ptr<Sexy::Image>(m_pApp->GetImage(std::string(m_pApp->m_szModuleDir) + name, true));
}

void GalleryPage::CreateChat()
{
    m_pChat = std::make_unique<Sexy::ChatListWidget>(m_pApp);
    m_pChat->SetScrollbarImage(Sexy::IMG_BASE_SCROLL_UP, Sexy::IMG_BASE_SCROLL_DOWN, Sexy::IMG_BASE_SCROLL_TRACK,
                               Sexy::IMG_BASE_SCROLL_THUMB);
    // Lines are cut to the width, so the list has its size before the first of them.
    m_pChat->Resize(kChatRect.mX, kChatRect.mY, kChatRect.mWidth, kChatRect.mHeight);
    for (int round = 0; round < 2; ++round)
    {
        for (const ColouredLine& line : kChatLines)
            m_pChat->AddChat(line.text, line.colorIndex);
    }
    for (const wchar_t* line : kCodedLines)
        m_pChat->m_vecLines.emplace_back(line);
    // Brings the list to its newest lines and the scrollbar up to date.
    m_pChat->AddChat(L"马六：开始吧", 2);
    QueueChat();
    m_pChat->m_nTickPeriod = 1;
    m_pChat->m_Timer.SetTimer(1, kChatQueueMs);
    AddWidget(m_pChat.get());
}

void GalleryPage::QueueChat()
{
    for (const wchar_t* line : kQueuedLines)
        m_pChat->m_vecPending.emplace_back(line);
}

void GalleryPage::CreateMenu()
{
    m_pMenu = std::make_unique<Sexy::MenuWidget>(kMenuId, m_pTextFont.get(), this, m_pApp);
    m_pMenu->SetBGImage(Sexy::IMG_BASE_USER_MENU_BG);
    for (const wchar_t* line : kMenuLines)
    {
        if (line)
            m_pMenu->AddLine(std::wstring(line));
        else
            m_pMenu->AddSeparator();
    }
    m_pMenu->mPriority = 5;
    AddWidget(m_pMenu.get());
    OpenMenu(10001);
}

void GalleryPage::OpenMenu(int userId)
{
    m_pMenu->TrackPopupMenu(kMenuAt.mX, kMenuAt.mY, userId);
}

void GalleryPage::CreateControls()
{
    Sexy::Image* track = Sexy::IMG_BASE_SLIDER_TRACK;
    if (track)
    {
        // The skin has one groove; the part the value fills is the same groove laid with gold.
        m_pSliderFill = std::make_unique<Sexy::MemoryImage>(track->GetWidth(), track->GetHeight());
        m_pSliderFill->Clear();
        Sexy::Graphics g(m_pSliderFill.get());
        g.DrawImage(track, 0, 0);
        g.SetColor(Sexy::Color(226, 177, 63, 220));
        g.FillRect(2, 2, track->GetWidth() - 4, track->GetHeight() - 4);
    }
    m_pSlider =
        std::make_unique<Sexy::SkinSlider>(m_pSliderFill.get(), track, Sexy::IMG_BASE_SLIDER_THUMB, kSliderId, this);
    m_pSlider->Resize(kSliderRect.mX, kSliderRect.mY, kSliderRect.mWidth, kSliderRect.mHeight);
    m_pSlider->SetValue(0.6);
    AddWidget(m_pSlider.get());

    m_pEdit = std::make_unique<Sexy::SkinEditWidget>(kEditId, this);
    m_pEdit->Resize(kEditRect.mX, kEditRect.mY, kEditRect.mWidth, kEditRect.mHeight);
    m_pEdit->SetColor(Sexy::EditWidget::COLOR_TEXT, kPaper);
    m_pEdit->SetColor(Sexy::EditWidget::COLOR_HILITE, Sexy::Color(226, 177, 63));
    m_pEdit->SetColor(Sexy::EditWidget::COLOR_HILITE_TEXT, Sexy::Color(49, 37, 11));
    m_pEdit->SetText(L"你好 Hello，皮肤控件 Skin 123");
    AddWidget(m_pEdit.get());

    m_pScrollbar = std::make_unique<Sexy::SkinScrollbarWidget>(m_pApp, kScrollbarId, nullptr);
    m_pScrollbar->SetImage(Sexy::IMG_BASE_SCROLL_UP, Sexy::IMG_BASE_SCROLL_DOWN, Sexy::IMG_BASE_SCROLL_TRACK,
                           Sexy::IMG_BASE_SCROLL_THUMB);
    m_pScrollbar->Resize(kScrollbarRect.mX, kScrollbarRect.mY, kScrollbarRect.mWidth, kScrollbarRect.mHeight);
    m_pScrollbar->SetMaxValue(100);
    m_pScrollbar->SetPageSize(30);
    m_pScrollbar->SetValue(35);
    AddWidget(m_pScrollbar.get());
}

void GalleryPage::CreateLists()
{
    // The membership gems of the skin are the picture column's pictures.
    for (int level = 1; level <= 6; ++level)
    {
        m_vecMemberPictures.push_back(LoadPicture("images\\base\\vip" + std::to_string(level)));
        m_vecMemberPictureList.push_back(m_vecMemberPictures.back().get());
    }
    m_pRichList = std::make_unique<Sexy::RichListWidget>(kRichListId, m_pApp, this);
    m_pRichList->SetFont(m_pTextFont.get());
    m_pRichList->SetItemHeight(18);
    m_pRichList->SetHeaderHeight(18);
    m_pRichList->SetHeaderImage(nullptr, nullptr, Sexy::IMG_BASE_HEADER_SPAN);
    m_pRichList->SetListHeaderSpanImage(Sexy::IMG_BASE_LIST_HEADER_SPAN);
    m_pRichList->SetListSelectedImage(Sexy::IMG_BASE_LIST_SELECTED);
    m_pRichList->SetImageList(&m_vecMemberPictureList);
    m_pRichList->SetScrollbarImage(Sexy::IMG_BASE_SCROLL_UP, Sexy::IMG_BASE_SCROLL_DOWN, Sexy::IMG_BASE_SCROLL_THUMB,
                                   Sexy::IMG_BASE_SCROLL_TRACK);
    const struct
    {
        const wchar_t* title;
        int width;
    } columns[] = {{L"会员", 34}, {L"昵称", 76}, {L"积分", 52}, {L"等级", 52}, {L"财富", 60},
                   {L"胜", 36},   {L"负", 36},   {L"平", 36},   {L"逃跑", 40}, {L"网速", 40},
                   {L"状态", 48}, {L"桌号", 40}, {L"座位", 40}, {L"地区", 56}, {L"备注", 90}};
    for (const auto& c : columns)
    {
        Sexy::ListColumn column;
        column.type = &c == columns ? Sexy::RichListWidget::kPictureColumn : 0;
        column.title = c.title;
        column.color = kGold;
        column.width = c.width;
        m_pRichList->InsertColumn(&column);
    }
    const struct
    {
        int member; // picture index; -1: none
        const wchar_t* cells[14];
    } rows[] = {
        {5,
         {L"张三", L"12800", L"雀圣", L"128000", L"352", L"127", L"8", L"0", L"好", L"游戏中", L"3", L"1", L"北京",
          L"会员六级"}},
        {-1,
         {L"李四", L"3560", L"雀士", L"8600", L"88", L"90", L"2", L"1", L"好", L"游戏中", L"3", L"2", L"上海", L""}},
        {2,
         {L"王五五五五五", L"990", L"新手", L"1200", L"12", L"20", L"0", L"3", L"中", L"等待", L"7", L"4", L"广州",
          L"长长的备注文字"}},
        {0, {L"赵六", L"27", L"新手", L"300", L"2", L"1", L"0", L"0", L"差", L"旁观", L"9", L"-", L"成都", L""}},
        {-1, {L"Player7", L"450", L"新手", L"900", L"5", L"9", L"1", L"0", L"好", L"等待", L"12", L"3", L"深圳", L""}},
        {3,
         {L"吴九", L"7800", L"雀杰", L"52000", L"201", L"150", L"6", L"2", L"中", L"游戏中", L"5", L"2", L"杭州", L""}},
        {-1, {L"郑十", L"15", L"新手", L"100", L"1", L"0", L"0", L"0", L"好", L"等待", L"1", L"1", L"南京", L""}},
        {1,
         {L"钱十一", L"2300", L"雀士", L"9900", L"60", L"41", L"3", L"0", L"好", L"游戏中", L"2", L"3", L"武汉", L""}},
        {-1, {L"孙十二", L"640", L"新手", L"2100", L"14", L"16", L"1", L"1", L"中", L"等待", L"8", L"2", L"西安", L""}},
        {4,
         {L"周十三", L"9100", L"雀杰", L"70500", L"240", L"188", L"4", L"0", L"好", L"游戏中", L"6", L"4", L"重庆",
          L""}},
        {-1, {L"冯十四", L"80", L"新手", L"500", L"3", L"4", L"0", L"0", L"好", L"旁观", L"4", L"-", L"天津", L""}},
        {-1, {L"陈十五", L"300", L"新手", L"800", L"6", L"8", L"0", L"2", L"差", L"等待", L"10", L"1", L"苏州", L""}},
    };
    for (const auto& r : rows)
    {
        Sexy::ListItem item;
        item.text = r.member >= 0 ? std::to_wstring(r.member) : L"";
        item.column = 0;
        item.row = m_pRichList->InsertItem(&item);
        for (int c = 1; c < 15; ++c)
        {
            item.column = c;
            item.text = r.cells[c - 1];
            m_pRichList->SetItem(&item);
        }
        if (r.member >= 3)
            m_pRichList->SetVip(item.row);
    }
    m_pRichList->Resize(kRichListRect.mX, kRichListRect.mY, kRichListRect.mWidth, kRichListRect.mHeight);
    m_pRichList->GetColumnList(0)->SetSelect(1);
    AddWidget(m_pRichList.get());

    m_pSkinList = std::make_unique<Sexy::SkinListWidget>(kSkinListId, m_pTextFont.get(), this, nullptr);
    int colors[][3] = {{21, 21, 21},    {226, 177, 63}, {251, 232, 215}, {0, 0, 0},
                       {255, 255, 255}, {85, 9, 14},    {255, 218, 153}, {0, 188, 255}};
    m_pSkinList->SetColors(colors, static_cast<int>(std::size(colors)));
    m_pSkinList->InitHeader(nullptr, nullptr, Sexy::IMG_BASE_HEADER_SPAN, L"房间", m_pTextFont.get(), kGold, 18);
    m_pSkinList->SetItemHeight(18);
    m_pSkinList->mDrawOutline = true;
    m_pSkinList->mDrawSelectWhenHilited = true;
    m_pSkinList->Resize(kSkinListRect.mX, kSkinListRect.mY, kSkinListRect.mWidth, kSkinListRect.mHeight);
    for (const wchar_t* room :
         {L"新手场", L"初级场", L"中级场", L"高级场", L"大师场 · 每周冠军争夺赛（限会员）", L"比赛场"})
        m_pSkinList->AddLine(room, true);
    m_pSkinList->SetVip(1);
    m_pSkinList->SetSelect(4);
    AddWidget(m_pSkinList.get());
}

void GalleryPage::StartBanners()
{
    m_pBubble = std::make_unique<Ostra::ChatShowWidget>(m_pApp, this, 0, kBubbleAt.mX, kBubbleAt.mY, kBubbleMargin, 0);
    m_pBubble->SetChatInfo(kBubblePhrases[m_nextPhrase++]);

    m_pMarquee = std::make_unique<Ostra::Marquee>();
    m_pMarquee->m_pFont = m_pTextFont.get();
    m_pMarquee->m_Color = kGold;
    m_pMarquee->m_strText = L"小贴士：右键点击玩家头像可以查看资料、加为好友 · 每日首局赢牌额外奖励 200 金币 · "
                            L"Tip: the chat list keeps the last 1000 lines, scroll back with the wheel · "
                            L"举报作弊请联系客服";
    m_pMarquee->m_iStep = 2;
    m_pMarquee->m_iElapse = 20;
    m_pMarquee->Resize(kMarqueeRect.mX, kMarqueeRect.mY, kMarqueeRect.mWidth, kMarqueeRect.mHeight);
    m_pMarquee->Start();

    // The chair of the side seats in its three looks, there and back again, for ever.
    m_pLayer = std::make_unique<Ostra::AnimLayer>(this);
    m_pLayer->Init(std::string(m_pApp->m_szModuleDir) + "images/base/btn/chair1", 1, 3, kLayerId, false, false);
    m_pLayer->ShowAnimate(kLayerAt, kLayerAt, 300, 0, Ostra::AnimLayer::kRepeatForever, false, -1, 255, 255, 0, true,
                          false, nullptr);

    RefillBulletin();
}

void GalleryPage::RefillBulletin()
{
    if (!m_pTopBull || m_pTopBull->mVisible)
        return;
    Ostra::ChatInfo info{};
    const std::string text = platform::WideToGbk(kAnnouncements[m_nextBull]);
    std::strncpy(info.szText, text.c_str(), sizeof(info.szText) - 1);
    m_nextBull = (m_nextBull + 1) % std::size(kAnnouncements);
    m_pTopBull->AddBull(&info);
}

std::vector<Piece> GalleryPage::Pieces() const
{
    auto at = [](const Sexy::Widget& w)
    {
        const Sexy::Point p = w.GetAbsPos();
        return Sexy::Rect(p.mX, p.mY, w.mWidth, w.mHeight);
    };
    Sexy::Rect bubble(m_pBubble->m_nX, m_pBubble->m_nY, 0, 0);
    if (m_pBubble->m_pBubbleImage)
    {
        bubble.mWidth = m_pBubble->m_pBubbleImage->GetWidth();
        bubble.mHeight = m_pBubble->m_pBubbleImage->GetHeight();
    }
    Sexy::Rect layer(m_pLayer->m_ptCur.mX, m_pLayer->m_ptCur.mY, 0, 0);
    if (m_pLayer->m_pImage)
    {
        layer.mWidth = m_pLayer->m_pImage->GetCelWidth();
        layer.mHeight = m_pLayer->m_pImage->GetCelHeight();
    }
    return {
        {"chat list", at(*m_pChat)},     {"speech bubble", bubble},       {"bulletin", at(*m_pTopBull)},
        {"marquee", kMarqueeRect},       {"animation layer", layer},      {"popup menu", at(*m_pMenu)},
        {"slider", at(*m_pSlider)},      {"edit field", at(*m_pEdit)},    {"scrollbar", at(*m_pScrollbar)},
        {"rich list", at(*m_pRichList)}, {"skin list", at(*m_pSkinList)},
    };
}

std::unique_ptr<Sexy::MemoryImage> GalleryPage::DrawGround()
{
    auto ground = std::make_unique<Sexy::MemoryImage>(mWidth, mHeight);
    Sexy::Graphics g(ground.get());
    g.SetColor(Sexy::Color::Black);
    g.FillRect(0, 0, mWidth, mHeight);
    DrawGameBG(&g);
    return ground;
}

void GalleryPage::Update()
{
    GameViewBase::Update();
    m_Timer.Update(*this);
    RefillBulletin();
    const Sexy::Rect before = m_pMarquee->m_rcSrc;
    const int drawX = m_pMarquee->m_iDrawX;
    const bool shown = m_pBubble->m_bShow;
    m_pMarquee->Update();
    m_pBubble->Update();
    // Neither is a widget of the page's: their moves show when the page draws again.
    if (m_pMarquee->m_rcSrc != before || m_pMarquee->m_iDrawX != drawX || m_pBubble->m_bShow != shown)
        MarkDirty();
}

void GalleryPage::OnTimer(int id)
{
    if (id == kTimerBubble)
    {
        m_pBubble->SetChatInfo(kBubblePhrases[m_nextPhrase]);
        m_nextPhrase = (m_nextPhrase + 1) % std::size(kBubblePhrases);
        MarkDirty();
    }
    else if (id == kTimerRefill)
    {
        if (m_pChat->m_vecPending.empty())
            QueueChat();
        if (!m_pMenu->mVisible)
            OpenMenu(m_pMenu->GetUserID());
    }
}

void GalleryPage::Resize(int x, int y, int width, int height)
{
    GameViewBase::Resize(x, y, width, height);
    // Under the title bar, where a game's window has it.
    if (m_pTopBull)
        m_pTopBull->Resize((width - kTopBullWidth) / 2, kBullTop, kTopBullWidth, kTopBullHeight);
}

void GalleryPage::Caption(Sexy::Graphics* g, const std::wstring& text, int x, int y, bool plate)
{
    g->SetFont(m_pCaptionFont.get());
    if (plate)
    {
        // On the console's wood the caption needs a ground of its own.
        const Sexy::Font& font = *m_pCaptionFont;
        g->SetColor(kPlate);
        g->FillRect(x - 4, y - font.GetAscent() - 2, g->StringWidth(text) + 8, font.GetHeight() + 3);
    }
    g->SetColor(kShadow);
    g->DrawString(text, x + 1, y + 1);
    g->SetColor(kGold);
    g->DrawString(text, x, y);
}

void GalleryPage::DrawGameBG(Sexy::Graphics* g)
{
    if (Sexy::IMG_GAME_BG)
        g->DrawImage(Sexy::IMG_GAME_BG, 0, 0);

    g->SetFont(m_pTitleFont.get());
    g->SetColor(kShadow);
    g->DrawString(L"皮肤控件一览  Skinned widgets", 85, 23);
    g->SetColor(kGold);
    g->DrawString(L"皮肤控件一览  Skinned widgets", 84, 22);

    // The lists' well: a dark ground in a frame, as the console's user list has.
    g->SetColor(kPlate);
    g->FillRect(kListsArea);
    g->SetColor(kFrame);
    g->DrawRect(kListsArea.mX - 1, kListsArea.mY - 1, kListsArea.mWidth + 2, kListsArea.mHeight + 2);
    Caption(g, L"多列列表  RichListWidget（15 列）", kListsArea.mX, kListsArea.mY - kCaptionRise);
    Caption(g, L"皮肤列表  SkinListWidget", kSkinListRect.mX, kSkinListRect.mY - kCaptionRise);

    Caption(g, L"聊天列表  ChatListWidget", kChatRect.mX + 4, kChatRect.mY - kCaptionRise, true);
    Caption(g, L"气泡  ChatShowWidget", kBubbleAt.mX, kBubbleAt.mY - kCaptionRise);
    Caption(g, L"弹出菜单  MenuWidget", kMenuAt.mX, kMenuAt.mY - kCaptionRise);
    g->SetFont(m_pCaptionFont.get());
    const std::wstring bar = L"滚动条";
    Caption(g, bar, kScrollbarRect.mX + kScrollbarRect.mWidth - g->StringWidth(bar), kScrollbarRect.mY - kCaptionRise);
    Caption(g, L"动画层  AnimLayer", kTrayCaptionAt.mX, kTrayCaptionAt.mY);
    Caption(g, L"滑块  SkinSlider", kSliderRect.mX, kSliderRect.mY - kCaptionRise);
    Caption(g, L"输入框  SkinEditWidget", kEditGround.mX, kEditGround.mY - kCaptionRise);
    Caption(g, L"跑马灯  Marquee", kMarqueeStrip.mX, kMarqueeStrip.mY - kCaptionRise);
    // The bulletin's caption stands in the title bar above it, at the right.
    g->SetFont(m_pCaptionFont.get());
    const std::wstring bull = L"公告栏  CTopBullWidget ↓";
    Caption(g, bull, kScreenWidth - 60 - g->StringWidth(bull), kBullTop - 10);

    // The slider's value beside it.
    const int percent = static_cast<int>(m_pSlider->GetValue() * 100 + 0.5);
    Caption(g, L"音量 " + std::to_wstring(percent) + L"%", kSliderRect.mX + kSliderRect.mWidth + 12,
            kSliderRect.mY + 15);

    // The plates the field and the marquee lie on, as in a game's console.
    if (Sexy::IMG_EDIT_SEND_BG)
        g->DrawImageBox(kEditGround, Sexy::IMG_EDIT_SEND_BG);
    g->SetColor(kStrip);
    g->FillRect(kMarqueeStrip);

    // The seat the bubble speaks from.
    if (m_pPortrait)
        g->DrawImage(m_pPortrait.get(), kPortraitFrameAt.mX + kPortraitInset, kPortraitFrameAt.mY + kPortraitInset);
    if (Sexy::IMG_SHOW_FRAME)
        g->DrawImage(Sexy::IMG_SHOW_FRAME, kPortraitFrameAt.mX, kPortraitFrameAt.mY);
}

void GalleryPage::DrawUserShow(Sexy::Graphics* g)
{
    m_pBubble->Draw(g);
    m_pMarquee->Draw(g);
}

void GalleryPage::Draw(Sexy::Graphics* g)
{
    GameViewBase::Draw(g);
    // The chat list starts its lines in the colour its parent leaves, and "^oldclr0" in them goes
    // back to it.
    g->SetColor(kPaper);
}

void GalleryPage::ListClicked(int id, int row, int)
{
    if (id == kMenuId)
        m_pChat->AddChat(L"菜单：" + Sexy::MenuWidget::VisibleText(m_pMenu->GetStringAt(row)), 9);
    else if (id >= kRichListId && id < kRichListId + m_pRichList->GetColumnCount())
        m_pChat->AddChat(L"用户列表：" + m_pRichList->GetStringAt(row, 1), 9);
    else if (id == kSkinListId)
        m_pChat->AddChat(L"房间：" + m_pSkinList->GetStringAt(row), 9);
}

void GalleryPage::EditWidgetText(int id, const Sexy::SexyString& text)
{
    if (id != kEditId || text.empty())
        return;
    m_pChat->AddChat(L"我：" + text, 6);
    m_pEdit->SetText(L"");
}

void GalleryPage::SliderVal(int id, double)
{
    if (id == kSliderId)
        MarkDirty();
}

} // namespace gallery
