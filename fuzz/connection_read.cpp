// Any byte stream from the game server, arriving in pieces of any size, through the connection's
// real read path (ClientStack on one end of a socket pair): frame headers, lengths, versions and
// bodies. Every message the path puts on the incoming queue must be exactly what a plain reading of
// the stream yields, in order, nothing lost and nothing more; every input ends in exactly one
// disconnect, with the message boxes and the shutdown that belong to it.
//
// Input: byte 0 options (bit 0: a game window receives the disconnect; without one the path only
// logs). Then records, each an op byte and its operands (operands and message bytes missing at the
// end of the input count as zeros):
//   op & 3 == 0  raw: a length byte n, then n bytes written as they stand
//   op & 3 == 1  frame: a length byte n, then a message of n bytes sent as a valid frame
//   op & 3 == 2  long frame: a 2-byte length L and a start byte f; a valid frame of the L bytes
//                f, f + 1, ... (modulo 256)
//   op & 3 == 3  forged frame: a length byte n, a version byte, a 2-byte announced length, then n
//                message bytes; a valid frame whose header then shows that version and length
//   op bit 2     no read between this record and the next (they arrive together)
//   op bits 3-7  s: when non-zero, the record arrives in two writes, the first s/32 of its bytes
//                first, with a read in between
// The stack's read steps run on this thread, right after each write, so a run is deterministic.
#include "fuzz/FuzzApp.h"
#include "fuzz/FuzzInput.h"
#include "platform/WindowBus.h"
#include "pop/TestHarness.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/net/Cipher.h"
#include "tessaro/net/ClientStack.h"
#include "tessaro/net/Frame.h"
#include "tessaro/net/Log.h"
#include "tessaro/net/MsgQueue.h"
#include "tessaro/session/GameWndBase.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace
{

using namespace Ostra;

// The stream of one input stops growing past this, so that every run stays short.
constexpr size_t kMaxStream = 256 * 1024;

using fuzzapp::Check;

class App : public fuzzapp::ContainedApp
{
public:
    void Shutdown() override
    {
        ++shutdowns;
        GameAppBase::Shutdown();
    }
    int shutdowns = 0;
};

class Wnd : public GameWndBase
{
public:
    explicit Wnd(GameAppBase* app) : GameWndBase(app, nullptr) {}
    void HandleGameMessage(std::uintptr_t, long) override {}
    void CallBackTCPDisconnection() override
    {
        ++disconnections;
        GameWndBase::CallBackTCPDisconnection();
    }
    int disconnections = 0;
};

// The connection with its read stepping reachable: the fuzzer, not a stack thread, decides when
// a node reads. Nothing else differs from ClientStack.
class SteppedStack : public ClientStack
{
public:
    using Stack::ReadStep;
    int NodeSocket(int iIndex) const { return m_pNodes[iIndex].iSocket; }
};

// Process-wide pieces that are expensive to make. The queue is drained after every read step, so
// each input starts with it empty.
struct Shared
{
    Shared()
    {
        // Thousands of refused frames a second would fill the console; the results are checked
        // here instead.
        LogConfig config{};
        config.iMinLevel = 1000;
        InitLog(config);
    }
    App app;
    MsgQueue recvQueue{kSessionQueueSlots, kSessionQueueSlotSize};
};

Shared& Globals()
{
    static Shared shared;
    return shared;
}

class Input : public FuzzInput
{
public:
    using FuzzInput::FuzzInput;
    std::vector<char> Bytes(size_t n)
    {
        std::vector<char> out(n);
        Take(out.data(), n);
        return out;
    }
};

// Bytes counting up from 0 and wrapping, 256 more than the longest message: long messages are
// slices of it.
const std::vector<char>& Pattern()
{
    static const std::vector<char> pattern = []
    {
        std::vector<char> bytes(0x10000 + 0x100);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i);
        return bytes;
    }();
    return pattern;
}

// A valid frame of msg, or nothing when the message cannot be framed (too long for the 16-bit
// frame length).
std::vector<char> Frame(const std::vector<char>& msg)
{
    std::vector<char> frame(msg.size() + kMinFrameLen);
    const int n = BuildFrame(kWireKeyText, msg.data(), static_cast<int>(msg.size()), frame.data(),
                             static_cast<int>(frame.size()));
    if (n < 0)
        return {};
    Check(static_cast<size_t>(n) == frame.size());
    return frame;
}

// The stream and the places where the reader runs between writes.
struct Stream
{
    std::vector<char> bytes;
    std::vector<size_t> cuts; // ascending positions in bytes
};

