#pragma once

// What the benchmarks that print their ratios share: a reporter that keeps
// the medians, and a run in random interleaving order so that a load that
// comes and goes on the machine spreads over every benchmark alike.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

// Keeps the median real and CPU time of every benchmark it reports, by
// name ("BM_Name", or "BM_Name/arg" for a benchmark with arguments).
class TMedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                const std::string name =
                    run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
                medians[name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The median of a over the median of b (real time, or CPU time); -1
    // when either is missing.
    double Ratio(const std::string &a, const std::string &b, bool cpu = false) const
    {
        const auto x = medians.find(a);
        const auto y = medians.find(b);
        if (x == medians.end() || y == medians.end())
            return -1;
        const double denominator = cpu ? y->second.second : y->second.first;
        return denominator > 0 ? (cpu ? x->second.second : x->second.first) / denominator : -1;
    }

    std::map<std::string, std::pair<double, double>> medians; // real, CPU
};

// Runs the benchmarks of the command line into reporter, interleaved.
// False when the command line holds arguments the library does not know.
inline bool RunInterleaved(int argc, char **argv, TMedianReporter &reporter)
{
    std::vector<char *> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return false;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return true;
}
