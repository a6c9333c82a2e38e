#include "publishing/pageurl.h"

#include <gtest/gtest.h>

namespace {

TEST(PageUrl, BuildsTheUrlFromNameKindAndPort)
{
    const std::filesystem::path run = "/opt/inkwell";
    const struct
    {
        const char* name;
        std::filesystem::path folder;
        std::string document;
        int kind;
        int port;
        std::string url;
    } cases[] = {
        { "start-up page in tmp", "/opt/inkwell/tmp", "1765342800123", 0, 8889,
            "http://127.0.0.1:8889/tmp/1765342800123.html" },
        { "style sheet project", "/opt/inkwell/project/site", "site", 1, 8889,
            "http://127.0.0.1:8889/project/site/site.css" },
        { "other kind has no extension", "/opt/inkwell/project/notes", "notes", 2, 8889,
            "http://127.0.0.1:8889/project/notes/notes" },
        { "negative kind has no extension", "/opt/inkwell/tmp", "x", -1, 8889,
            "http://127.0.0.1:8889/tmp/x" },
        { "moved port", "/opt/inkwell/tmp", "1765342800123", 0, 8893,
            "http://127.0.0.1:8893/tmp/1765342800123.html" },
        // The URL names the document by its name only; these do not name the saved file.
        { "project outside the run folder", "/home/me/sites/shop", "shop", 0, 8889,
            "http://127.0.0.1:8889/tmp/shop.html" },
        { "project one level deeper", "/opt/inkwell/project/clients/shop", "shop", 0, 8889,
            "http://127.0.0.1:8889/project/shop/shop.html" },
        { "run folder found anywhere in the path", "/mnt/copy/opt/inkwell/project/shop", "shop", 0, 8889,
            "http://127.0.0.1:8889/project/shop/shop.html" },
        { "a name merely starting with project", "/opt/inkwell/projects/shop", "shop", 0, 8889,
            "http://127.0.0.1:8889/project/shop/shop.html" },
        { "case counts", "/opt/inkwell/Project/shop", "shop", 0, 8889,
            "http://127.0.0.1:8889/tmp/shop.html" },
        { "another run folder's project", "/opt/other/project/shop", "shop", 0, 8889,
            "http://127.0.0.1:8889/tmp/shop.html" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(PageUrl(c.folder, c.document, c.kind, run, c.port), c.url) << c.name;
}

TEST(PageUrl, TrailingSlashOfTheRunFolderDoesNotHideTheProjectFolder)
{
    EXPECT_EQ(PageUrl("/opt/inkwell/project/site", "site", 0, "/opt/inkwell/", 8889),
        "http://127.0.0.1:8889/project/site/site.html");
}

} // namespace
