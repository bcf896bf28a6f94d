#pragma once

// Runs the registered benchmarks and prints how one measured against its peer in the
// same run, as a ratio of mean real times with their spread.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace bench {

class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Aggregate)
                stats[run.run_name.function_name][run.aggregate_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, std::map<std::string, double>> stats;
};

inline int runWithRatio(
    int argc, char **argv, const char *ours, const char *peer, const char *label, double goal)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto &a = reporter.stats[ours];
    auto &b = reporter.stats[peer];
    if (a.count("mean") && b.count("mean"))
        std::printf("ratio %s: %.3f (means %.2f +- %.2f ms vs %.2f +- %.2f ms; goal <= %.2f)\n",
            label, a["mean"] / b["mean"], a["mean"], a["stddev"], b["mean"], b["stddev"], goal);
    else
        std::printf("run with --benchmark_repetitions=N (N > 1) for the ratio\n");
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