Stream BuildStream(Input& in)
{
    Stream s;
    while (!in.AtEnd() && s.bytes.size() < kMaxStream)
    {
        const std::uint8_t op = in.Byte();
        std::vector<char> record;
        switch (op & 3)
        {
        case 0:
            record = in.Bytes(in.Byte());
            break;
        case 1:
            record = Frame(in.Bytes(in.Byte()));
            break;
        case 2:
        {
            const size_t len = static_cast<size_t>(in.BE16());
            const size_t first = in.Byte();
            const std::vector<char>& pattern = Pattern();
            record = Frame(std::vector<char>(pattern.begin() + first, pattern.begin() + first + len));
            break;
        }
        default:
        {
            const size_t len = in.Byte();
            const std::uint8_t version = in.Byte();
            const int announced = in.BE16();
            record = Frame(in.Bytes(len));
            if (!record.empty())
                WriteFrameHeader(reinterpret_cast<unsigned char*>(record.data()), announced, version);
            break;
        }
        }
        const size_t start = s.bytes.size();
        s.bytes.insert(s.bytes.end(), record.begin(), record.end());
        const size_t first = record.size() * (op >> 3) / 32;
        if (first > 0)
            s.cuts.push_back(start + first);
        if (!(op & 4))
            s.cuts.push_back(s.bytes.size());
    }
    return s;
}

// What a plain reading of the stream gives: the messages, in order, and how the reading ends.
struct Expected
{
    std::vector<std::vector<char>> messages;
    std::vector<size_t> ends; // where in the stream each message's frame ends
    bool versionError = false;
};

Expected ReadPlainly(const std::vector<char>& stream)
{
    Expected e;
    std::vector<char> plain(kDecryptBufLen);
    size_t pos = 0;
    while (stream.size() - pos >= static_cast<size_t>(kFrameHeaderLen))
    {
        const auto* header = reinterpret_cast<const unsigned char*>(stream.data() + pos);
        if (header[0] != kFrameVersion)
        {
            e.versionError = true;
            break;
        }
        const int total = FrameTotalLen(header);
        // Shorter than an empty message's frame, or longer than a node's read buffer: refused.
        if (total < kMinFrameLen || total > kStackBufLen)
            break;
        if (stream.size() - pos < static_cast<size_t>(total))
            break; // the stream ends inside the frame
        const int n = OpenFrameBody(kWireKeyText, stream.data() + pos + kFrameHeaderLen, total - kFrameHeaderLen,
                                    plain.data(), static_cast<int>(plain.size()));
        // A message that decrypts but exceeds a queue item is dropped; the reading goes on.
        pos += static_cast<size_t>(total);
        if (n >= 0 && n <= kMaxItemMsgLen)
        {
            e.messages.emplace_back(plain.begin(), plain.begin() + n);
            e.ends.push_back(pos);
        }
    }
    return e;
}

class Reader
{
public:
    Reader(SteppedStack& stack, const Expected& expected, int readFd)
        : m_stack(stack), m_expected(expected), m_readFd(readFd), m_item(kSessionQueueSlotSize)
    {
    }

    bool Open() const { return m_stack.m_iIndex.load() >= 0; }

    // Reads what the socket holds, as the select loop would on readable passes.
    void Pump()
    {
        int guard = 0;
        while (Open() && Pending() > 0)
        {
            Step();
            Check(++guard < 1000000);
        }
    }

    // Once the socket is empty, every frame that has arrived whole must have been delivered: a
    // message left in a buffer of the stack would wait for bytes that may never come.
    void CheckCaughtUp(size_t written) const
    {
        if (!Open())
            return;
        const auto& ends = m_expected.ends;
        const size_t whole = static_cast<size_t>(std::upper_bound(ends.begin(), ends.end(), written) - ends.begin());
        Check(m_taken == whole);
    }

    // After the writer's end closed: reads until the node closes on the end of the stream.
    void Finish()
    {
        int guard = 0;
        while (Open())
        {
            Step();
            Check(++guard < 1000000);
        }
        Check(m_taken == m_expected.messages.size());
    }

private:
    int Pending() const
    {
        int n = 0;
        Check(ioctl(m_readFd, FIONREAD, &n) == 0);
        return n;
    }

    void Step()
    {
        const int index = m_stack.m_iIndex.load();
        Check(m_stack.NodeSocket(index) == m_readFd);
        m_stack.ReadStep(index);
        Drain();
    }

