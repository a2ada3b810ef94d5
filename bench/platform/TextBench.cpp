// Text conversions on a 500-character chat line, against one bare iconv call on an open
// descriptor: the ratio is what our handling of invalid bytes and descriptors costs.
#include "bench/BenchMain.h"
#include "platform/Text.h"

#include <benchmark/benchmark.h>
#include <iconv.h>

namespace
{

// A chat line as players write them: mostly Chinese with some ASCII, 500 characters.
std::string ChatLine()
{
    const std::string piece = "大家好，来一局吧 ok! "; // 8 Chinese characters + 5 ASCII = 13 characters
    std::string line;
    int chars = 0;
    while (chars + 13 <= 494)
    {
        line += piece;
        chars += 13;
    }
    line.append(static_cast<size_t>(500 - chars), 'x');
    return line;
}

const std::string kLine = ChatLine();
const std::wstring kWideLine = platform::GbkToWide(kLine);

void BM_GbkToWide(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::GbkToWide(kLine));
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kWideLine.size()));
}
BENCHMARK(BM_GbkToWide)->Name("BM_GbkToWide/500");

void BM_IconvOnly(benchmark::State& state)
{
    iconv_t cd = iconv_open("WCHAR_T", "GBK");
    std::wstring out(kLine.size(), L'\0');
    for (auto _ : state)
    {
        char* in = const_cast<char*>(kLine.data());
        size_t inLeft = kLine.size();
        char* dst = reinterpret_cast<char*>(out.data());
        size_t outLeft = out.size() * sizeof(wchar_t);
        iconv(cd, &in, &inLeft, &dst, &outLeft);
        benchmark::DoNotOptimize(out.data());
    }
    iconv_close(cd);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kWideLine.size()));
}
BENCHMARK(BM_IconvOnly)->Name("BM_IconvOnly/500");

void BM_WideToGbk(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::WideToGbk(kWideLine));
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kWideLine.size()));
}
BENCHMARK(BM_WideToGbk)->Name("BM_WideToGbk/500");

void BM_WideToUtf8(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::WideToUtf8(kWideLine));
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kWideLine.size()));
}
BENCHMARK(BM_WideToUtf8)->Name("BM_WideToUtf8/500");

const bool kBaselines = []
{
    tessaro::bench::SetBaseline("BM_GbkToWide/500", "BM_IconvOnly/500");
    return true;
}();

} // namespace

TESSARO_BENCH_MAIN()
