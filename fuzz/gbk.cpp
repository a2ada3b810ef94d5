// Any bytes through the text decoders: no crash, no read past the input, and the properties that
// callers rely on.
#include "platform/Path.h"
#include "platform/Text.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);

    std::wstring wide = platform::GbkToWide(bytes);
    if (wide.size() > bytes.size())
        std::abort();
    if (wide.find(platform::kReplacementChar) == std::wstring::npos && platform::WideToGbk(wide) != bytes)
        std::abort();

    std::string utf8 = platform::WideToUtf8(wide);
    if (platform::Utf8ToWide(utf8) != wide)
        std::abort();

    std::wstring fromUtf8 = platform::Utf8ToWide(bytes);
    if (fromUtf8.size() > bytes.size())
        std::abort();

    platform::NativePathSpelling(bytes);
    platform::DesktopDirFromUserDirs(bytes, "/home/u");
    return 0;
}
