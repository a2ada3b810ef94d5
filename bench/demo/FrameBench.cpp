// One full frame of the demo game in the middle of a round, headless, on the staged game's skin:
//
//   frame/landlord  the whole screen drawn: three seated players with portraits, names and
//                   marks, the own hand of cards with two picked out, both other players' backs
//                   and counts, the cards of the current trick, the three kept back, the stake,
//                   the countdown, the move buttons, a chat list holding its full 1000 lines and
//                   the user list; against frame/blit, one blit of a 1024 x 738 picture.
//
// The round is the bots' own (a seeded landlord::Round), told to the view as the server tells it:
// the deal, every bid and play, until half of the cards are on the table and it is the own turn.
#include "bench/BenchMain.h"
#include "bench/StagedGame.h"
#include "examples/landlord/client/LandlordView.h"
#include "examples/landlord/client/LandlordWnd.h"
#include "examples/landlord/rules/Strategy.h"

#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/TestHarness.h"
#include "pop/WidgetManager.h"
#include "tessaro/app/SkinImages.h"
#include "tessaro/session/PlayerNode.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;
using namespace landlord;

constexpr int kOwnChair = 1;

struct AppInfoSetup
{
    AppInfoSetup()
    {
        Ostra::g_AppInfo = Ostra::AppInfo{};
        Ostra::g_AppInfo.iUserId = 10001;
        Ostra::g_AppInfo.iMaxPlayerNum = kPlayers;
        Ostra::g_AppInfo.iChairId = kOwnChair;
        Ostra::g_AppInfo.iWatchChairId = -1;
        Ostra::g_AppInfo.iTableNo = 1;
        std::snprintf(Ostra::g_AppInfo.szNickName, sizeof Ostra::g_AppInfo.szNickName, "演示玩家");
        ::setenv("TESSARO_PROXY", "none", 1);
    }
};

class Table
{
public:
    Table() : copy(LANDLORD_STAGE_DIR), app(copy.GameDir()), harness(app), view(&app), wnd(&app, &view)
    {
        app.m_pGameView = &view;
        app.m_pGameWnd = &wnd;
        wnd.Resize(0, 0, app.mWidth, app.mHeight);
        harness.GetWidgetManager()->AddWidget(&wnd);
        wnd.AddWidget(&view);
    }
    ~Table()
    {
        wnd.CloseSession();
        Ostra::g_AppInfo = Ostra::AppInfo{};
    }

    bool Ready() const { return copy.Ok() && Sexy::IMG_GAME_BG != nullptr; }

    void SeatThree()
    {
        const char* nicks[kPlayers] = {"东风", "演示玩家", "南风"};
        for (int chair = 0; chair < kPlayers; ++chair)
        {
            Ostra::PlayerNode& node = wnd.m_PlayerNode[chair];
            node = Ostra::PlayerNode{};
            node.iUserId = chair == kOwnChair ? 10001 : 90001 + chair;
            std::memcpy(node.szNickName, nicks[chair], std::strlen(nicks[chair]));
            node.cSex = static_cast<std::int8_t>(chair % 2);
            node.iMoney = 52000 + chair * 1000;
            node.cTableId = 1;
            node.cChairId = static_cast<std::int8_t>(chair);
            node.cWatchChairId = -1;
        }
        view.SetTableUserInfo(0);
        view.InsertAllUserList();
        view.m_iNetDelay[0] = 38;
        view.m_iNetDelay[2] = 412;
    }

    void Tell(const std::string& msg)
    {
        view.OnGameMessage(reinterpret_cast<const unsigned char*>(msg.data()), msg.size());
    }

    // Plays the seeded round up to the middle of the play, telling the view every step.
    bool PlayToTheMiddle(std::uint64_t seed)
    {
        Round round(seed, 0, 100);
        DealMsg deal;
        deal.ownChair = kOwnChair;
        deal.cards = round.Hand(kOwnChair);
        Tell(Encode(deal));
        harness.Step(100); // the deal's animation
        while (round.GetPhase() == Phase::Bidding)
        {
            const int seat = round.Turn();
            Tell(Encode(MSG_BID_TURN, TurnMsg{static_cast<std::uint8_t>(seat), 0, 20}));
            const int points = ChooseBid(round.Hand(seat), round.HighestBid());
            if (round.Bid(seat, points) != PlayError::None)
                return false;
            Tell(Encode(MSG_BID_NOTICE, BidMsg{static_cast<std::uint8_t>(seat), static_cast<std::uint8_t>(points)}));
        }
        if (round.GetPhase() != Phase::Playing)
            return false;
        LandlordMsg decided;
        decided.chair = static_cast<std::uint8_t>(round.Landlord());
        decided.bid = static_cast<std::uint8_t>(round.HighestBid());
        decided.keptBack = round.KeptBack();
        Tell(Encode(decided));
        int played = 0;
        while (round.GetPhase() == Phase::Playing && (played < 27 || round.Turn() != kOwnChair))
        {
            const int seat = round.Turn();
            Tell(Encode(MSG_PLAY_TURN, TurnMsg{static_cast<std::uint8_t>(seat), 0, 20}));
            PlayMsg play;
            play.chair = static_cast<std::uint8_t>(seat);
            play.cards = ChoosePlay(round.ViewFor(seat));
            if (round.Play(seat, play.cards) != PlayError::None)
                return false;
            SortCards(play.cards);
            play.left = static_cast<std::uint8_t>(round.Hand(seat).size());
            play.multiple = 2;
            Tell(Encode(MSG_PLAY_NOTICE, play));
            played += static_cast<int>(play.cards.size());
        }
        if (round.GetPhase() != Phase::Playing)
            return false;
        Tell(Encode(MSG_PLAY_TURN, TurnMsg{static_cast<std::uint8_t>(kOwnChair), 0, 20}));
        view.HintNow();
        harness.Step(60); // the plays' flights end
        return true;
    }

    tessaro::bench::StagedCopy copy;
    AppInfoSetup setup;
    tessaro::bench::BenchApp app;
    Sexy::TestHarness harness;
    LandlordView view;
    LandlordWnd wnd;
};

void FrameLandlord(benchmark::State& state)
{
    Table table;
    if (!table.Ready())
    {
        state.SkipWithError("the default skin is not staged (build the landlord game first)");
        return;
    }
    table.SeatThree();
    for (int i = 0; i < 1000; ++i)
        table.view.AddChat(L"[玩家" + std::to_wstring(90001 + i % 3) + L"]说:第" + std::to_wstring(i) + L"句，快点出牌",
                           8);
    // A seed whose middle of the play comes round to the own turn.
    std::uint64_t seed = 1;
    while (!table.PlayToTheMiddle(seed) && seed < 50)
        ++seed;
    if (table.view.Hand().GetCards().empty())
    {
        state.SkipWithError("no round reached its middle");
        return;
    }
    table.harness.Draw(); // the glyph caches fill
    std::vector<double> us;
    for (auto _ : state)
    {
        const auto start = Clock::now();
        table.harness.Draw();
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    if (const char* file = std::getenv("BENCH_DEMO_FRAME_PNG"))
        table.harness.SavePNG(file);
    tessaro::bench::ReportMicros(state, us);
}
BENCHMARK(FrameLandlord)->Name("frame/landlord")->UseRealTime();

BENCHMARK(tessaro::bench::FrameBlit)->Name("frame/blit")->UseRealTime();

const bool kBaselines = []
{
    tessaro::bench::SetBaseline("frame/landlord", "frame/blit");
    return true;
}();

} // namespace
