// Text helpers against the standard facilities they stand beside, in one run:
// natural sorting, number conversions, trim and split.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <list>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "AlphaNumericComparator.h"
#include "StringUtil.h"

namespace {

// File and unit names as the machine's tools list them: prefixes in mixed
// case, embedded serial numbers, board and side indexes, extensions.
std::vector<std::string> realisticNames(std::size_t count)
{
    static const char* const stems[] = {"unit", "Unit", "board", "Panel", "IMG", "img", "SN",
                                        "calib_", "recipe", "Layer", "cam", "xray_scan"};
    static const char* const exts[] = {".cfg", ".png", ".log", ".xml", "", ".dat"};
    std::mt19937 rng(42);
    std::vector<std::string> names;
    names.reserve(count);
    char buffer[96];
    for (std::size_t i = 0; i < count; ++i)
    {
        const char* stem = stems[rng() % (sizeof stems / sizeof *stems)];
        const char* ext = exts[rng() % (sizeof exts / sizeof *exts)];
        switch (rng() % 4)
        {
        case 0:
            std::snprintf(buffer, sizeof buffer, "%s%u%s", stem, static_cast<unsigned>(rng() % 5000), ext);
            break;
        case 1:
            std::snprintf(buffer, sizeof buffer, "%s%06u_side%u%s", stem,
                          static_cast<unsigned>(rng() % 100000), static_cast<unsigned>(rng() % 2), ext);
            break;
        case 2:
            std::snprintf(buffer, sizeof buffer, "%s_%u_board%u_view%u%s", stem,
                          static_cast<unsigned>(rng() % 300), static_cast<unsigned>(rng() % 40),
                          static_cast<unsigned>(rng() % 12), ext);
            break;
        default:
            std::snprintf(buffer, sizeof buffer, "%s-%c%c%u%s", stem, 'A' + static_cast<char>(rng() % 26),
                          'a' + static_cast<char>(rng() % 26), static_cast<unsigned>(rng() % 1000), ext);
        }
        names.push_back(buffer);
    }
    return names;
}

bool lessIgnoreCase(const std::string& a, const std::string& b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
    {
        const int x = std::toupper(static_cast<unsigned char>(a[i]));
        const int y = std::toupper(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

const std::vector<std::string>& names()
{
    static const std::vector<std::string> all = realisticNames(100000);
    return all;
}

void BM_SortNames_StdSortIgnoreCase(benchmark::State& state)
{
    for (auto _ : state)
    {
        state.PauseTiming();
        std::vector<std::string> v = names();
        state.ResumeTiming();
        std::sort(v.begin(), v.end(), lessIgnoreCase);
        benchmark::DoNotOptimize(v.data());
    }
}
BENCHMARK(BM_SortNames_StdSortIgnoreCase)->Unit(benchmark::kMillisecond);

void BM_SortNames_StableSortNatural(benchmark::State& state)
{
    const AlphaNumericComparator natural;
    for (auto _ : state)
    {
        state.PauseTiming();
        std::vector<std::string> v = names();
        state.ResumeTiming();
        std::stable_sort(v.begin(), v.end(), natural);
        benchmark::DoNotOptimize(v.data());
    }
}
BENCHMARK(BM_SortNames_StableSortNatural)->Unit(benchmark::kMillisecond);

std::vector<std::string> intTexts()
{
    std::mt19937 rng(1);
    std::vector<std::string> v;
    for (int i = 0; i < 1024; ++i)
        v.push_back(std::to_string(static_cast<std::int32_t>(rng()) >> (rng() % 31)));
    return v;
}

std::vector<double> doubles()
{
    std::mt19937_64 rng(2);
    std::uniform_real_distribution<double> wide(-1e9, 1e9);
    std::vector<double> v;
    for (int i = 0; i < 1024; ++i)
        v.push_back(i % 2 ? wide(rng) : std::round(wide(rng)) / 1000);
    return v;
}

std::vector<std::string> doubleTexts()
{
    std::vector<std::string> v;
    char buffer[64];
    for (double d : doubles())
    {
        std::snprintf(buffer, sizeof buffer, "%.16g", d);
        v.push_back(buffer);
    }
    return v;
}

void BM_StringToInt(benchmark::State& state)
{
    const std::vector<std::string> texts = intTexts();
    for (auto _ : state)
        for (const std::string& s : texts)
            benchmark::DoNotOptimize(StringUtil::stringToInt(s));
    state.SetItemsProcessed(state.iterations() * texts.size());
}
BENCHMARK(BM_StringToInt);

void BM_StringToInt_FromChars(benchmark::State& state)
{
    const std::vector<std::string> texts = intTexts();
    for (auto _ : state)
        for (const std::string& s : texts)
        {
            std::int32_t v = 0;
            std::from_chars(s.data(), s.data() + s.size(), v);
            benchmark::DoNotOptimize(v);
        }
    state.SetItemsProcessed(state.iterations() * texts.size());
}
BENCHMARK(BM_StringToInt_FromChars);

void BM_StringToDouble(benchmark::State& state)
{
    const std::vector<std::string> texts = doubleTexts();
    for (auto _ : state)
        for (const std::string& s : texts)
            benchmark::DoNotOptimize(StringUtil::stringToDouble(s));
    state.SetItemsProcessed(state.iterations() * texts.size());
}
BENCHMARK(BM_StringToDouble);

void BM_StringToDouble_FromChars(benchmark::State& state)
{
    const std::vector<std::string> texts = doubleTexts();
    for (auto _ : state)
        for (const std::string& s : texts)
        {
            double v = 0;
            std::from_chars(s.data(), s.data() + s.size(), v);
            benchmark::DoNotOptimize(v);
        }
    state.SetItemsProcessed(state.iterations() * texts.size());
}
BENCHMARK(BM_StringToDouble_FromChars);

void BM_DoubleToString(benchmark::State& state)
{
    const std::vector<double> values = doubles();
    for (auto _ : state)
        for (double d : values)
            benchmark::DoNotOptimize(StringUtil::doubleToString(d));
    state.SetItemsProcessed(state.iterations() * values.size());
}
BENCHMARK(BM_DoubleToString);

void BM_DoubleToString_Snprintf(benchmark::State& state)
{
    const std::vector<double> values = doubles();
    char buffer[64];
    for (auto _ : state)
        for (double d : values)
        {
            std::snprintf(buffer, sizeof buffer, "%.16g", d);
            benchmark::DoNotOptimize(buffer);
        }
    state.SetItemsProcessed(state.iterations() * values.size());
}
BENCHMARK(BM_DoubleToString_Snprintf);

void BM_IntToString(benchmark::State& state)
{
    std::vector<long> values;
    for (const std::string& s : intTexts())
        values.push_back(std::stol(s));
    for (auto _ : state)
        for (long v : values)
            benchmark::DoNotOptimize(StringUtil::intToString(v));
    state.SetItemsProcessed(state.iterations() * values.size());
}
BENCHMARK(BM_IntToString);

void BM_IntToString_ToChars(benchmark::State& state)
{
    std::vector<long> values;
    for (const std::string& s : intTexts())
        values.push_back(std::stol(s));
    char buffer[24];
    for (auto _ : state)
        for (long v : values)
        {
            benchmark::DoNotOptimize(std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
            benchmark::ClobberMemory();
        }
    state.SetItemsProcessed(state.iterations() * values.size());
}
BENCHMARK(BM_IntToString_ToChars);

const std::string trimInput = "  \t calibration_offset_x = 12.5 \r\n";
const std::string splitInput = "unit1;board 12;side=top;  x=102.5,y=88.25 ; z ;;camera 3;exposure=40ms";

void BM_Trim(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(StringUtil::trim(trimInput));
}
BENCHMARK(BM_Trim);

void BM_Trim_StringCopy(benchmark::State& state)
{
    // The baseline: find the ends and copy the middle into a new string.
    for (auto _ : state)
    {
        const std::size_t first = trimInput.find_first_not_of(" \t\n\r\f");
        const std::size_t last = trimInput.find_last_not_of(" \t\n\r\f");
        benchmark::DoNotOptimize(std::string(trimInput, first, last - first + 1));
    }
}
BENCHMARK(BM_Trim_StringCopy);

void BM_Split(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(StringUtil::split(splitInput, ";,"));
}
BENCHMARK(BM_Split);

void BM_Split_FindLoopList(benchmark::State& state)
{
    // The baseline: a find_first_of loop into the same container type.
    for (auto _ : state)
    {
        std::list<std::string> out;
        std::size_t start = splitInput.find_first_not_of(";,");
        while (start != std::string::npos)
        {
            const std::size_t end = splitInput.find_first_of(";,", start);
            out.emplace_back(splitInput, start, end == std::string::npos ? std::string::npos : end - start);
            start = end == std::string::npos ? end : splitInput.find_first_not_of(";,", end);
        }
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_Split_FindLoopList);

}  // namespace

BENCHMARK_MAIN();
