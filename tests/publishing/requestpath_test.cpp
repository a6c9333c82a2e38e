#include "publishing/requestpath.h"
#include "serverfixture.h"

#include <gtest/gtest.h>
#include <optional>
#include <string_view>

using testing_support::TempFolder;
using testing_support::writeFile;

namespace {

// <temp>/outside.txt lies beside the run folder <temp>/run; links inside the run folder point both
// ways, so each way out is checked next to a way that stays in.
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
        writeFile(m_run / "a b.txt", "decoded name");
        writeFile(m_run / "%2e%2e" / "outside.txt", "literal folder");
        writeFile(m_run / "page.html?x=1", "query is part of the name");
        fs::create_symlink(m_temp.path() / "outside.txt", m_run / "link-out");
        fs::create_symlink(m_temp.path(), m_run / "dir-out");
        fs::create_symlink("../outside.txt", m_run / "tmp" / "relative-out");
        fs::create_symlink("index.html", m_run / "link-in");
        fs::create_symlink("tmp", m_run / "dir-in");
        fs::create_symlink("missing.html", m_run / "dangling");
    }

    std::optional<std::string> resolve(std::string_view requestPath) const
    {
        const auto resolved = resolveRequestPath(m_run, requestPath);
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
        { "/", "." },
        { "/./tmp/./page.html", "tmp/page.html" },
        { "//tmp//page.html", "tmp/page.html" },
        { "/%2e%2e/outside.txt", "%2e%2e/outside.txt" },
        { "/page.html?x=1", "page.html?x=1" },
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
        "/a%20b.txt", // escapes are not decoded
        "/missing.html",
        "/index.html/",
        "/index.html/x",
        std::string_view("/index.html\0/../x", 17),
    };
    for (std::string_view path : cases)
        EXPECT_EQ(resolve(path), std::nullopt) << path;
}

} // namespace
