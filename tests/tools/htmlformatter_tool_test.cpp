// inkwell-format as a user runs it: the real executable, its output, messages and exit codes.
#include "core/readfile.h"
#include "formatter/htmlformatter.h"
#include "tests/support/testfiles.h"
#include "tests/support/textforms.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace inkwell {
namespace {

using inkwell::testing::fileBytes;
using inkwell::testing::shellQuoted;
using inkwell::testing::writeFile;

struct ToolRun
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

class FormatTool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path()
            / ("inkwell-format-test-" + std::to_string(::getpid()) + "-"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    ToolRun run(const std::vector<std::string>& args, std::string_view input = {})
    {
        writeFile(m_dir / "stdin", input);
        std::string command = shellQuoted(INKWELL_FORMAT_TOOL);
        for (const std::string& arg : args)
            command.append(" ").append(shellQuoted(arg));
        command.append(" <").append(shellQuoted((m_dir / "stdin").string()));
        command.append(" >").append(shellQuoted((m_dir / "stdout").string()));
        command.append(" 2>").append(shellQuoted((m_dir / "stderr").string()));
        const int status = std::system(command.c_str());
        ToolRun result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = fileBytes(m_dir / "stdout");
        result.err = fileBytes(m_dir / "stderr");
        return result;
    }

    std::filesystem::path m_dir;
};

const std::string kPage
    = "<html><head><title>T</title></head><body><p>Some text that is long enough to be broken "
      "at thirty characters or so.</p><pre>  kept\n</pre></body></html>";

TEST_F(FormatTool, DefaultOutputIsFormatHtmlForFilesAndStandardInput)
{
    writeFile(m_dir / "page.html", kPage);
    const ToolRun fromFile = run({ (m_dir / "page.html").string() });
    EXPECT_EQ(fromFile.exitCode, 0) << fromFile.err;
    EXPECT_EQ(fromFile.out, formatHtml(kPage, IndentKind::Tab));
    EXPECT_EQ(fromFile.err, "");

    const ToolRun fromStdin = run({}, kPage);
    EXPECT_EQ(fromStdin.exitCode, 0);
    EXPECT_EQ(fromStdin.out, formatHtml(kPage, IndentKind::Tab));
    EXPECT_EQ(run({ "-" }, kPage).out, formatHtml(kPage, IndentKind::Tab));

    const std::string blank = " \n ";
    EXPECT_EQ(run({}, blank).out, blank);
}

// A page of megabytes comes out in many pieces, written as they are made; together they are the text
// formatHtml gives, for a file and through a pipe alike.
TEST_F(FormatTool, LargePageWrittenInPiecesIsTheWholeText)
{
    std::string page;
    for (const auto& entry :
        std::filesystem::directory_iterator(std::filesystem::path(INKWELL_TEST_DATA) / "pages")) {
        if (entry.path().extension() == ".html")
            page += fileBytes(entry.path());
    }
    while (page.size() < 3 * kHtmlPieceBytes)
        page += page;
    const std::string expected = formatHtml(page, IndentKind::Tab);
    writeFile(m_dir / "large.html", page);
    const ToolRun fromFile = run({ (m_dir / "large.html").string() });
    EXPECT_EQ(fromFile.exitCode, 0) << fromFile.err;
    EXPECT_TRUE(fromFile.out == expected) << "output of " << fromFile.out.size() << " bytes differs from the "
                                          << expected.size() << " bytes of formatHtml";
    const ToolRun fromStdin = run({}, page);
    EXPECT_TRUE(fromStdin.out == expected) << "standard input: " << fromStdin.out.size() << " bytes";
}

TEST_F(FormatTool, IndentAndWidthOptions)
{
    struct Row
    {
        std::vector<std::string> args;
        HtmlStyle style;
    };
    for (const Row& row : { Row { { "--indent", "2" }, styleForIndentKind(IndentKind::TwoSpaces) },
             Row { { "--indent=4", "--width=30" }, { 4, " ", 30 } },
             Row { { "--width", "30", "--indent", "tab" }, { 1, "\t", 30 } },
             Row { { "--indent", "1" }, { 1, " ", 80 } } }) {
        const ToolRun result = run(row.args, kPage);
        EXPECT_EQ(result.exitCode, 0) << row.args[0];
        EXPECT_EQ(result.out, styleHtml(kPage, row.style)) << row.args[0];
    }
}

TEST_F(FormatTool, SeveralFilesInOrderSeparatedByALineBreak)
{
    writeFile(m_dir / "a.html", "<p>a</p>");
    writeFile(m_dir / "b.html", "<p>b</p>");
    const ToolRun result = run({ (m_dir / "a.html").string(), "--", (m_dir / "b.html").string() });
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "<p>\n\ta\n</p>\n<p>\n\tb\n</p>");
}

TEST_F(FormatTool, HelpExitsCleanly)
{
    const ToolRun result = run({ "--help" });
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("Usage: inkwell-format"), std::string::npos);
    EXPECT_NE(result.out.find("--indent"), std::string::npos);
}

TEST_F(FormatTool, FailuresSayWhatAndExitWithOneWithoutOutput)
{
    writeFile(m_dir / "ok.html", "<p>x</p>");
    struct Row
    {
        std::vector<std::string> args;
        std::string message;
    };
    const std::string missing = (m_dir / "missing.html").string();
    for (const Row& row : { Row { { missing }, "cannot read '" + missing + "': No such file or directory" },
             Row { { (m_dir / "ok.html").string(), m_dir.string() }, "cannot read '" + m_dir.string() + "'" },
             Row { { "--indent", "0" }, "--indent takes 'tab' or a number of spaces from 1 to 64, not '0'" },
             Row { { "--indent", "two" }, "--indent takes 'tab'" },
             Row { { "--width", "-3" }, "--width takes a number from 1 to 100000, not '-3'" },
             Row { { "--width" }, "option '--width' needs a value" },
             Row { { "--bogus" }, "unknown option '--bogus'" } }) {
        const ToolRun result = run(row.args, "<p>x</p>");
        EXPECT_EQ(result.exitCode, 1) << row.args[0];
        EXPECT_NE(result.err.find("inkwell-format: " + row.message), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "") << row.args[0];
    }
}

} // namespace
} // namespace inkwell
