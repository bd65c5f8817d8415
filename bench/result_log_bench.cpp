// The result log as the window writes it, one line per measurement frame:
// lines per second and CPU per line, into a file of its own (removed after).

#include "app_core/log_files.h"

#include <benchmark/benchmark.h>

#include <cstdio>

static void BM_ResultLogLine(benchmark::State& state)
{
    resultLogEnabled = true;
    const std::string path = ResultLogPath();
    std::remove(path.c_str());
    for (auto _ : state)
        WriteResultLog("重量：2.500 kg 毛重：2.500 kg AD：35000 状态：10");
    state.SetItemsProcessed(state.iterations());
    std::remove(path.c_str());
}
BENCHMARK(BM_ResultLogLine)->MeasureProcessCPUTime()->UseRealTime();

BENCHMARK_MAIN();
