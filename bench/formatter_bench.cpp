// formatHtml throughput on large pages made from the real-page fixtures (tests/data/pages); see corpusPage.
// bench/formatter_peers.py builds the same files for the comparison with tidy and Prettier.
#include "bench/corpuspage.h"
#include "formatter/htmlformatter.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>

namespace {

double peakResidentMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void FormatHtmlPage(benchmark::State& state)
{
    const std::size_t bytes = static_cast<std::size_t>(state.range(0)) * 1024 * 1024;
    const std::string page = inkwell::bench::corpusPage(std::filesystem::path(INKWELL_TEST_DATA) / "pages", bytes);
    std::size_t outputBytes = 0;
    for (auto _ : state) {
        const std::string out = inkwell::formatHtml(page, inkwell::IndentKind::Tab);
        outputBytes = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
    state.counters["out/in"] = static_cast<double>(outputBytes) / static_cast<double>(page.size());
    // The process's peak so far; the sizes run in ascending order, so for the largest it is that run's peak.
    state.counters["peakRSS_MB"] = peakResidentMegabytes();
}

BENCHMARK(FormatHtmlPage)->Arg(1)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
