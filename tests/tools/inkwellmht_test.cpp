// The command-line front end: exit status and messages as a script sees them.
#include "archivetestsupport.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using namespace archive_test;

const std::string Tool = std::string(INKWELL_BINARY_DIR) + "/tools/inkwell-mht";

TEST(InkwellMht, ExitStatusAndMessages)
{
    TempFolder folder;
    const std::filesystem::path site = folder.path() / "site";
    WriteFile(site / "p.html", "<img src=a.png><img src=gone.png>");
    WriteFile(site / "a.png", "PNG");
    const std::filesystem::path out = folder.path() / "out.mht";
    const std::filesystem::path log = folder.path() / "log";
    const auto run = [&](const std::string& arguments) {
        return RunShell(Quote(Tool) + " " + arguments + " >" + Quote(log.string()) + " 2>&1");
    };

    EXPECT_EQ(run(""), 2);
    EXPECT_NE(ReadFile(log).find("usage: inkwell-mht [--allow-local-files] URL OUTPUT"), std::string::npos);

    WriteFile(out, "an earlier archive");
    EXPECT_EQ(run(Quote("file://" + (site / "nothing.html").string()) + " " + Quote(out.string())), 1);
    EXPECT_NE(ReadFile(log).find("inkwell-mht: the page file://"), std::string::npos) << ReadFile(log);
    EXPECT_EQ(ReadFile(out), "an earlier archive");

    EXPECT_EQ(run("'not a url' " + Quote(out.string())), 1);
    EXPECT_NE(ReadFile(log).find("is not an http://, https:// or file:// URL"), std::string::npos)
        << ReadFile(log);

    EXPECT_EQ(run(Quote("file://" + (site / "p.html").string()) + " " + Quote(out.string())), 0)
        << ReadFile(log);
    const std::string said = ReadFile(log);
    EXPECT_NE(said.find("left out file://" + (site / "gone.png").string()), std::string::npos) << said;
    EXPECT_NE(said.find(": 2 parts"), std::string::npos) << said;
    const std::vector<Part> parts = SplitArchive(out, folder.path());
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[1].bytes, "PNG");
}

TEST(InkwellMht, LocalFilesOnlyWithTheOption)
{
    TempFolder folder;
    const std::filesystem::path site = folder.path() / "site";
    const std::filesystem::path other = folder.path() / "other";
    const std::string png = ReadFile(std::filesystem::path(INKWELL_TEST_DATA) / "archive/outside/green.png");
    WriteFile(site / "a.png", png);
    WriteFile(other / "green.png", png);
    WriteFile(other / "notes.png", "account: 1234\n");
    WriteFile(other / "secret.css", "body { color: red }\n");
    const std::string page = "<img src=a.png><img src=\"file://" + (other / "green.png").string()
        + "\"><img src=\"file://" + (other / "notes.png").string() + "\"><link rel=stylesheet href=\"file://"
        + (other / "secret.css").string() + "\">";
    WriteFile(site / "p.html", page);
    const std::string pageUrl = "file://" + (site / "p.html").string();
    const std::filesystem::path out = folder.path() / "out.mht";
    const std::filesystem::path log = folder.path() / "log";
    const auto run = [&](const std::string& arguments) {
        return RunShell(Quote(Tool) + " " + arguments + " >" + Quote(log.string()) + " 2>&1");
    };

    EXPECT_EQ(run("--help"), 0);
    EXPECT_NE(
        ReadFile(log).find("--allow-local-files  put every local file the page names"), std::string::npos)
        << ReadFile(log);

    // Without the option: the picture beside the page and the real picture elsewhere go in; a
    // file elsewhere that only claims to be a picture and a style sheet elsewhere stay out.
    ASSERT_EQ(run(Quote(pageUrl) + " " + Quote(out.string())), 0) << ReadFile(log);
    std::string said = ReadFile(log);
    EXPECT_NE(
        said.find("local file not included: " + (other / "notes.png").string() + "\n"), std::string::npos)
        << said;
    EXPECT_NE(
        said.find("local file not included: " + (other / "secret.css").string() + "\n"), std::string::npos)
        << said;
    EXPECT_NE(said.find("--allow-local-files includes every local file"), std::string::npos) << said;
    EXPECT_EQ(said.find("green.png"), std::string::npos) << said;
    std::vector<Part> parts = SplitArchive(out, folder.path());
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[1].bytes, png);
    EXPECT_EQ(parts[2].bytes, png);
    const auto cid
        = [](const Part& part) { return "cid:" + part.contentId.substr(1, part.contentId.size() - 2); };
    EXPECT_EQ(parts[0].bytes,
        Replace(Replace(page, "src=a.png", "src=" + cid(parts[1])),
            "file://" + (other / "green.png").string(), cid(parts[2])))
        << "the references to what was left out stay as they were";

    ASSERT_EQ(run("--allow-local-files " + Quote(pageUrl) + " " + Quote(out.string())), 0) << ReadFile(log);
    said = ReadFile(log);
    EXPECT_EQ(said.find("not included"), std::string::npos) << said;
    EXPECT_NE(said.find(": 5 parts"), std::string::npos) << said;
    parts = SplitArchive(out, folder.path());
    ASSERT_EQ(parts.size(), 5u);
    EXPECT_EQ(parts[3].bytes, "account: 1234\n");
    EXPECT_EQ(parts[4].bytes, CrLf("body { color: red }\n"));
}

