// The bytes the server builds: message headers, frames, the templates, and the JSON it reports
// them with.
#include "tessaro/net/Frame.h"
#include "tools/devserver/JsonLog.h"
#include "tools/devserver/Templates.h"
#include "tools/devserver/Wire.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace devserver;

std::vector<std::string> Expand(const char* name, const std::vector<std::string>& args)
{
    const TemplateEntry* tmpl = FindTemplate(name);
    EXPECT_NE(tmpl, nullptr) << name;
    std::vector<std::string> out;
    if (!tmpl)
        return out;
    MessageSource source;
    std::string error;
    EXPECT_TRUE(tmpl->prepare(args, source, error)) << error;
    EXPECT_TRUE(source(
        [&](std::string msg)
        {
            out.push_back(std::move(msg));
            return true;
        }));
    return out;
}

TEST(Messages, HeaderCarriesTypeAndBigEndianBodyLength)
{
    const std::string msg = GameMessage(0xC8, std::string(0x0102, 'x'));
    ASSERT_EQ(msg.size(), 8u + 0x0102);
    EXPECT_EQ(ToHex(msg.substr(0, 8)), "03c8000000000102");
    EXPECT_TRUE(HasMsgHeader(msg));
    EXPECT_EQ(MsgType(msg), 0xC8);
    EXPECT_FALSE(HasMsgHeader(msg.substr(0, 7)));
}

TEST(Messages, FrameIsSixteenBytesLongerAndOpensToTheMessage)
{
    const std::string msg = GameMessage(5, "hello");
    std::string frame;
    ASSERT_TRUE(FrameMessage(msg, frame));
    ASSERT_EQ(frame.size(), msg.size() + 20);
    EXPECT_EQ(static_cast<unsigned char>(frame[0]), 3);
    EXPECT_EQ(frame[1], 0);
    EXPECT_EQ(Ostra::FrameTotalLen(reinterpret_cast<const unsigned char*>(frame.data())),
              static_cast<int>(frame.size()));
    std::string opened(frame.size(), '\0');
    const int len = Ostra::OpenFrameBody(Ostra::kWireKeyText, frame.data() + 4, static_cast<int>(frame.size()) - 4,
                                         opened.data(), static_cast<int>(opened.size()));
    ASSERT_EQ(len, static_cast<int>(msg.size()));
    EXPECT_EQ(opened.substr(0, static_cast<size_t>(len)), msg);

    std::string odd;
    ASSERT_TRUE(FrameMessage(msg, odd, 7));
    EXPECT_EQ(static_cast<unsigned char>(odd[0]), 7);
    EXPECT_EQ(odd.size(), frame.size());
}

TEST(Messages, FrameLengthLimit)
{
    std::string frame;
    EXPECT_TRUE(FrameMessage(std::string(static_cast<size_t>(kMaxFramedMsgLen), 'a'), frame));
    EXPECT_EQ(frame.size(), 0xFFFFu);
    EXPECT_FALSE(FrameMessage(std::string(static_cast<size_t>(kMaxFramedMsgLen) + 1, 'a'), frame));
    // The smallest frame: an empty message.
    EXPECT_TRUE(FrameMessage("", frame));
    EXPECT_EQ(frame.size(), 20u);
}

TEST(Templates, ProbeNetDelayAndKeepAliveBytes)
{
    const std::vector<std::string> probe = Expand("probe", {});
    ASSERT_EQ(probe.size(), 1u);
    EXPECT_EQ(ToHex(probe[0]), "030100000000000c"
                               "000000000000000000000000");

    const std::vector<std::string> delay = Expand("netdelay", {"1234", "5"});
    ASSERT_EQ(delay.size(), 1u);
    EXPECT_EQ(ToHex(delay[0]), "030100000000000c"
                               "02000000"
                               "000004d2"
                               "05000000");
    EXPECT_EQ(NetDelayMessage(0xFFFFFFFFu, 0xFE).substr(12), std::string("\xff\xff\xff\xff\xfe\x00\x00\x00", 8));

    const std::vector<std::string> keepAlive = Expand("keepalive", {});
    ASSERT_EQ(keepAlive.size(), 1u);
    EXPECT_EQ(ToHex(keepAlive[0]), "031a000000000004"
                                   "00000000");
}

