// The web archive of large pages read from the disk: a page nested a million elements deep around
// one picture, and the 10 MB corpus page. Each build scans the page, reads what it names and
// writes the archive, as the export does.
#include "bench/corpuspage.h"
#include "archive/archivebuilder.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// A folder of its own in the temporary folder, removed at the end.
class BenchFolder
{
public:
    BenchFolder()
    {
        std::string name = (std::filesystem::temp_directory_path() / "inkwell-archive-bench-XXXXXX").string();
        if (::mkdtemp(name.data()) != nullptr)
            m_path = name;
    }
    ~BenchFolder()
    {
        if (!m_path.empty())
            std::filesystem::remove_all(m_path);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

void archivePage(benchmark::State& state, const std::string& page)
{
    const BenchFolder folder;
    if (folder.path().empty()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    writeFile(folder.path() / "page.html", page);
    // A real picture, so that a resolved reference costs a real read.
    writeFile(folder.path() / "local.png", std::string("\x89PNG\r\n\x1A\n", 8) + std::string(4096, 'p'));
    inkwell::ArchiveOptions options;
    options.trustedFolders = { folder.path() };
    const std::string url = "file://" + (folder.path() / "page.html").string();
    const std::filesystem::path target = folder.path() / "page.mht";
    std::size_t parts = 0;
    for (auto _ : state) {
        const inkwell::ArchiveResult result = inkwell::buildMhtArchive(url, target, options);
        if (!result.ok()) {
            state.SkipWithError(result.error.c_str());
            break;
        }
        parts = result.partCount;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
    state.counters["parts"] = static_cast<double>(parts);
    state.counters["page_MB"] = static_cast<double>(page.size()) / (1024.0 * 1024.0);
}

void ArchiveOfAMillionDeepPage(benchmark::State& state)
{
    constexpr std::size_t kDepth = 1000000;
    std::string page;
    page.reserve(kDepth * 11 + 32);
    for (std::size_t i = 0; i < kDepth; ++i)
        page += "<div>";
    page += "<img src=local.png>";
    for (std::size_t i = 0; i < kDepth; ++i)
        page += "</div>";
    archivePage(state, page);
}

void ArchiveOfTheTenMegabyteCorpusPage(benchmark::State& state)
{
    const std::string page
        = inkwell::bench::corpusPage(std::filesystem::path(INKWELL_TEST_DATA) / "pages", 10 * 1024 * 1024);
    archivePage(state, page);
}

} // namespace

BENCHMARK(ArchiveOfAMillionDeepPage)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(ArchiveOfTheTenMegabyteCorpusPage)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK_MAIN();
