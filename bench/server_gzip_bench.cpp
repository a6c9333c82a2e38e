// gzipEncode against the gzip program at level 3 on the same 10 MB page, in one run.
#include "publishing/gzipencoder.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// A table-heavy page of about 10 MB: repetitive like real markup, but not one repeated line.
const std::string& tenMegabytePage()
{
    static const std::string page = [] {
        std::string text = "<!DOCTYPE html><html><head><title>report</title></head><body><table>\n";
        unsigned value = 12345;
        while (text.size() < 10 * 1024 * 1024) {
            value = value * 1103515245u + 12345u;
            text += "<tr><td class=\"name\">item " + std::to_string(value % 10007) + "</td><td>"
                + std::to_string((value >> 8) % 1000) + "." + std::to_string((value >> 4) % 100)
                + "</td><td><a href=\"/detail/" + std::to_string(value % 4093)
                + ".html\">detail</a></td></tr>\n";
        }
        return text + "</table></body></html>\n";
    }();
    return page;
}

void GzipEncodeTenMegabytes(benchmark::State& state)
{
    const std::string& page = tenMegabytePage();
    std::size_t encoded = 0;
    for (auto _ : state) {
        const auto stream = inkwell::gzipEncode(page);
        encoded = stream ? stream->size() : 0;
        benchmark::DoNotOptimize(encoded);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
    state.counters["ratio"] = static_cast<double>(encoded) / static_cast<double>(page.size());
}

// The peer: `gzip -3` reading the page from a file and writing to /dev/null. The process start
// (about a millisecond) is counted against it; it is small beside 10 MB of work.
void GzipProgramLevel3TenMegabytes(benchmark::State& state)
{
    const std::string& page = tenMegabytePage();
    const auto file
        = std::filesystem::temp_directory_path() / ("inkwell-gzip-bench-" + std::to_string(::getpid()));
    std::ofstream(file, std::ios::binary) << page;
    const std::string command = "gzip -3 -c < '" + file.string() + "' > /dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("gzip -3 failed");
            break;
        }
    }
    std::filesystem::remove(file);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

} // namespace

BENCHMARK(GzipEncodeTenMegabytes)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(GzipProgramLevel3TenMegabytes)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK_MAIN();
