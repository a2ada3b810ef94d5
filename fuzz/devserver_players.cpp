// Any bytes as the devserver's players file: the parser never reads past the text, a refusal names
// one of its lines and keeps nothing, and an accepted file holds no more players than lines and
// reads the same again.
#include "tools/devserver/room/PlayerDirectory.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const long lines = std::count(text.begin(), text.end(), '\n') + 1;
    devserver::PlayerDirectory directory;
    devserver::PlayersFileError error;
    if (!directory.Parse(text, "fuzz.txt", error))
    {
        if (error.line < 1 || error.line > lines || directory.Size() != 0)
            std::abort();
        return 0;
    }
    if (static_cast<long>(directory.Size()) > lines)
        std::abort();
    // The outcome depends on the text alone: a second reading takes it again, adding nobody.
    const size_t players = directory.Size();
    devserver::PlayersFileError again;
    if (!directory.Parse(text, "fuzz.txt", again) || directory.Size() != players)
        std::abort();
    return 0;
}
