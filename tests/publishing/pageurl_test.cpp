#include "publishing/pageurl.h"
#include "tests/support/tempfolder.h"

#include <gtest/gtest.h>

namespace inkwell {
namespace {

TEST(PageUrl, BuildsTheUrlFromNameKindAndPort)
{
    const std::filesystem::path run = "/opt/inkwell";
    const struct
    {
        const char* name;
        std::filesystem::path folder;
        std::string document;
        DocumentKind kind;
        int port;
        std::string url;
    } cases[] = {
        { "start-up page in tmp", "/opt/inkwell/tmp", "1765342800123", DocumentKind::Html, 8889,
            "http://127.0.0.1:8889/tmp/1765342800123.html" },
        { "style sheet project", "/opt/inkwell/project/site", "site", DocumentKind::StyleSheet, 8889,
            "http://127.0.0.1:8889/project/site/site.css" },
        { "other kind has no extension", "/opt/inkwell/project/notes", "notes", static_cast<DocumentKind>(2),
            8889, "http://127.0.0.1:8889/project/notes/notes" },
        { "negative kind has no extension", "/opt/inkwell/tmp", "x", static_cast<DocumentKind>(-1), 8889,
            "http://127.0.0.1:8889/tmp/x" },
        { "moved port", "/opt/inkwell/tmp", "1765342800123", DocumentKind::Html, 8893,
            "http://127.0.0.1:8893/tmp/1765342800123.html" },
        // The URL names the document by its name only; these do not name the saved file.
        { "project outside the run folder", "/home/me/sites/shop", "shop", DocumentKind::Html, 8889,
            "http://127.0.0.1:8889/tmp/shop.html" },
        { "project one level deeper", "/opt/inkwell/project/clients/shop", "shop", DocumentKind::Html, 8889,
            "http://127.0.0.1:8889/project/shop/shop.html" },
        { "run folder found anywhere in the path", "/mnt/copy/opt/inkwell/project/shop", "shop",
            DocumentKind::Html, 8889, "http://127.0.0.1:8889/project/shop/shop.html" },
        { "a name merely starting with project", "/opt/inkwell/projects/shop", "shop", DocumentKind::Html,
            8889, "http://127.0.0.1:8889/project/shop/shop.html" },
        { "case counts", "/opt/inkwell/Project/shop", "shop", DocumentKind::Html, 8889,
            "http://127.0.0.1:8889/tmp/shop.html" },
        { "another run folder's project", "/opt/other/project/shop", "shop", DocumentKind::Html, 8889,
            "http://127.0.0.1:8889/tmp/shop.html" },
        // Both segments carry the name percent-encoded as UTF-8.
        { "Chinese name with blanks and brackets",
            "/opt/inkwell/project/\xe6\x88\x91\xe7\x9a\x84 \xe7\xbd\x91\xe9\xa1\xb5 (1)",
            "\xe6\x88\x91\xe7\x9a\x84 \xe7\xbd\x91\xe9\xa1\xb5 (1)", DocumentKind::Html, 8889,
            "http://127.0.0.1:8889/project/%E6%88%91%E7%9A%84%20%E7%BD%91%E9%A1%B5%20%281%29/"
            "%E6%88%91%E7%9A%84%20%E7%BD%91%E9%A1%B5%20%281%29.html" },
        { "characters that mean something in a URL", "/opt/inkwell/tmp", "50% off #1?&+=;",
            DocumentKind::StyleSheet, 8889,
            "http://127.0.0.1:8889/tmp/50%25%20off%20%231%3F%26%2B%3D%3B.css" },
        { "unreserved characters stay", "/opt/inkwell/project/a-b_c.d~e", "a-b_c.d~e", DocumentKind::Html,
            8889, "http://127.0.0.1:8889/project/a-b_c.d~e/a-b_c.d~e.html" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(pageUrl({ c.folder, c.document, c.kind }, RunFolder(run), c.port), c.url) << c.name;
}

TEST(PageUrl, TrailingSlashOfTheRunFolderDoesNotHideTheProjectFolder)
{
    EXPECT_EQ(pageUrl({ "/opt/inkwell/project/site", "site", DocumentKind::Html }, RunFolder("/opt/inkwell/"),
                  8889),
        "http://127.0.0.1:8889/project/site/site.html");
}

TEST(PageUrl, ReachesTheDocumentOnlyWhereTheServerLooks)
{
    const testing::TempFolder run;
    std::filesystem::create_directories(run.path() / "project" / "我的 网页");
    std::filesystem::create_directories(run.path() / "elsewhere" / "project" / "demo");
    std::filesystem::create_directory_symlink(run.path() / "tmp", run.path() / "tmp-link");
    std::filesystem::create_directories(run.path() / "tmp");
    struct Case
    {
        std::filesystem::path folder;
        std::string name;
        bool reaches;
    };
    const Case cases[] = {
        { run.path() / "tmp", "1700000000000", true },
        { run.path() / "tmp/", "page", true },
        { run.path() / "tmp-link", "page", true },
        { run.path() / "project" / "我的 网页", "我的 网页", true },
        { run.path() / "project" / "我的 网页", "other", false },
        { run.path() / "project", "project", false },
        { run.path() / "elsewhere" / "project" / "demo", "demo", false },
        { "/home/someone/site", "index", false },
        { run.path() / "tmp", "", false },
        { run.path() / "tmp" / "..", "tmp", false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(pageUrlReachesDocument({ c.folder, c.name, DocumentKind::Html }, RunFolder(run.path())),
            c.reaches)
            << c.folder << " " << c.name;
}

// The browser's preview takes any URL the server answers: every file in the run folder, however deep,
// with each segment encoded; nothing outside it.
TEST(PageUrl, PreviewReachesEveryDocumentInTheRunFolder)
{
    const testing::TempFolder root;
    const auto run = root.path() / "run";
    std::filesystem::create_directories(run / "project" / "工作" / "我的 网页");
    std::filesystem::create_directories(run / "tmp");
    std::filesystem::create_directories(root.path() / "elsewhere");
    std::filesystem::create_directory_symlink(run / "tmp", root.path() / "tmp-link");
    std::filesystem::create_directory_symlink(root.path() / "elsewhere", run / "out-link");
    struct Case
    {
        std::filesystem::path folder;
        std::string name;
        std::optional<std::string> url;
    };
    const Case cases[] = {
        { run / "tmp", "1700000000000", "http://127.0.0.1:8889/tmp/1700000000000.html" },
        { run / "project" / "工作" / "我的 网页", "我的 网页",
            "http://127.0.0.1:8889/project/%E5%B7%A5%E4%BD%9C/%E6%88%91%E7%9A%84%20%E7%BD%91%E9%A1%B5/"
            "%E6%88%91%E7%9A%84%20%E7%BD%91%E9%A1%B5.html" },
        { root.path() / "tmp-link", "page", "http://127.0.0.1:8889/tmp/page.html" },
        { run / "tmp" / ".." / "project", "a#b", "http://127.0.0.1:8889/project/a%23b.html" },
        { root.path() / "elsewhere", "page", std::nullopt },
        { run / "out-link", "page", std::nullopt },
        { run / "tmp", "", std::nullopt },
        { run / "tmp", "..", std::nullopt },
    };
    for (const auto& c : cases)
        EXPECT_EQ(previewUrl({ c.folder, c.name, DocumentKind::Html }, RunFolder(run), 8889), c.url)
            << c.folder << " " << c.name;
}

} // namespace
} // namespace inkwell
