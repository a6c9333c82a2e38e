#include "archive/urlresolver.h"

#include <gtest/gtest.h>

namespace inkwell {
namespace {

struct Case
{
    std::string base;
    std::string reference;
    std::optional<std::string> resolved;
};

TEST(ResolveUrl, ResolvesLikeABrowserAndKeepsOnlyFetchableSchemes)
{
    const std::string page = "http://127.0.0.1:8889/tmp/page.html";
    const std::vector<Case> cases {
        { page, "pics/a.png", "http://127.0.0.1:8889/tmp/pics/a.png" },
        { page, "../project/p/x.css", "http://127.0.0.1:8889/project/p/x.css" },
        { page, "/abs.png", "http://127.0.0.1:8889/abs.png" },
        { page, "a b.png#frag", "http://127.0.0.1:8889/tmp/a%20b.png" },
        { page, "q.png?x=1", "http://127.0.0.1:8889/tmp/q.png?x=1" },
        { page, "//other:81/z.gif", "http://other:81/z.gif" },
        { page, "file:///tmp/outside/g.png", "file:///tmp/outside/g.png" },
        { page, "FILE:///tmp/g.png", "file:///tmp/g.png" },
        { "file:///home/u/doc/page.html", "img/a.png", "file:///home/u/doc/img/a.png" },
        { page, "data:image/png;base64,AAAA", std::nullopt },
        { page, "javascript:alert(1)", std::nullopt },
        { page, "mailto:a@b", std::nullopt },
        { page, "#top", std::nullopt },
        { page, "", std::nullopt },
        { page, std::string("a\0b.png", 7), std::nullopt },
        { "not a url", "a.png", std::nullopt },
        // What a browser asks for: UTF-8 with upper-case escapes in path and query, a blank as %20 in
        // both; escapes already written stay as written.
        { page, "\xE6\xA0\xB7\xE5\xBC\x8F.css", "http://127.0.0.1:8889/tmp/%E6%A0%B7%E5%BC%8F.css" },
        { page, "\xE5\xBA\x95\xE7\xBA\xB9 (2).png?\xE5\x9B\xBE=a b",
            "http://127.0.0.1:8889/tmp/%E5%BA%95%E7%BA%B9%20(2).png?%E5%9B%BE=a%20b" },
        { page, "%e5%9b%be.png", "http://127.0.0.1:8889/tmp/%e5%9b%be.png" },
        { page, "%E5%9B%BE\xE5\x9B\xBE.png", "http://127.0.0.1:8889/tmp/%E5%9B%BE%E5%9B%BE.png" },
        { "http://127.0.0.1:8889/project/\xE6\x88\x91\xE7\x9A\x84 (1)/1.html", "\xE5\x9B\xBE.png",
            "http://127.0.0.1:8889/project/%E6%88%91%E7%9A%84%20(1)/%E5%9B%BE.png" },
        { "file:///home/u/\xE6\x88\x91/page.html", "a.png", "file:///home/u/%E6%88%91/a.png" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(resolveUrl(c.base, c.reference), c.resolved) << c.base << " + " << c.reference;
}

TEST(NormaliseUrl, AcceptsOnlyAbsoluteFetchableUrls)
{
    EXPECT_EQ(normaliseUrl("http://127.0.0.1:8889/tmp/1.html"), "http://127.0.0.1:8889/tmp/1.html");
    EXPECT_EQ(normaliseUrl("HTTP://127.0.0.1:8889/a b.html#x"), "http://127.0.0.1:8889/a%20b.html");
    EXPECT_EQ(normaliseUrl("ftp://h/a.html"), std::nullopt);
    EXPECT_EQ(normaliseUrl("/tmp/a.html"), std::nullopt);
    EXPECT_EQ(normaliseUrl("http://h/a\r\nX-Injected: 1"), std::nullopt);
    EXPECT_TRUE(isFileUrl(*normaliseUrl("file:///tmp/a.png")));
    EXPECT_FALSE(isFileUrl(*normaliseUrl("http://h/file:///a.png")));
}

} // namespace
} // namespace inkwell
