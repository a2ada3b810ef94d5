#include "tools/devserver/Chaos.h"

#include "tools/devserver/Wire.h"
#include "tools/devserver/protocol/Messages.h"

#include <algorithm>
#include <cmath>

namespace devserver
{

namespace
{

int Uniform(ChaosRng& rng, int lo, int hi)
{
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

std::string ChatMessage(ChaosRng& rng)
{
    ChatLine line;
    line.senderId = 9999;
    line.senderNick = "chaos";
    line.text = "chaos chat " + std::to_string(Uniform(rng, 0, 99999));
    return EncodeChatLine(line);
}

std::string TextMessage(ChaosRng& rng)
{
    ServerText text;
    text.id = 9999;
    text.name = "chaos";
    text.text = "chaos bulletin " + std::to_string(Uniform(rng, 0, 99999));
    return EncodeServerText(text);
}

// The frame of a well-formed message, as raw bytes (for faults that cut or bend it).
std::string FrameBytes(std::string_view msg, unsigned char version = Ostra::kFrameVersion)
{
    std::string wire;
    FrameMessage(msg, wire, version); // the chaos messages always fit a frame
    return wire;
}

OutItem MessageItem(std::string msg, unsigned char version = Ostra::kFrameVersion)
{
    OutItem item;
    OutItem::Message(std::move(msg), item, version);
    return item;
}

} // namespace

const char* ChaosKindName(ChaosKind kind)
{
    switch (kind)
    {
    case ChaosKind::Drop:
        return "drop";
    case ChaosKind::Garbage:
        return "garbage";
    case ChaosKind::OtherVersion:
        return "other-version";
    case ChaosKind::ShortFrame:
        return "short-frame";
    case ChaosKind::WrongLength:
        return "wrong-length";
    case ChaosKind::LatencySpike:
        return "latency-spike";
    case ChaosKind::Burst:
        return "burst";
    case ChaosKind::Oversized:
        return "oversized";
    case ChaosKind::LoginAgain:
        return "login-again";
    case ChaosKind::GhostChair:
        return "ghost-chair";
    }
    return "unknown";
}

ChaosKind PickChaosKind(ChaosRng& rng)
{
    return static_cast<ChaosKind>(Uniform(rng, 0, kChaosKinds - 1));
}

int NextChaosDelayMs(ChaosRng& rng, int ratePerMinute)
{
    const double mean = 60000.0 / std::clamp(ratePerMinute, 1, kMaxChaosRate);
    const double ms = std::exponential_distribution<double>(1.0 / mean)(rng);
    // A long tail is fine, an endless one is not: at most ten means.
    return static_cast<int>(std::clamp(ms, 1.0, 10 * mean));
}

ChaosFault MakeChaosFault(ChaosKind kind, ChaosRng& rng, std::string_view againLogin, int chairs)
{
    ChaosFault fault;
    fault.kind = kind;
    switch (kind)
    {
    case ChaosKind::Drop:
    {
        const std::string wire = FrameBytes(ChatMessage(rng));
        const size_t cut = static_cast<size_t>(Uniform(rng, 1, static_cast<int>(wire.size()) - 1));
        fault.items.push_back(OutItem::Raw(wire.substr(0, cut)));
        fault.items.push_back(OutItem::Close("chaos"));
        break;
    }
    case ChaosKind::Garbage:
    {
        std::string bytes(static_cast<size_t>(Uniform(rng, 1, 64)), '\0');
        for (char& c : bytes)
            c = static_cast<char>(Uniform(rng, 0, 255));
        // Never a frame's version byte: the bytes are refused at once instead of being taken
        // for the start of a frame that never completes.
        if (static_cast<unsigned char>(bytes[0]) == Ostra::kFrameVersion)
            bytes[0] = static_cast<char>(0xA5);
        fault.items.push_back(OutItem::Raw(std::move(bytes)));
        break;
    }
    case ChaosKind::OtherVersion:
    {
        static const unsigned char kVersions[] = {0, 1, 2, 4, 0xFF};
        const unsigned char version = kVersions[Uniform(rng, 0, 4)];
        fault.items.push_back(MessageItem(TextMessage(rng), version));
        break;
    }
    case ChaosKind::ShortFrame:
    {
        const int total = Uniform(rng, 0, Ostra::kMinFrameLen - 1);
        std::string bytes(static_cast<size_t>(std::max(total, Ostra::kFrameHeaderLen)), '\0');
        Ostra::WriteFrameHeader(reinterpret_cast<unsigned char*>(bytes.data()), total);
        for (size_t i = Ostra::kFrameHeaderLen; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(Uniform(rng, 0, 255));
        fault.items.push_back(OutItem::Raw(std::move(bytes)));
        break;
    }
    case ChaosKind::WrongLength:
    {
        std::string msg = ChatMessage(rng);
        const std::uint32_t real = static_cast<std::uint32_t>(msg.size()) - kMsgHeaderLen;
        std::uint32_t field = 0;
        switch (Uniform(rng, 0, 2))
        {
        case 0:
            field = real + static_cast<std::uint32_t>(Uniform(rng, 1, 100000));
            break;
        case 1:
            field = real - static_cast<std::uint32_t>(Uniform(rng, 1, static_cast<int>(real)));
            break;
        default:
            field = 0xFFFFFFFFu;
            break;
        }
        std::string header;
        AppendU32(header, field);
        msg.replace(4, 4, header);
        fault.items.push_back(MessageItem(std::move(msg)));
        break;
    }
    case ChaosKind::LatencySpike:
    {
        OutItem item = MessageItem(TextMessage(rng));
        item.pieces = 2;
        item.gapMs = fault.spikeMs = Uniform(rng, 1000, 5000);
        fault.items.push_back(std::move(item));
        break;
    }
    case ChaosKind::Burst:
    {
        fault.count = Uniform(rng, 10, 40);
        OutItem batch = MessageItem(ChatMessage(rng));
        for (int i = 1; i < fault.count; ++i)
            batch.Append(MessageItem(i % 2 ? TextMessage(rng) : ChatMessage(rng)));
        fault.items.push_back(std::move(batch));
        break;
    }
    case ChaosKind::Oversized:
    {
        const int len = Uniform(rng, Ostra::kMaxRecvMsgLen + 1, kMaxFramedMsgLen);
        std::string body(static_cast<size_t>(len - kMsgHeaderLen), '\0');
        for (char& c : body)
            c = static_cast<char>(Uniform(rng, 'a', 'z'));
        fault.items.push_back(MessageItem(GameMessage(kServerTextType, body)));
        break;
    }
    case ChaosKind::LoginAgain:
        fault.items.push_back(
            MessageItem(againLogin.empty() ? EncodeAgainLogin(1, 0, "chaos", {}) : std::string(againLogin)));
        break;
    case ChaosKind::GhostChair:
    {
        // 0xFF is the ready notice's general call, a real meaning: left out.
        fault.chair = Uniform(rng, std::max(chairs, kAgainLoginChairs - 1), 0xFE);
        const auto chair = static_cast<std::uint8_t>(fault.chair);
        OutItem batch = MessageItem(EncodeReadyNotice(chair));
        batch.Append(MessageItem(EncodeWaitLoginAgain(chair)));
        batch.Append(MessageItem(EncodeAutoPlay(chair, 1)));
        fault.items.push_back(std::move(batch));
        break;
    }
    }
    return fault;
}

Chaos::Chaos(std::uint64_t seed, int ratePerMinute, int chairs, Outbox& outbox, JsonLog& log)
    : m_seed(seed), m_rate(std::clamp(ratePerMinute, 1, kMaxChaosRate)), m_chairs(chairs), m_outbox(outbox), m_log(log)
{
}

Chaos::~Chaos()
{
    Stop();
}

void Chaos::WakeUp()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bChanged = true;
    }
    m_changed.notify_all();
}

void Chaos::Opened(int conn)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // A connection's faults depend on the seed and its number only.
        Target target{ChaosRng(m_seed * 0x9E3779B97F4A7C15ull + static_cast<std::uint64_t>(conn)), {}, {}};
        target.due = Clock::now() + std::chrono::milliseconds(NextChaosDelayMs(target.rng, m_rate));
        m_targets[conn] = std::move(target);
        m_bChanged = true;
    }
    m_changed.notify_all();
}

