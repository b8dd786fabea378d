// FileName::doBinaryFilesCompare / doTextFilesCompare on two equal 256 MB
// files against the system's cmp in the same run. The files are generated in a
// temporary directory at start and removed at the end.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "FileName.h"

namespace {

const std::size_t FILE_SIZE = 256u << 20;

struct Files
{
    Files()
    {
        const char* base = std::getenv("TMPDIR");
        std::string templ = std::string(base != nullptr && *base ? base : "/tmp") + "/qvx-bench-XXXXXX";
        if (::mkdtemp(&templ[0]) == nullptr)
            std::abort();
        dir = templ;
        a = dir + "/a.txt";
        b = dir + "/b.txt";
        // Text-like contents: words and whitespace.
        std::vector<char> block(1 << 20);
        std::mt19937 rng(1);
        for (char& c : block)
        {
            const unsigned r = rng() % 64;
            c = r < 8 ? " \n\t "[r % 4] : static_cast<char>('a' + r % 26);
        }
        for (const std::string& name : {a, b})
        {
            std::ofstream out(name, std::ios::binary);
            for (std::size_t written = 0; written < FILE_SIZE; written += block.size())
                out.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
    }
    ~Files()
    {
        std::remove(a.c_str());
        std::remove(b.c_str());
        ::rmdir(dir.c_str());
    }
    std::string dir, a, b;
};

Files& files()
{
    static Files f;
    return f;
}

void BM_doBinaryFilesCompare(benchmark::State& state)
{
    FileName f;
    for (auto _ : state)
        if (!f.doBinaryFilesCompare(files().a, files().b))
            state.SkipWithError("files compared different");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 2 * FILE_SIZE));
}

void BM_doTextFilesCompare(benchmark::State& state)
{
    FileName f;
    for (auto _ : state)
        if (!f.doTextFilesCompare(files().a, files().b))
            state.SkipWithError("files compared different");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 2 * FILE_SIZE));
}

void BM_cmp(benchmark::State& state)
{
    for (auto _ : state)
    {
        const pid_t pid = ::fork();
        if (pid == 0)
        {
            ::execlp("cmp", "cmp", "-s", files().a.c_str(), files().b.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("cmp failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 2 * FILE_SIZE));
}

}  // namespace

BENCHMARK(BM_cmp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_doBinaryFilesCompare)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_doTextFilesCompare)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    files();  // generated before any timing
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
