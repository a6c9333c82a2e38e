#include "publishing/httprequest.h"
#include "publishing/requestpath.h"
#include "serverfixture.h"

#include <gtest/gtest.h>
#include <optional>
#include <string_view>

namespace inkwell {

using testing_support::TempFolder;
using testing_support::writeFile;

namespace {

// <temp>/outside.txt lies beside the run folder <temp>/run; links inside the run folder point both
// ways, so each way out is checked next to a way that stays in. Paths go in as a client sends them
// and are decoded by the request parser first, as the server does.
class ResolveRequestPath : public ::testing::Test
{
protected:
    void SetUp() override
    {
        namespace fs = std::filesystem;
        m_run = m_temp.path() / "run";
        writeFile(m_temp.path() / "outside.txt", "outside");
        writeFile(m_run / "index.html", "root");
        writeFile(m_run / "tmp" / "page.html", "page");
        writeFile(m_run / "tmp" / "index.html", "tmp index");
        writeFile(m_run / "a b.txt", "decoded name");
        writeFile(m_run / "\xe6\x88\x91\xe7\x9a\x84 \xe7\xbd\x91\xe9\xa1\xb5 (1)" / "page.html",
            "page"); // 我的 网页 (1)
        writeFile(m_run / "\xe5\x9b\xbe.png", "picture"); // 图.png
        writeFile(m_run / "what?.txt", "question mark in the name");
        writeFile(m_run / "100%.txt", "percent in the name");
        writeFile(m_run / "%2e%2e" / "outside.txt", "literal folder");
        writeFile(m_run / "page.html?x=1", "query is part of the name");
        fs::create_symlink(m_temp.path() / "outside.txt", m_run / "link-out");
        fs::create_symlink(m_temp.path(), m_run / "dir-out");
        fs::create_symlink("../outside.txt", m_run / "tmp" / "relative-out");
        fs::create_symlink("index.html", m_run / "link-in");
        fs::create_symlink("tmp", m_run / "dir-in");
        fs::create_symlink("missing.html", m_run / "dangling");
    }

    std::optional<std::string> resolve(std::string_view target) const
    {
        const std::optional<RequestInfo> info
            = parseRequest("GET " + std::string(target) + " HTTP/1.1\r\n\r\n");
        if (!info)
            return std::nullopt;
        const auto resolved = resolveRequestPath(m_run, info->path);
        if (!resolved)
            return std::nullopt;
        return resolved->lexically_relative(m_run).string();
    }

    TempFolder m_temp;
    std::filesystem::path m_run;
};

TEST_F(ResolveRequestPath, ServesEntriesBelowTheRoot)
{
    const struct
    {
        std::string_view path;
        std::string_view entry;
    } cases[] = {
        { "/index.html", "index.html" },
        { "/tmp/page.html", "tmp/page.html" },
        { "/tmp", "tmp" },
        { "/", "index.html" },
        { "/./tmp/./page.html", "tmp/page.html" },
        { "//tmp//page.html", "tmp/page.html" },
        { "/%252e%252e/outside.txt", "%2e%2e/outside.txt" },
        { "/page.html%3Fx=1", "page.html?x=1" },
        { "/index.html?page.html", "index.html" },
        { "/tmp/?x=1", "tmp/index.html" },
        { "/a%20b.txt", "a b.txt" },
        { "/%E6%88%91%E7%9A%84%20%E7%BD%91%E9%A1%B5%20%281%29/page.html",
            "\xe6\x88\x91\xe7\x9a\x84 \xe7\xbd\x91\xe9\xa1\xb5 (1)/page.html" },
        { "/%e5%9b%be.png", "\xe5\x9b\xbe.png" },
        { "/what%3f.txt", "what?.txt" },
        { "/100%25.txt", "100%.txt" },
        { "/100%.txt", "100%.txt" },
        { "/tmp%2Fpage.html", "tmp/page.html" },
        { "/%2e/tmp/page.html", "tmp/page.html" },
        { "/link-in", "index.html" },
        { "/dir-in/page.html", "tmp/page.html" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(resolve(c.path), std::optional<std::string>(c.entry)) << c.path;
}

TEST_F(ResolveRequestPath, RefusesEveryWayOutAndEveryMissingEntry)
{
    const std::string_view cases[] = {
        "/../outside.txt",
        "/tmp/../../outside.txt",
        "/tmp/../index.html", // a ".." segment is refused even when it would stay inside
        "/..",
        "/tmp/..",
        "/link-out",
        "/dir-out/outside.txt",
        "/dir-out",
        "/tmp/relative-out",
        "/dangling",
        "index.html", // not starting with "/"
        "../outside.txt",
        "/missing.html",
        "/a b.txt", // a blank ends the path field
        "/a+b.txt",
        "/%E5%9B%BE.png%00", // a zero byte, decoded
        "/index.html%00.txt",
        // Escaped dots and slashes are decoded before the ".." check.
        "/%2e%2e/outside.txt",
        "/%2E%2E/outside.txt",
        "/.%2e/outside.txt",
        "/%2e%2e%2foutside.txt",
        "/tmp%2f..%2f..%2foutside.txt",
        "/tmp/%2e%2e/index.html",
        "/tmp/%2e%2e",
        "/index.html/",
        "/index.html/x",
    };
    for (std::string_view path : cases)
        EXPECT_EQ(resolve(path), std::nullopt) << path;
}

// The lookup itself, given decoded bytes that the parser could deliver.
TEST_F(ResolveRequestPath, RefusesZeroBytesAndDotDotSegmentsItIsGiven)
{
    using namespace std::string_view_literals;
    EXPECT_EQ(resolveRequestPath(m_run, "/index.html\0/../x"sv), std::nullopt);
    EXPECT_EQ(resolveRequestPath(m_run, "/index.html\0"sv), std::nullopt);
    EXPECT_EQ(resolveRequestPath(m_run, "/tmp/../index.html"), std::nullopt);
    EXPECT_EQ(resolveRequestPath(m_run, ""), std::nullopt);
    EXPECT_NE(resolveRequestPath(m_run, "/tmp/./page.html"), std::nullopt);
}

// The check applied to where an opened file really lies: whole segments only, so a folder whose
// name merely begins like the root's is outside it.
TEST(IsInsideRoot, ComparesWholeSegments)
{
    const struct
    {
        const char* candidate;
        const char* root;
        bool inside;
    } cases[] = {
        { "/home/u/run", "/home/u/run", true },
        { "/home/u/run/a.html", "/home/u/run", true },
        { "/home/u/run/tmp/a.html", "/home/u/run", true },
        { "/home/u/run2/a.html", "/home/u/run", false },
        { "/home/u/ru", "/home/u/run", false },
        { "/home/u", "/home/u/run", false },
        { "/etc/passwd", "/home/u/run", false },
        { "/etc/passwd", "/", true },
        { "/", "/", true },
    };
    for (const auto& c : cases)
        EXPECT_EQ(isInsideRoot(c.candidate, c.root), c.inside) << c.candidate << " in " << c.root;
}

} // namespace

} // namespace inkwell
