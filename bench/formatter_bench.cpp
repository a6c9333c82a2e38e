// formatHtml throughput on large pages made from the real-page fixtures (tests/data/pages); see pageOf.
// bench/formatter_peers.py builds the same files for the comparison with tidy and Prettier.
#include "editing/htmlformatter.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

std::string lowerAscii(std::string text)
{
    for (char& c : text)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

std::string bodyOf(const std::string& page)
{
    const std::string lower = lowerAscii(page);
    std::size_t start = lower.find("<body");
    const std::size_t end = lower.rfind("</body");
    if (start == std::string::npos || end == std::string::npos)
        return page;
    start = page.find('>', start);
    return start != std::string::npos && start < end ? page.substr(start + 1, end - start - 1) : page;
}

// One document whose body holds the bodies of the real pages, each in an element of its own, repeated whole
// until `bytes` is reached. The wrapper's end tag closes whatever a page left open, as the end of a real
// document does, so the nesting does not grow from copy to copy.
std::string pageOf(std::size_t bytes)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry :
        std::filesystem::directory_iterator(std::filesystem::path(INKWELL_TEST_DATA) / "pages")) {
        if (entry.path().extension() == ".html")
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> bodies;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        bodies.push_back(bodyOf(text.str()));
    }
    std::string page
        = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>Pages</title>\n</head>\n"
          "<body>\n";
    page.reserve(bytes + 1024 * 1024);
    while (page.size() < bytes) {
        for (const std::string& body : bodies) {
            page += "<inkwell-page>\n" + body + "\n</inkwell-page>\n";
            if (page.size() >= bytes)
                break;
        }
    }
    return page + "\n</body>\n</html>\n";
}

double peakResidentMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void FormatHtmlPage(benchmark::State& state)
{
    const std::size_t bytes = static_cast<std::size_t>(state.range(0)) * 1024 * 1024;
    const std::string page = pageOf(bytes);
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
