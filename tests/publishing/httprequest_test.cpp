#include "publishing/contenttype.h"
#include "publishing/httprequest.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>

using namespace std::string_view_literals;

namespace {

struct ParseCase
{
    const char* name;
    std::string_view request;
    std::optional<RequestInfo> expected;
};

RequestInfo parsed(std::string method, std::string path, bool gzip)
{
    return RequestInfo { std::move(method), std::move(path), gzip };
}

class ParseRequest : public ::testing::TestWithParam<ParseCase>
{
};

TEST_P(ParseRequest, TakesMethodPathAndGzipFlag)
{
    const ParseCase& c = GetParam();
    const std::optional<RequestInfo> got = parseRequest(c.request);
    ASSERT_EQ(got.has_value(), c.expected.has_value());
    if (!got)
        return;
    EXPECT_EQ(got->method, c.expected->method);
    EXPECT_EQ(got->path, c.expected->path);
    EXPECT_EQ(got->acceptsGzip, c.expected->acceptsGzip);
}

INSTANTIATE_TEST_SUITE_P(Table, ParseRequest,
    ::testing::Values(
        ParseCase { "Plain", "GET /a.html HTTP/1.1\r\nHost: x\r\n\r\n", parsed("GET", "/a.html", false) },
        ParseCase { "AcceptEncoding", "GET /a.html HTTP/1.1\r\nAccept-Encoding: gzip, deflate\r\n\r\n",
            parsed("GET", "/a.html", true) },
        ParseCase { "GzipInPath", "GET /gzip.txt HTTP/1.1\r\n\r\n", parsed("GET", "/gzip.txt", true) },
        ParseCase {
            "GzipInOtherHeader", "GET /a HTTP/1.1\r\nX-Note: gzipped\r\n\r\n", parsed("GET", "/a", true) },
        ParseCase {
            "UpperCaseGzip", "GET /a HTTP/1.1\r\nAccept-Encoding: GZIP\r\n\r\n", parsed("GET", "/a", false) },
        ParseCase { "SlashGetsIndex", "GET / HTTP/1.1\r\n\r\n", parsed("GET", "/index.html", false) },
        ParseCase {
            "FolderSlashGetsIndex", "GET /tmp/ HTTP/1.1\r\n\r\n", parsed("GET", "/tmp/index.html", false) },
        ParseCase { "MethodNotExamined", "BREW /pot HTTP/1.1\r\n\r\n", parsed("BREW", "/pot", false) },
        ParseCase { "CutInsidePath", "GET /ind", parsed("GET", "/ind", false) },
        // Only blanks separate fields, so a request without version runs into the next line.
        ParseCase { "NoVersion", "GET /a\r\nHost: x", parsed("GET", "/a\r\nHost:", false) },
        ParseCase { "PercentKept", "GET /%2e%2e/x?y=1 HTTP/1.1", parsed("GET", "/%2e%2e/x?y=1", false) },
        ParseCase { "EmptyMethod", " /a.html HTTP/1.1", parsed("", "/a.html", false) },
        ParseCase { "EndsAtZeroByte", "GET /a.html\0gzip"sv, parsed("GET", "/a.html", false) },
        ParseCase { "ZeroByteInsidePath", "GET /a\0b.html HTTP/1.1"sv, parsed("GET", "/a", false) },
        ParseCase { "OneField", "GET", std::nullopt },
        ParseCase { "TrailingBlankIsNoField", "GET ", std::nullopt },
        ParseCase { "EmptyPathBetweenBlanks", "GET  /a.html HTTP/1.1", std::nullopt },
        ParseCase { "Empty", "", std::nullopt },
        ParseCase { "ZeroByteFirst", "\0GET /a.html"sv, std::nullopt }),
    [](const auto& row) { return std::string(row.param.name); });

TEST(SplitFields, CountsInnerEmptyFieldsButNotTheTrailingOne)
{
    using Fields = std::vector<std::string_view>;
    EXPECT_EQ(splitFields("a b", ' '), (Fields { "a", "b" }));
    EXPECT_EQ(splitFields("a  b", ' '), (Fields { "a", "", "b" }));
    EXPECT_EQ(splitFields("a b ", ' '), (Fields { "a", "b" }));
    EXPECT_EQ(splitFields("a  ", ' '), (Fields { "a", "" }));
    EXPECT_EQ(splitFields(" a", ' '), (Fields { "", "a" }));
    EXPECT_EQ(splitFields("", ' '), (Fields { "" }));
}

struct TypeCase
{
    std::string_view path;
    std::optional<std::string_view> line;
};

class ContentType : public ::testing::TestWithParam<TypeCase>
{
};

TEST_P(ContentType, MapsExtensionOfPathExactly)
{
    EXPECT_EQ(contentTypeLine(pathExtension(GetParam().path)), GetParam().line) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(Table, ContentType,
    ::testing::Values(TypeCase { "/index.html", "Content-Type:text/html" },
        TypeCase { "/a.htm", "Content-Type:text/htm" }, TypeCase { "/a.txt", "Content-Type:text/txt" },
        TypeCase { "/s/site.css", "Content-Type:text/css" }, TypeCase { "/app.js", "Content-Type:text/js" },
        TypeCase { "/p.jpg", "Content-Type: image/jpg" }, TypeCase { "/p.bmp", "Content-Type: image/bmp" },
        TypeCase { "/p.gif", "Content-Type: image/gif" }, TypeCase { "/p.png", "Content-Type: image/png" },
        TypeCase { "/favicon.ico", "Content-Type: image/ico" },
        // Case-sensitive, last field only, and no guessing for anything else.
        TypeCase { "/PAGE.HTML", std::nullopt }, TypeCase { "/p.jpeg", std::nullopt },
        TypeCase { "/a.tar.gz", std::nullopt }, TypeCase { "/a.png.exe", std::nullopt },
        TypeCase { "/x.html.css", "Content-Type:text/css" },
        // A "." in a folder name makes the rest of the path the extension.
        TypeCase { "/x.d/readme", std::nullopt }, TypeCase { "/v1.2/html", std::nullopt },
        // No "." at all: the whole path is the extension, even when it looks like one.
        TypeCase { "html", "Content-Type:text/html" }, TypeCase { "/html", std::nullopt },
        // A final "." adds no empty field, so the field before it counts.
        TypeCase { "/a.css.", "Content-Type:text/css" }, TypeCase { "/a.html?x=1", std::nullopt }));

} // namespace
