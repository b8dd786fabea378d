// HashUnit::getHashName on typical unit names, against std::hash of the same
// names in the same run.
#include <benchmark/benchmark.h>

#include <functional>
#include <string>
#include <vector>

#include "HashUnit.h"
#include "UnitTest.h"

namespace {

// Board, camera, motor and file names of the kind units carry: 6 to 40 bytes.
std::vector<std::string> unitNames()
{
    std::vector<std::string> names;
    const char* const stems[] = {"Board", "CameraHead", "XrayTube", "MotorAxis", "Panel_",
                                 "k7300\\calib\\stage", "LightSource-", "DetectorModule"};
    for (int i = 0; i < 256; ++i)
    {
        std::string name = stems[i % 8];
        name += std::to_string(i * 37 % 1000);
        if (i % 3 == 0)
            name += ".cfg";
        if (i % 5 == 0)
            name += " rev B";
        names.push_back(name);
    }
    return names;
}

void BM_HashUnitGetHashName(benchmark::State& state)
{
    // The codes are only made outside unit testing; while it is on, a name comes
    // back unchanged and this would time a string copy.
    if (UnitTest::unitTesting())
    {
        state.SkipWithError("UNIT_TESTING is true: getHashName returns names unchanged");
        return;
    }
    const std::vector<std::string> names = unitNames();
    std::size_t i = 0;
    for (auto _ : state)
    {
        std::string code = HashUnit::getHashName(names[i++ & 255]);
        benchmark::DoNotOptimize(code);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_StdHashBaseline(benchmark::State& state)
{
    const std::vector<std::string> names = unitNames();
    const std::hash<std::string> hash;
    std::size_t i = 0;
    for (auto _ : state)
    {
        std::size_t h = hash(names[i++ & 255]);
        benchmark::DoNotOptimize(h);
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_HashUnitGetHashName);
BENCHMARK(BM_StdHashBaseline);

BENCHMARK_MAIN();
