#include "bench/BenchMain.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string_view>
#include <vector>

namespace tessaro::bench
{
namespace
{

std::map<std::string, std::string>& Baselines()
{
    static std::map<std::string, std::string> baselines;
    return baselines;
}

struct Result
{
    std::string name;
    double value = 0;
    std::string unit;
    double p99 = -1; // reported by the benchmark itself; negative: none
};

const benchmark::Counter* FindCounter(const benchmark::UserCounters& counters, const char* name)
{
    auto it = counters.find(name);
    return it == counters.end() ? nullptr : &it->second;
}

// A counter that carries the value itself: "median_<unit>" or "value_<unit>" (the first found in
// name order); unit receives <unit>, with "pct" written as "%".
const benchmark::Counter* FindUnitCounter(const benchmark::UserCounters& counters, std::string* unit)
{
    for (const auto& [name, counter] : counters)
    {
        for (std::string_view prefix : {std::string_view("median_"), std::string_view("value_")})
        {
            if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0)
            {
                *unit = name.substr(prefix.size());
                if (*unit == "pct")
                    *unit = "%";
                return &counter;
            }
        }
    }
    return nullptr;
}

// Collects every run, and shows the console report too unless JSON lines were asked for.
class Reporter : public benchmark::ConsoleReporter
{
public:
    explicit Reporter(bool quiet) : m_quiet(quiet) {}

    bool ReportContext(const Context& context) override
    {
        return m_quiet ? true : ConsoleReporter::ReportContext(context);
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
        {
            if (run.error_occurred || run.run_type != Run::RT_Iteration)
                continue;
            Result r;
            r.name = run.benchmark_name();
            // Benchmarks timed by the wall clock or by themselves carry the library's marker; the
            // name is ours.
            for (const std::string_view marker : {std::string_view("/real_time"), std::string_view("/manual_time")})
            {
                if (r.name.size() > marker.size() &&
                    r.name.compare(r.name.size() - marker.size(), marker.size(), marker) == 0)
                    r.name.resize(r.name.size() - marker.size());
            }
            auto bytes = run.counters.find("bytes_per_second");
            auto items = run.counters.find("items_per_second");
            std::string unit;
            const benchmark::Counter* median = FindUnitCounter(run.counters, &unit);
            const benchmark::Counter* p99 = FindCounter(run.counters, ("p99_" + unit).c_str());
            if (!p99)
                p99 = FindCounter(run.counters, "p99");
            if (p99)
                r.p99 = p99->value;
            if (median)
            {
                r.value = median->value;
                r.unit = unit;
            }
            else if (bytes != run.counters.end() && bytes->second.value > 0)
            {
                r.value = bytes->second.value / 1e6;
                r.unit = "MB/s";
            }
            else if (items != run.counters.end() && items->second.value > 0)
            {
                r.value = items->second.value;
                r.unit = "items/s";
            }
            else
            {
                r.value = run.GetAdjustedRealTime() * NanosecondsPer(run.time_unit);
                r.unit = "ns";
            }
            m_results.push_back(r);
        }
        if (!m_quiet)
            ConsoleReporter::ReportRuns(runs);
    }

    const std::vector<Result>& Results() const { return m_results; }

private:
    static double NanosecondsPer(benchmark::TimeUnit unit)
    {
        switch (unit)
        {
        case benchmark::kSecond:
            return 1e9;
        case benchmark::kMillisecond:
            return 1e6;
        case benchmark::kMicrosecond:
            return 1e3;
        default:
            return 1;
        }
    }

    bool m_quiet;
    std::vector<Result> m_results;
};

std::string JsonString(const std::string& s)
{
    std::string out = "\"";
    for (char c : s)
    {
        if (c == '"' || c == '\\')
        {
            out += '\\';
            out += c;
        }
        else if (static_cast<unsigned char>(c) < 0x20)
        {
            char buf[8];
            std::snprintf(buf, sizeof(buf), "\\u%04x", c);
            out += buf;
        }
        else
        {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace

void SetBaseline(const std::string& name, const std::string& baseline)
{
    Baselines()[name] = baseline;
}

int Main(int argc, char** argv)
{
    bool json = false;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i)
    {
        if (i > 0 && std::strcmp(argv[i], "--json") == 0)
            json = true;
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;

    Reporter reporter(json);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::map<std::string, const Result*> byName;
    for (const Result& r : reporter.Results())
        byName[r.name] = &r;

    if (!json)
        std::printf("\n%-40s %18s %20s %8s\n", "benchmark", "value", "baseline", "ratio");
    for (const Result& r : reporter.Results())
    {
        const Result* base = nullptr;
        if (auto b = Baselines().find(r.name); b != Baselines().end())
        {
            if (auto found = byName.find(b->second); found != byName.end())
                base = found->second;
        }
        if (json)
        {
            std::printf("{\"name\": %s, \"value\": %.4g, \"unit\": %s", JsonString(r.name).c_str(), r.value,
                        JsonString(r.unit).c_str());
            if (r.p99 >= 0)
                std::printf(", \"p99\": %.4g", r.p99);
            if (base && base->value > 0)
                std::printf(", \"baseline\": %s, \"ratio\": %.4g", JsonString(base->name).c_str(),
                            r.value / base->value);
            std::printf("}\n");
        }
        else if (base && base->value > 0)
        {
            std::printf("%-40s %10.4g %-7s %20s %8.3f\n", r.name.c_str(), r.value, r.unit.c_str(), base->name.c_str(),
                        r.value / base->value);
        }
        else if (r.p99 >= 0)
        {
            std::printf("%-40s %10.4g %-7s p99 %.4g %s\n", r.name.c_str(), r.value, r.unit.c_str(), r.p99,
                        r.unit.c_str());
        }
        else
        {
            std::printf("%-40s %10.4g %-7s\n", r.name.c_str(), r.value, r.unit.c_str());
        }
    }
    return 0;
}

} // namespace tessaro::bench
