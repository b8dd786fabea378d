// Enumerating the process table with 1,000 extra processes running: the
// library's findProcess (name, executable path and command line of every
// process, then the query rule) and its raw snapshot beside libproc2, the
// library procps uses, reading the same three fields of every process.
#include <benchmark/benchmark.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <vector>

#include "ProcessTable.h"
#include "WindowUtil.h"

#if QVX_HAVE_LIBPROC2
#include <libproc2/pids.h>
#endif

extern char** environ;

namespace {

const int kExtraProcesses = 1000;

void BM_FindProcessMatchAnyArgs(benchmark::State& state)
{
    std::size_t found = 0;
    for (auto _ : state)
    {
        const std::list<int> ids = WindowUtil::findProcess("", "sleep", WindowUtil::MatchAnyArgs);
        found = ids.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_FindProcessMatchAnyArgs)->Unit(benchmark::kMillisecond);

void BM_SnapshotAllFields(benchmark::State& state)
{
    std::vector<qvx::platform::ProcessEntry> all;
    for (auto _ : state)
    {
        qvx::platform::snapshotProcesses(all, qvx::platform::ProcessCommandLines);
        benchmark::DoNotOptimize(all.data());
    }
    state.counters["processes"] = static_cast<double>(all.size());
}
BENCHMARK(BM_SnapshotAllFields)->Unit(benchmark::kMillisecond);

#if QVX_HAVE_LIBPROC2
void BM_Libproc2NamePathCommandLine(benchmark::State& state)
{
    pids_item items[] = {PIDS_ID_PID, PIDS_CMD, PIDS_EXE, PIDS_CMDLINE};
    pids_info* info = nullptr;
    if (procps_pids_new(&info, items, 4) < 0)
    {
        state.SkipWithError("libproc2 cannot start");
        return;
    }
    int processes = 0;
    for (auto _ : state)
    {
        pids_fetch* fetched = procps_pids_reap(info, PIDS_FETCH_TASKS_ONLY);
        processes = fetched->counts->total;
        std::size_t bytes = 0;
        for (int i = 0; i < processes; ++i)
        {
            pids_stack* s = fetched->stacks[i];
            bytes += std::char_traits<char>::length(PIDS_VAL(1, str, s, info)) +
                     std::char_traits<char>::length(PIDS_VAL(2, str, s, info)) +
                     std::char_traits<char>::length(PIDS_VAL(3, str, s, info));
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["processes"] = processes;
    procps_pids_unref(&info);
}
BENCHMARK(BM_Libproc2NamePathCommandLine)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

int main(int argc, char** argv)
{
    std::vector<pid_t> extra;
    char program[] = "/bin/sleep";
    char seconds[] = "600";
    char* args[] = {program, seconds, nullptr};
    for (int i = 0; i < kExtraProcesses; ++i)
    {
        pid_t pid;
        if (posix_spawn(&pid, program, nullptr, nullptr, args, environ) == 0)
            extra.push_back(pid);
    }
    std::printf("extra processes running: %zu\n", extra.size());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (pid_t pid : extra)
        kill(pid, SIGKILL);
    for (pid_t pid : extra)
        waitpid(pid, nullptr, 0);
    return 0;
}