void Chaos::Closed(int conn)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_targets.erase(conn);
}

void Chaos::Sent(int conn, std::string_view msg)
{
    if (!HasMsgHeader(msg) || MsgType(msg) != kAgainLoginType)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_targets.find(conn);
    if (it != m_targets.end())
        it->second.againLogin.assign(msg);
}

int Chaos::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!IsTerminating())
    {
        auto next = std::min_element(m_targets.begin(), m_targets.end(),
                                     [](const auto& a, const auto& b) { return a.second.due < b.second.due; });
        const Clock::time_point now = Clock::now();
        if (next == m_targets.end() || next->second.due > now)
        {
            m_bChanged = false;
            auto ready = [this] { return m_bChanged || IsTerminating(); };
            if (next == m_targets.end())
            {
                m_changed.wait(lock, ready);
                continue;
            }
            // A copy: the connection may close while this waits, and its entry go with it.
            const Clock::time_point due = next->second.due;
            m_changed.wait_until(lock, due, ready);
            continue;
        }
        Target& target = next->second;
        const int conn = next->first;
        const ChaosKind kind = PickChaosKind(target.rng);
        ChaosFault fault = MakeChaosFault(kind, target.rng, target.againLogin, m_chairs);
        target.due = now + std::chrono::milliseconds(NextChaosDelayMs(target.rng, m_rate));
        lock.unlock();
        Fire(conn, std::move(fault));
        lock.lock();
    }
    return 0;
}

void Chaos::Fire(int conn, ChaosFault fault)
{
    size_t bytes = 0;
    for (const OutItem& item : fault.items)
        bytes += item.wire.size();
    JsonLine line("chaos");
    line.Int("conn", conn).Str("kind", ChaosKindName(fault.kind)).Int("bytes", static_cast<std::int64_t>(bytes));
    if (fault.kind == ChaosKind::LatencySpike)
        line.Int("ms", fault.spikeMs);
    if (fault.kind == ChaosKind::Burst)
        line.Int("count", fault.count);
    if (fault.kind == ChaosKind::GhostChair)
        line.Int("chair", fault.chair);
    m_log.Write(std::move(line));
    for (OutItem& item : fault.items)
    {
        if (!m_outbox.Post(conn, std::move(item)))
            break; // closed meanwhile
    }
}

} // namespace devserver
