#pragma once
// Start-up shared by the side-by-side benchmarks: one core, and the median
// of five runs unless the command line asks otherwise.
#include <benchmark/benchmark.h>
#include <sched.h>

#include <map>

#include <string>
#include <vector>

namespace benchmain {

struct Args {
    std::vector<char*> args;
    std::string repetitions = "--benchmark_repetitions=5";
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    bool pinned = false;
};

// Pins the process to the core it runs on and rewrites argc/argv (which
// point into `a` afterwards).
inline void prepare(Args& a, int& argc, char**& argv) {
    cpu_set_t one;
    CPU_ZERO(&one);
    const int cpu = sched_getcpu();
    CPU_SET(cpu >= 0 ? cpu : 0, &one);
    a.pinned = sched_setaffinity(0, sizeof one, &one) == 0;
    a.args.assign(argv, argv + argc);
    bool repetitionsGiven = false;
    for (int i = 1; i < argc; ++i) repetitionsGiven |= std::string(argv[i]).rfind("--benchmark_repetitions", 0) == 0;
    if (!repetitionsGiven) {
        a.args.push_back(a.repetitions.data());
        a.args.push_back(a.aggregates.data());
    }
    argc = static_cast<int>(a.args.size());
    a.args.push_back(nullptr);
    argv = a.args.data();
}

// Figures from a build that is not optimised mean little: every report says
// which it was.
inline const char* build_kind() {
#ifdef NDEBUG
    return "optimised";
#else
    return "not optimised";
#endif
}

// Keeps the median of each benchmark's repetitions (or its only run).
class Collector : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> secondsPerIteration;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (!median && !single) continue;
            secondsPerIteration[run.run_name.function_name] =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace benchmain
