// A room in-process with a few players at its tables, for the tests of chat, requests, notices
// and the operator's commands.
#pragma once

#include "tests/devserver-table/RoomHarness.h"
#include "tools/devserver/protocol/Messages.h"
#include "tools/devserver/room/PlayerDirectory.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace roomtest
{

// Two tables of three chairs; a game starts once two are seated and ready. The players file
// gives 10001 the game-master right (user-type bit 4) and 10002 sex 1.
inline devserver::RoomConfig TalkConfig()
{
    auto players = std::make_shared<devserver::PlayerDirectory>();
    devserver::PlayersFileError error;
    players->Parse("user=10001 usertype=4\nuser=10002 sex=1\n", "talk.txt", error);
    devserver::RoomConfig config;
    config.tables = 2;
    config.chairs = 3;
    config.minPlayers = 2;
    config.roundPauseMs = 60000;
    config.authWaitMs = 0;
    config.players = std::move(players);
    return config;
}

struct TalkRoom
{
    explicit TalkRoom(devserver::RoomConfig config = TalkConfig()) : t(std::move(config)) {}

    // Connection conn is user id, seated (or looking) at table, chair.
    void Join(int conn, std::int32_t user, int table = 0, int chair = 0)
    {
        t.room.Connected(conn);
        t.room.Received(conn, devserver::EncodeAuthRequest(user));
        ASSERT_TRUE(t.out.Event("arrive", {{"user", user}}));
        if (table > 0)
            Sit(conn, user, table, chair);
    }

    void Sit(int conn, std::int32_t user, int table, int chair)
    {
        const size_t before = Count(conn, devserver::kSitDownResponseType);
        t.room.Received(
            conn, devserver::EncodeSitDownRequest(static_cast<std::uint8_t>(table), static_cast<std::uint8_t>(chair)));
        ASSERT_TRUE(t.out.Msg(conn, devserver::kSitDownResponseType, before)) << user;
    }

    size_t Count(int conn, int type)
    {
        size_t n = 0;
        for (const std::string& msg : t.out.Sent(conn))
            n += devserver::MsgType(msg) == type ? 1 : 0;
        return n;
    }

    // A zero-terminated text field.
    static std::string Text(const std::string& msg, size_t at, size_t width)
    {
        const std::string field = msg.substr(at, width);
        return field.substr(0, field.find('\0'));
    }

    RoomUnderTest t;
    size_t operated = 0; // operator lines seen so far
};

} // namespace roomtest
