// Cost of the profiler's scopes (charged to every profiled region) and of
// filling a text with parameters.
#include "orvek/Names.h"
#include "orvek/Profiler.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

const char outer_name[] = "bench.outer";
const char inner_name[] = "bench.inner";

void BM_ProfileScopeNested(benchmark::State& state) {
    orvek::ProfileScope outer(outer_name);
    for (auto _ : state) {
        orvek::ProfileScope inner(inner_name);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ProfileScopeNested);

void BM_TextParamsApply(benchmark::State& state) {
    orvek::TextParams params;
    params.set("%name%", "Player One").set_int("%count%", 42).set("%time%", "03:15").set("%curtime%", "12:00");
    const std::string text = "%name%, you cleared %count% chains in %time% (now %curtime%). Well done, %name%!";
    for (auto _ : state) {
        std::string t = text;
        params.apply(t);
        benchmark::DoNotOptimize(t);
    }
}
BENCHMARK(BM_TextParamsApply);

}  // namespace

BENCHMARK_MAIN();
