// The view as constructed and laid out: which children show, and where they stand on the screen
// whatever the view's own position.
#include "tests/view/ViewSupport.h"

#include "tessaro/app/SkinImages.h"
#include "tessaro/widgets/ChatListWidget.h"
#include "tessaro/widgets/MenuWidget.h"
#include "tessaro/widgets/RichListWidget.h"
#include "tessaro/widgets/SkinEditWidget.h"
#include "tessaro/widgets/SkinListWidget.h"
#include "tessaro/widgets/TopBullWidget.h"

#include <gtest/gtest.h>

namespace
{

using namespace viewtest;

TEST(ViewLayout, ChildrenShowAsConstructedAndKeepTheirScreenPlaces)
{
    ViewGame game(4, true);
    Ostra::GameViewBase& view = game.view;
    struct Shown
    {
        const char* name;
        const Sexy::Widget* widget;
        bool visible;
    };
    const Shown shown[] = {
        {"quick chat list", view.m_pQuickChatList.get(), false},
        {"play info", view.m_pPlayInfoList.get(), false},
        {"bulletin", view.m_pTopBull.get(), false},
        {"chat list", view.m_pChatList.get(), true},
        {"user list", view.m_pUserList.get(), true},
        {"edit box", view.m_pEditChat.get(), true},
        {"quick chat button", view.m_pBtnQuickChat.get(), true},
        {"send button", view.m_pBtnEditSend.get(), true},
    };
    for (const Shown& s : shown)
    {
        ASSERT_NE(s.widget, nullptr) << s.name;
        EXPECT_EQ(s.widget->mVisible, s.visible) << s.name;
    }
    for (const auto& chair : view.m_pBtnChair)
        EXPECT_FALSE(chair->mVisible);
    EXPECT_EQ(view.m_pUserMenu->GetLineCount(), 0);
    EXPECT_EQ(view.m_pUserMenu->mWidth, 0);
    EXPECT_EQ(view.m_pUserList->GetColumnCount(), 15);
    EXPECT_EQ(view.m_Timer.IsActive(Ostra::kTimerChatReset), true);
    EXPECT_EQ(view.m_Timer.IsActive(Ostra::kTimerChatPause), false);

    // Placed at (10, 20): the children keep their screen places.
    view.Resize(10, 20, 1014, 700);
    struct Place
    {
        const char* name;
        const Sexy::Widget* widget;
        Sexy::Rect screen;
    };
    const Place places[] = {
        {"chat list", view.m_pChatList.get(), {702, 595, 314, 110}},
        {"user list", view.m_pUserList.get(), {8, 617, 314, 114}},
        {"play info", view.m_pPlayInfoList.get(), {8, 617, 314, 114}},
        {"edit box", view.m_pEditChat.get(), {708, 711, 272, 20}},
        {"bulletin", view.m_pTopBull.get(), {10 + 1, 20, 1012, 32}},
    };
    for (const Place& p : places)
    {
        const Sexy::Rect r = p.widget->GetRect();
        EXPECT_EQ(r.mX + 10, p.screen.mX) << p.name;
        EXPECT_EQ(r.mY + 20, p.screen.mY) << p.name;
        EXPECT_EQ(r.mWidth, p.screen.mWidth) << p.name;
        EXPECT_EQ(r.mHeight, p.screen.mHeight) << p.name;
    }
    // The chat buttons follow the edit box, each the size of one cel of its picture.
    ASSERT_NE(Sexy::IMG_BASE_BTN_QUICK_CHAT, nullptr);
    EXPECT_EQ(view.m_pBtnQuickChat->mX, 698 + 272);
    EXPECT_EQ(view.m_pBtnQuickChat->mY, 691 + 5);
    EXPECT_EQ(view.m_pBtnQuickChat->mWidth, Sexy::IMG_BASE_BTN_QUICK_CHAT->GetCelWidth());
    EXPECT_EQ(view.m_pBtnEditSend->mX, view.m_pBtnQuickChat->mX + view.m_pBtnQuickChat->mWidth + 6);
    EXPECT_EQ(view.m_pBtnEditSend->mY, 691 + 1);
}

} // namespace
