#include "tessaro/net/Base64.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

std::string Encode(const std::string& in)
{
    std::string out(4 * ((in.size() + 2) / 3) + 1, '#');
    int n = Base64Encode(reinterpret_cast<const unsigned char*>(in.data()), static_cast<int>(in.size()), out.data(),
                         static_cast<int>(out.size()));
    EXPECT_GE(n, 0);
    return n < 0 ? "" : out.substr(0, static_cast<size_t>(n));
}

} // namespace

TEST(Base64Encode, MatchesTheStandardVectors)
{
    EXPECT_EQ(Encode(""), "");
    EXPECT_EQ(Encode("f"), "Zg==");
    EXPECT_EQ(Encode("fo"), "Zm8=");
    EXPECT_EQ(Encode("foo"), "Zm9v");
    EXPECT_EQ(Encode("foob"), "Zm9vYg==");
    EXPECT_EQ(Encode("fooba"), "Zm9vYmE=");
    EXPECT_EQ(Encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(Encode("user:pa\xFF\xFEss"), "dXNlcjpwYf/+c3M=");
}

TEST(Base64Encode, WritesTheTerminatorOnlyWhenThereIsRoom)
{
    const unsigned char in[3] = {'a', 'b', 'c'};
    char out[8];
    std::fill(std::begin(out), std::end(out), '#');
    EXPECT_EQ(Base64Encode(in, 3, out, 4), 4);
    EXPECT_EQ(std::string(out, 5), "YWJj#");
    EXPECT_EQ(Base64Encode(in, 3, out, 5), 4);
    EXPECT_EQ(std::string(out, 5), std::string("YWJj\0", 5));
    EXPECT_EQ(Base64Encode(in, 3, out, 3), -1);
}

TEST(Base64Encode, RefusesNullAndNegativeArguments)
{
    const unsigned char in[1] = {0};
    char out[8];
    EXPECT_EQ(Base64Encode(nullptr, 1, out, 8), -1);
    EXPECT_EQ(Base64Encode(in, 1, nullptr, 8), -1);
    EXPECT_EQ(Base64Encode(in, -1, out, 8), -1);
    EXPECT_EQ(Base64Encode(in, 0, out, 0), 0);
}