// A file of the user's own site that is larger than an archive part may be: named, and the rest
// of the archive written, without reading the file through.
TEST(InkwellMht, AFileOverTheSizeLimitIsNamedNotRead)
{
    TempFolder folder;
    const std::filesystem::path site = folder.path() / "site";
    WriteFile(site / "p.html", "<video src=film.mp4></video><img src=a.png>");
    WriteFile(site / "a.png", "PNG");
    {
        std::ofstream film(site / "film.mp4");
    }
    std::filesystem::resize_file(site / "film.mp4", (std::uintmax_t { 100 } << 20) + 1);
    const std::filesystem::path out = folder.path() / "out.mht";
    const std::filesystem::path log = folder.path() / "log";
    ASSERT_EQ(RunShell(Quote(Tool) + " " + Quote("file://" + (site / "p.html").string()) + " "
                  + Quote(out.string()) + " >" + Quote(log.string()) + " 2>&1"),
        0)
        << ReadFile(log);
    const std::string said = ReadFile(log);
    EXPECT_NE(said.find("left out file://" + (site / "film.mp4").string()
                  + ": it is larger than the archive's limit of 100 MiB\n"),
        std::string::npos)
        << said;
    EXPECT_EQ(SplitArchive(out, folder.path()).size(), 2u);
    EXPECT_LT(std::filesystem::file_size(out), 4096u);
}

// Named pipes are no files: one named in a page is left out at once and named like every other
// resource that could not be had, whether local files are confined or not, and a page that is a
// named pipe is refused; nothing ever waits for a writer. The waits are bounded by the shell.
TEST(InkwellMht, NamedPipesAreRefusedAtOnce)
{
    TempFolder folder;
    const std::filesystem::path site = folder.path() / "site";
    const std::filesystem::path other = folder.path() / "other";
    std::filesystem::create_directories(other);
    ASSERT_EQ(::mkfifo((site.parent_path() / "page-pipe.html").c_str(), 0600), 0);
    WriteFile(site / "a.png", "PNG");
    ASSERT_EQ(::mkfifo((site / "pipe.png").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((site / "pipe.js").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((other / "far.png").c_str(), 0600), 0);
    WriteFile(site / "p.html",
        "<img src=pipe.png><script src=pipe.js></script><img src=\"file://" + (other / "far.png").string()
            + "\"><img src=a.png>");
    const std::filesystem::path out = folder.path() / "out.mht";
    const std::filesystem::path log = folder.path() / "log";
    const auto run = [&](const std::string& arguments) {
        return RunShell("timeout 20 " + Quote(Tool) + " " + arguments + " >" + Quote(log.string()) + " 2>&1");
    };
    const std::string page = Quote("file://" + (site / "p.html").string()) + " " + Quote(out.string());
    for (const std::string& option : { std::string(), std::string("--allow-local-files ") }) {
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(run(option + page), 0) << option << ReadFile(log);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << option;
        const std::string said = ReadFile(log);
        for (const std::filesystem::path& pipe : { site / "pipe.png", site / "pipe.js", other / "far.png" })
            EXPECT_NE(said.find("left out file://" + pipe.string() + ": not a file\n"), std::string::npos)
                << option << said;
        const std::vector<Part> parts = SplitArchive(out, folder.path());
        ASSERT_EQ(parts.size(), 2u) << option;
        EXPECT_EQ(parts[1].bytes, "PNG");
    }

    EXPECT_EQ(
        run(Quote("file://" + (folder.path() / "page-pipe.html").string()) + " " + Quote(out.string())), 1);
    EXPECT_NE(ReadFile(log).find("not a file"), std::string::npos) << ReadFile(log);
}

} // namespace
