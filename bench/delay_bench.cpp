// Delay(500) ten times: the wall time is the wait, the CPU column is what
// the process spent meanwhile. Delay blocks in the event loop, so the CPU
// time stays near zero instead of a full core.

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include "app/delay.h"

static void BM_Delay500(benchmark::State& state)
{
    for (auto _ : state)
        Delay(500);
}
BENCHMARK(BM_Delay500)->Iterations(10)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
