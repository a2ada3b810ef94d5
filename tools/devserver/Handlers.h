// What the server does with the messages it receives: a list of handlers, asked in order.
//
// Each received message with a whole header goes to the handlers one after the other until one
// says it has dealt with it. Handlers run on the socket stack's thread and must never block; what
// they send goes through the connection's outbox lane, in order with everything else the
// connection sends. The built-in ones answer the net-speed probe and echo chosen types; the room
// handler hands the table protocol to the room.
#pragma once

#include <bitset>
#include <string>
#include <string_view>

namespace devserver
{

class Room;

// One client connection as a handler sees it.
class Connection
{
public:
    virtual ~Connection() = default;

    // The connection's number in the log, counted from 1.
    virtual int Id() const = 0;
    // "address:port" of the client.
    virtual const std::string& Peer() const = 0;
    // Sends a whole game message (header included), framed and encrypted, after the server's
    // latency. Never waits.
    virtual void SendMessage(std::string msg) = 0;
    // Closes the connection once everything sent before has gone out.
    virtual void Close() = 0;
};

class MessageHandler
{
public:
    virtual ~MessageHandler() = default;

    virtual void OnConnect(Connection& /*conn*/) {}
    // A received message, at least a header long. True when it is dealt with: the handlers after
    // this one do not see it.
    virtual bool OnMessage(Connection& conn, std::string_view msg) = 0;
    // The connection has closed; nothing more can be sent on it. May run while the socket stack
    // holds its lock: never wait here.
    virtual void OnClose(Connection& /*conn*/) {}
};

// Answers the client's net-speed probe (type 1, stage 0) by sending it back unchanged.
class ProbeHandler : public MessageHandler
{
public:
    bool OnMessage(Connection& conn, std::string_view msg) override;
};

// Sends messages of the chosen types back unchanged.
class EchoHandler : public MessageHandler
{
public:
    explicit EchoHandler(const std::bitset<256>& types) : m_types(types) {}
    bool OnMessage(Connection& conn, std::string_view msg) override;

private:
    std::bitset<256> m_types;
};

// Feeds the room: every connection, its end and its messages. The room's own requests
// (authentication, chair request, ready answer, chat, requests, escape, game state) stop here; every other message goes
// on to the handlers after this one as well.
class RoomHandler : public MessageHandler
{
public:
    explicit RoomHandler(Room& room) : m_room(room) {}
    void OnConnect(Connection& conn) override;
    bool OnMessage(Connection& conn, std::string_view msg) override;
    void OnClose(Connection& conn) override;

private:
    Room& m_room;
};

} // namespace devserver
