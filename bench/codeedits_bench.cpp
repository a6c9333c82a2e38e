// What carrying one changed word from the code view back into a 5 MB page adds to the switch to the
// design view: the time of carryEdits on the corpus page (see corpusPage), next to one formatting of it.
// On a busy machine the processor time is the figure to read; the wall-clock time waits for a core.
#include "bench/corpuspage.h"
#include "codeedits/editcarrier.h"
#include "formatter/htmlformatter.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <string>

namespace {

constexpr std::size_t kPageBytes = 5 * 1024 * 1024;

const std::string& page()
{
    static const std::string markup
        = inkwell::bench::corpusPage(std::filesystem::path(INKWELL_TEST_DATA) / "pages", kPageBytes);
    return markup;
}

const std::string& formatted()
{
    static const std::string text = inkwell::formatHtml(page(), inkwell::IndentKind::Tab);
    return text;
}

// The formatted page with one word changed at the given fraction of its length: the first word of
// letters found from there.
std::string withOneWordChanged(double where)
{
    std::string text = formatted();
    std::size_t at = static_cast<std::size_t>(static_cast<double>(text.size()) * where);
    const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    while (at < text.size() && !(isLetter(text[at]) && text[at - 1] == ' '))
        ++at;
    std::size_t end = at;
    while (end < text.size() && isLetter(text[end]))
        ++end;
    text.replace(at, end - at, "changed");
    return text;
}

void CarryOneWord(benchmark::State& state)
{
    const std::string edited = withOneWordChanged(static_cast<double>(state.range(0)) / 100.0);
    for (auto _ : state) {
        const auto carried = inkwell::carryEdits(page(), formatted(), edited);
        if (!carried)
            state.SkipWithError("the word was not carried");
        benchmark::DoNotOptimize(carried);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page().size()));
}

void FormatPage(benchmark::State& state)
{
    for (auto _ : state) {
        const std::string out = inkwell::formatHtml(page(), inkwell::IndentKind::Tab);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page().size()));
}

// The word near the start, in the middle and near the end of the page.
BENCHMARK(CarryOneWord)->Arg(1)->Arg(50)->Arg(99)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(FormatPage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
