// WindowUtil::getRegistryValue on a store of 10,000 values in 1,000 keys that
// does not change between calls, beside a lookup of the same values in a plain
// in-memory map in the same run; and the first call after the store changed,
// which reads and parses the file again.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "RegistryFile.h"
#include "WindowUtil.h"

namespace {

constexpr int KEYS = 1000;
constexpr int VALUES_PER_KEY = 10;

struct Lookup
{
    std::string subKey;
    std::string value;
    std::string expected;
};

// A temporary store with one UTF-16 file of every value, made once.
class Store
{
public:
    Store() : _dir("/tmp/qvx-regbench-XXXXXX")
    {
        ::mkdtemp(&_dir[0]);
        ::setenv("QVX_REGISTRY_DIR", _dir.c_str(), 1);
        qvx::platform::RegistryFileContents contents;
        for (int k = 0; k < KEYS; ++k)
        {
            const std::string subKey = "SOFTWARE\\Torvane\\Machine\\Unit" + std::to_string(k);
            for (int v = 0; v < VALUES_PER_KEY; ++v)
            {
                qvx::platform::RegistryEntry e;
                e.operation = qvx::platform::RegistryOperation::SetValue;
                e.key = "HKEY_LOCAL_MACHINE\\" + subKey;
                e.name = "Setting" + std::to_string(v);
                std::string text;
                if (v % 2 == 0)
                {
                    text = "value " + std::to_string(k * VALUES_PER_KEY + v) + " of the calibration";
                    e.type = qvx::platform::REGISTRY_TYPE_STRING;
                    e.data = text + '\0';
                }
                else
                {
                    const unsigned n = static_cast<unsigned>(k * 7919 + v);
                    text = std::to_string(n);
                    e.type = qvx::platform::REGISTRY_TYPE_NUMBER32;
                    for (int i = 0; i < 4; ++i)
                        e.data += static_cast<char>((n >> (8 * i)) & 0xFF);
                }
                contents.entries.push_back(e);
                _lookups.push_back({subKey, e.name, text});
                _map[subKey + "\\" + e.name] = text;
            }
        }
        _file = _dir + "/machine.reg";
        std::ofstream(_file, std::ios::binary) << qvx::platform::formatRegistryFile(contents);
        // A fixed order that jumps around the keys.
        std::vector<Lookup> shuffled;
        for (std::size_t i = 0; i < _lookups.size(); ++i)
            shuffled.push_back(_lookups[(i * 7477) % _lookups.size()]);
        _lookups.swap(shuffled);
    }
    ~Store() { std::filesystem::remove_all(_dir); }

    std::string _dir;
    std::string _file;
    std::vector<Lookup> _lookups;
    std::map<std::string, std::string> _map;
};

Store& store()
{
    static Store s;
    return s;
}

void BM_GetRegistryValueUnchangedStore(benchmark::State& state)
{
    Store& s = store();
    std::size_t i = 0;
    if (WindowUtil::getRegistryValue(HKEY_LOCAL_MACHINE, s._lookups[0].subKey, s._lookups[0].value) !=
        s._lookups[0].expected)
    {
        state.SkipWithError("the store gives another value");
        return;
    }
    for (auto _ : state)
    {
        const Lookup& l = s._lookups[i++ % s._lookups.size()];
        benchmark::DoNotOptimize(WindowUtil::getRegistryValue(HKEY_LOCAL_MACHINE, l.subKey, l.value));
    }
}
BENCHMARK(BM_GetRegistryValueUnchangedStore);

void BM_PlainMapLookup(benchmark::State& state)
{
    Store& s = store();
    std::vector<std::string> keys;
    for (const Lookup& l : s._lookups)
        keys.push_back(l.subKey + "\\" + l.value);
    std::size_t i = 0;
    for (auto _ : state)
    {
        std::string value = s._map.find(keys[i++ % keys.size()])->second;
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_PlainMapLookup);

// Each call finds the file's modification time changed, so it reads the
// 10,000 values again before it answers.
void BM_FirstCallAfterTheStoreChanged(benchmark::State& state)
{
    Store& s = store();
    long tick = 0;
    for (auto _ : state)
    {
        const timespec times[2] = {{1000000 + ++tick, 0}, {1000000 + tick, 0}};
        ::utimensat(AT_FDCWD, s._file.c_str(), times, 0);
        benchmark::DoNotOptimize(
            WindowUtil::getRegistryValue(HKEY_LOCAL_MACHINE, s._lookups[0].subKey, s._lookups[0].value));
    }
}
BENCHMARK(BM_FirstCallAfterTheStoreChanged)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
