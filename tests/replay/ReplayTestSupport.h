// What the replay tests share: a temporary folder, real frames, and record lines written by hand.
#pragma once

#include "tools/devserver/Wire.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace replaytest
{

namespace fs = std::filesystem;

class TempFolder
{
public:
    TempFolder()
    {
        std::string pattern = testing::TempDir() + "replay-XXXXXX";
        if (mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~TempFolder()
    {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    fs::path operator/(const std::string& name) const { return m_path / name; }

private:
    fs::path m_path;
};

// A game message of type with body, framed and encrypted as the server sends it.
inline std::string Frame(unsigned char type, const std::string& body)
{
    std::string frame;
    devserver::FrameMessage(devserver::GameMessage(type, body), frame);
    return frame;
}

inline const char* kHeader = R"({"format":"tessaro-record","version":1})";

inline std::string Entry(int conn, double t, int type, const std::string& frame)
{
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", t);
    return "{\"conn\":" + std::to_string(conn) + ",\"t\":" + time + ",\"type\":" + std::to_string(type) +
           ",\"frame\":\"" + devserver::ToHex(frame) + "\"}";
}

inline void WriteLines(const fs::path& path, const std::vector<std::string>& lines)
{
    std::ofstream out(path, std::ios::binary);
    for (const std::string& line : lines)
        out << line << "\n";
}

} // namespace replaytest
