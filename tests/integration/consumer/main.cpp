// A game's view of the installed library: its headers, both libraries and the GBK literals.
#include "pop/Common.h"
#include "tessaro/widgets/TextConversion.h"

#include <cstdio>
#include <cstring>

int main()
{
    const char* text = "游戏";
    if (std::strcmp(text, "\xD3\xCE\xCF\xB7") != 0)
    {
        std::puts("narrow literals are not GBK");
        return 1;
    }
    if (Ostra::string2wstring(text) != L"游戏" || Sexy::SexyStringToString(L"游戏") != text)
    {
        std::puts("conversion failed");
        return 1;
    }
    std::puts("consumer ok");
    return 0;
}