    // Every queue item: a count that matches the bytes put, and the next expected message.
    void Drain()
    {
        MsgQueue& queue = Globals().recvQueue;
        while (true)
        {
            const int n = queue.Get(m_item.data(), static_cast<int>(m_item.size()), 0);
            if (n == -2)
                return;
            Check(n >= kQueueItemCountLen);
            std::int32_t count = 0;
            std::memcpy(&count, m_item.data(), kQueueItemCountLen);
            Check(count >= 0 && count == n - kQueueItemCountLen && count <= kMaxItemMsgLen);
            Check(m_taken < m_expected.messages.size());
            const std::vector<char>& want = m_expected.messages[m_taken++];
            Check(want.size() == static_cast<size_t>(count));
            Check(want.empty() || std::memcmp(want.data(), m_item.data() + kQueueItemCountLen, want.size()) == 0);
        }
    }

    SteppedStack& m_stack;
    const Expected& m_expected;
    int m_readFd;
    std::vector<char> m_item;
    size_t m_taken = 0;
};

// Writes bytes without blocking, letting the reader empty the socket whenever it is full. False
// once the reader has closed its end (it refused the stream).
bool WriteAll(int fd, const char* p, size_t n, Reader& reader)
{
    while (n > 0)
    {
        const ssize_t w = send(fd, p, n, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (w > 0)
        {
            p += w;
            n -= static_cast<size_t>(w);
            continue;
        }
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && reader.Open())
        {
            reader.Pump();
            continue;
        }
        Check(!reader.Open());
        return false;
    }
    return true;
}

struct Fd
{
    int fd = -1;
    ~Fd() { Reset(); }
    void Reset()
    {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    Shared& shared = Globals();
    Check(shared.recvQueue.GetCount() == 0);
    // Frames built from the same input are the same bytes on every run.
    CipherRandom::Shared().Seed(0x2545F491u, 0x9E3779B9u);

    Input in(data, size);
    const bool withWindow = in.Byte() & 1;
    const Stream stream = BuildStream(in);
    const Expected expected = ReadPlainly(stream.bytes);

    int pair[2];
    Check(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pair) == 0);
    Fd writer{pair[1]};

    // The harness answers and records the disconnect's message boxes at once.
    Sexy::TestHarness harness(shared.app);
    // A modal message box (a kick notice, a leave answer) counts down on the harness's clock:
    // each turn of its wait moves the clock on, so that it closes by itself.
    harness.DriveNestedLoops([] { return false; });
    shared.app.shutdowns = 0;
    auto wnd = std::make_unique<Wnd>(&shared.app);
    auto stack = std::make_unique<SteppedStack>();
    std::memcpy(stack->m_szKey, kWireKeyText, sizeof(kWireKeyText));
    stack->m_pRecvQueue = &shared.recvQueue;
    stack->m_pGameWnd = withWindow ? wnd.get() : nullptr;
    // As Initialize leaves a connected node: a kind 3 node whose first step reads a frame header.
    const int index = stack->AddSocketNode(pair[0], 3, kFrameHeaderLen, 0, true);
    Check(index >= 0);
    stack->m_iIndex = index;
    stack->m_iSocket = pair[0];

    Reader reader(*stack, expected, pair[0]);
    size_t written = 0;
    bool open = true;
    for (size_t cut : stream.cuts)
    {
        open = WriteAll(writer.fd, stream.bytes.data() + written, cut - written, reader);
        if (!open)
            break;
        written = cut;
        reader.Pump();
        reader.CheckCaughtUp(written);
    }
    if (open)
        WriteAll(writer.fd, stream.bytes.data() + written, stream.bytes.size() - written, reader);
    writer.Reset();
    reader.Finish();
    // The shutdown's wake-up of the main window is taken, so none pile up over the inputs.
    platform::PumpWindowMessages(0);

    // Exactly one disconnect, shown and ending the game when a window is there.
    Check(stack->m_iIndex.load() == -1 && stack->NodeSocket(index) == 0);
    const auto boxes = harness.MessageBoxes();
    if (withWindow)
    {
        Check(wnd->m_bDisconnected.load() && wnd->disconnections == 1 && shared.app.shutdowns == 1);
        Check(boxes.size() == (expected.versionError ? 2u : 1u));
    }
    else
    {
        Check(!wnd->m_bDisconnected.load() && wnd->disconnections == 0 && shared.app.shutdowns == 0);
        Check(boxes.empty());
    }
    for (const auto& box : boxes)
        Check(box.title == "Message");
    return 0;
}
