// Helpers shared by the drawing tests: solid images, colour comparison with a tolerance, and a
// temporary folder that removes itself.
#pragma once

#include "pop/Color.h"
#include "pop/Image.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace poptest
{

inline std::unique_ptr<Sexy::MemoryImage> Solid(int w, int h, const Sexy::Color& c)
{
    auto image = std::make_unique<Sexy::MemoryImage>(w, h);
    image->Clear(c);
    return image;
}

// Every channel within tol of the expected one.
inline ::testing::AssertionResult Near(const Sexy::Color& actual, const Sexy::Color& expected, int tol = 2)
{
    auto off = [&](int a, int e) { return std::abs(a - e) > tol; };
    if (off(actual.mRed, expected.mRed) || off(actual.mGreen, expected.mGreen) || off(actual.mBlue, expected.mBlue) ||
        off(actual.mAlpha, expected.mAlpha))
        return ::testing::AssertionFailure()
               << "got (" << actual.mRed << "," << actual.mGreen << "," << actual.mBlue << "," << actual.mAlpha
               << ") want (" << expected.mRed << "," << expected.mGreen << "," << expected.mBlue << ","
               << expected.mAlpha << ")";
    return ::testing::AssertionSuccess();
}

class TempDir
{
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "pop-test-XXXXXX").string();
        if (char* made = ::mkdtemp(pattern.data()))
            mPath = made;
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!mPath.empty())
            std::filesystem::remove_all(mPath, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return mPath; }

private:
    std::string mPath;
};

} // namespace poptest