TEST(Templates, SeqNumbersItsMessagesAndPadsTheBody)
{
    const std::vector<std::string> seq = Expand("seq", {"40", "3", "10"});
    ASSERT_EQ(seq.size(), 3u);
    for (size_t i = 0; i < seq.size(); ++i)
    {
        ASSERT_EQ(seq[i].size(), 18u);
        EXPECT_EQ(ToHex(seq[i]), "032800000000000a"
                                 "0000000" +
                                     std::to_string(i) + "000000000000");
    }
    const std::vector<std::string> plain = Expand("seq", {"7", "300"});
    ASSERT_EQ(plain.size(), 300u);
    EXPECT_EQ(ToHex(plain[299]), "03070000000000040000012b");
}

TEST(Templates, SeqStopsWhenItsSinkRefuses)
{
    MessageSource source;
    std::string error;
    ASSERT_TRUE(FindTemplate("seq")->prepare({"1", "1000"}, source, error));
    int taken = 0;
    EXPECT_FALSE(source([&](std::string) { return ++taken < 5; }));
    EXPECT_EQ(taken, 5);
}

TEST(Templates, UnknownNamesAreNotFound)
{
    EXPECT_EQ(FindTemplate("Probe"), nullptr);
    EXPECT_EQ(FindTemplate(""), nullptr);
}

TEST(Json, StringsStayValidWhateverTheBytes)
{
    EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(JsonString(std::string("\n\r\t\x01\x1f\x7f", 6)), "\"\\n\\r\\t\\u0001\\u001f\\u007f\"");
    EXPECT_EQ(JsonString(std::string("x\0y", 3)), "\"x\\u0000y\"");
    // Valid UTF-8 passes; broken sequences each become U+FFFD.
    EXPECT_EQ(JsonString("\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80"), "\"\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80\"");
    const std::string bad = "\x80|\xc3|\xc0\x80|\xed\xa0\x80|\xf4\x90\x80\x80|\xe4\xb8";
    const std::string r = "\xef\xbf\xbd";
    EXPECT_EQ(JsonString(bad),
              "\"" + r + "|" + r + "|" + r + r + "|" + r + r + r + "|" + r + r + r + r + "|" + r + r + "\"");
}

TEST(Json, MessageFieldsHexTheBody)
{
    JsonLine line("recv");
    line.Int("conn", 2).Message(GameMessage(9, std::string("\x00\xff\"", 3)));
    EXPECT_EQ(line.Text(), "{\"event\":\"recv\",\"conn\":2,\"type\":9,\"len\":11,\"body\":\"00ff22\"}");

    JsonLine shortLine("recv");
    shortLine.Message(std::string("\x03\x01\x00", 3));
    EXPECT_EQ(shortLine.Text(), "{\"event\":\"recv\",\"len\":3,\"hex\":\"030100\"}");
}

TEST(Json, TimedLinesEndWithTheTime)
{
    std::vector<std::string> lines;
    JsonLog log([&](const std::string& line) { lines.push_back(line); });
    JsonLine listen("listen");
    listen.Str("host", "127.0.0.1").Int("port", 5);
    log.WriteUntimed(listen);
    log.Write(JsonLine("stop"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "{\"event\":\"listen\",\"host\":\"127.0.0.1\",\"port\":5}");
    EXPECT_EQ(lines[1].rfind("{\"event\":\"stop\",\"t\":", 0), 0u) << lines[1];
    EXPECT_EQ(lines[1].back(), '}');
}

} // namespace
