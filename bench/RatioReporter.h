#pragma once

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>

namespace devnook::bench {

// Prints the usual table, then each measured benchmark's time as a ratio of
// the reference benchmark of the same run, so noisy machines still compare.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    explicit RatioReporter(std::string referenceName) : m_referenceName(std::move(referenceName)) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto reference = m_times.find(m_referenceName);
        if (reference == m_times.end() || reference->second <= 0)
            return;
        for (const auto &[name, time] : m_times) {
            if (name != m_referenceName)
                std::printf("ratio %s / %s = %.2f\n", name.c_str(), m_referenceName.c_str(),
                            time / reference->second);
        }
    }

private:
    std::string m_referenceName;
    std::map<std::string, double> m_times;
};

// Runs every registered benchmark with a RatioReporter against the reference.
inline int runWithRatios(int argc, char **argv, const std::string &referenceName)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter(referenceName);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace devnook::bench
