// The command-line front end: exit status and messages as a script sees them.
#include "archivetestsupport.h"

#include <gtest/gtest.h>

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

} // namespace
