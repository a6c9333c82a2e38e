#include "publishing/contenttype.h"
#include "publishing/httprequest.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>

namespace inkwell {

using namespace std::string_literals;
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
        // The path is cut at "?" and decoded to the bytes of the name; checking it is the lookup's job.
        ParseCase { "QueryCut", "GET /a.html?v=2&x=%41 HTTP/1.1", parsed("GET", "/a.html", false) },
        ParseCase { "FolderSlashBeforeQueryGetsIndex", "GET /tmp/?v=2 HTTP/1.1",
            parsed("GET", "/tmp/index.html", false) },
        ParseCase { "OnlyAQuery", "GET ?v=2 HTTP/1.1", parsed("GET", "", false) },
        ParseCase { "Utf8Name", "GET /%E7%85%A7%E7%89%87%20(1).png HTTP/1.1",
            parsed("GET", "/\xe7\x85\xa7\xe7\x89\x87 (1).png", false) },
        ParseCase {
            "LowerCaseHex", "GET /%e5%9b%be.png HTTP/1.1", parsed("GET", "/\xe5\x9b\xbe.png", false) },
        ParseCase { "EscapedDotsDecoded", "GET /%2e%2e/x?y=1 HTTP/1.1", parsed("GET", "/../x", false) },
        ParseCase { "EscapedSlashDecoded", "GET /tmp%2Fa.css HTTP/1.1", parsed("GET", "/tmp/a.css", false) },
        ParseCase {
            "EscapedSlashAtEndGetsIndex", "GET /tmp%2f HTTP/1.1", parsed("GET", "/tmp/index.html", false) },
        ParseCase {
            "EscapedQuestionMarkIsName", "GET /what%3F.txt?x HTTP/1.1", parsed("GET", "/what?.txt", false) },
        ParseCase { "EscapedZeroByteDecoded", "GET /a%00.html HTTP/1.1", parsed("GET", "/a\0.html"s, false) },
        ParseCase { "EscapedPercentOnce", "GET /100%2525.txt HTTP/1.1", parsed("GET", "/100%25.txt", false) },
        ParseCase { "StrayPercentKept", "GET /100%.txt HTTP/1.1", parsed("GET", "/100%.txt", false) },
        ParseCase { "BadHexKept", "GET /%zz%4 HTTP/1.1", parsed("GET", "/%zz%4", false) },
        ParseCase { "PercentAtEndKept", "GET /a% HTTP/1.1", parsed("GET", "/a%", false) },
        ParseCase { "PlusIsNoBlank", "GET /a+b.txt HTTP/1.1", parsed("GET", "/a+b.txt", false) },
        ParseCase { "EmptyMethod", " /a.html HTTP/1.1", parsed("", "/a.html", false) },
        ParseCase { "EndsAtZeroByte", "GET /a.html\0gzip"sv, parsed("GET", "/a.html", false) },
        ParseCase { "ZeroByteInsidePath", "GET /a\0b.html HTTP/1.1"sv, parsed("GET", "/a", false) },
        ParseCase { "OneField", "GET", std::nullopt },
        ParseCase { "TrailingBlankIsNoField", "GET ", std::nullopt },
        ParseCase { "EmptyPathBetweenBlanks", "GET  /a.html HTTP/1.1", std::nullopt },
        ParseCase { "Empty", "", std::nullopt },
        ParseCase { "ZeroByteFirst", "\0GET /a.html"sv, std::nullopt }),
    [](const auto& row) { return std::string(row.param.name); });

// How the Host lines of a request are read; which requests the server then answers is checked
// against a running server in the page server's tests.
TEST(RequestHost, ReadsTheHostLinesOfTheHeaderOnly)
{
    using inkwell::RequestHost;
    const struct
    {
        const char* name;
        std::string_view request;
        RequestHost host;
    } cases[] = {
        { "none", "GET / HTTP/1.0\r\nAccept: */*\r\n\r\n", RequestHost::Absent },
        { "request line only", "GET / HTTP/1.0", RequestHost::Absent },
        { "loopback", "GET / HTTP/1.1\r\nHost: 127.0.0.1:8889\r\n\r\n", RequestHost::Loopback },
        { "name in any case", "GET / HTTP/1.1\r\nhOST: LocalHost\r\n\r\n", RequestHost::Loopback },
        { "blanks around the value", "GET / HTTP/1.1\r\nHost: \t[::1]:80 \r\n\r\n", RequestHost::Loopback },
        { "bare line feeds", "GET / HTTP/1.1\nHost: localhost\n\n", RequestHost::Loopback },
        { "foreign", "GET / HTTP/1.1\r\nHost: rebound.example\r\n\r\n", RequestHost::Foreign },
        { "empty value", "GET / HTTP/1.1\r\nHost:\r\n\r\n", RequestHost::Foreign },
        { "blank before the colon", "GET / HTTP/1.1\r\nHost : rebound.example\r\n\r\n",
            RequestHost::Foreign },
        { "two lines", "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nHost: 127.0.0.1\r\n\r\n",
            RequestHost::Repeated },
        { "two lines, one foreign", "GET / HTTP/1.1\r\nHost: localhost\r\nHOST: a.example\r\n\r\n",
            RequestHost::Repeated },
        { "Host in the body is no header", "POST / HTTP/1.1\r\nContent-Length: 13\r\n\r\nHost: a.example",
            RequestHost::Absent },
        { "Host in the request line is no header", "GET /Host:a.example HTTP/1.1\r\n\r\n",
            RequestHost::Absent },
        { "other headers naming host", "GET / HTTP/1.1\r\nX-Forwarded-Host: a.example\r\nHosts: b\r\n\r\n",
            RequestHost::Absent },
        { "read cut inside the header", "GET / HTTP/1.1\r\nHost: a.exam", RequestHost::Foreign },
        { "zero byte before the name makes another header", "GET / HTTP/1.1\r\n\0Host: a.example\r\n\r\n"sv,
            RequestHost::Absent },
        { "zero byte in the request line hides no Host", "GET / HTTP/1.1\0\r\nHost: a.example\r\n\r\n"sv,
            RequestHost::Foreign },
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseRequest(c.request).value().host, c.host) << c.name;
}

// Where the head ends, for the whole text at once and for the same text arriving in two pieces at
// every possible cut: a search that goes on from where it stopped finds the same end.
TEST(RequestHeadLength, EndsAfterTheFirstEmptyLine)
{
    const struct
    {
        const char* name;
        std::string_view bytes;
        std::optional<std::size_t> length;
    } cases[] = {
        { "CR LF lines", "GET / HTTP/1.1\r\nHost: a\r\n\r\n", 27 },
        { "bare line feeds", "GET / HTTP/1.1\nHost: a\n\n", 24 },
        { "request line only", "GET / HTTP/1.0\r\n\r\n", 18 },
        { "body after the head", "POST / HTTP/1.1\r\n\r\nHost: a\r\n\r\n", 19 },
        { "second request after the head", "GET /a HTTP/1.1\n\nGET /b HTTP/1.1\n\n", 17 },
        { "LF then CR LF", "GET / HTTP/1.1\n\r\n", 17 },
        { "empty request line", "\r\n\r\n", 4 },
        { "header lines but no empty line", "GET / HTTP/1.1\r\nHost: a\r\n", std::nullopt },
        { "CR of the empty line only", "GET / HTTP/1.1\r\nHost: a\r\n\r", std::nullopt },
        { "CR CR is no empty line", "GET / HTTP/1.1\r\r\n", std::nullopt },
        { "blank line with a blank in it", "GET / HTTP/1.1\r\n \r\n", std::nullopt },
        { "zero bytes do not end it", "GET / HTTP/1.1\0\r\nHost: a\0\r\n\r\n"sv, 29 },
        { "nothing yet", "", std::nullopt },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(requestHeadLength(c.bytes), c.length) << c.name;
        for (std::size_t cut = 0; cut <= c.bytes.size(); ++cut) {
            const std::optional<std::size_t> first = requestHeadLength(c.bytes.substr(0, cut));
            const std::optional<std::size_t> whole = first ? first : requestHeadLength(c.bytes, cut);
            EXPECT_EQ(whole, c.length) << c.name << ", cut after " << cut << " bytes";
        }
    }
}

TEST(RequestHost, LoopbackNames)
{
    for (const std::string_view name : { "127.0.0.1", "127.0.0.1:8889", "localhost", "LOCALHOST:65535",
             "Localhost:1", "[::1]", "[::1]:8889" })
        EXPECT_TRUE(inkwell::isLoopbackHost(name)) << name;
    for (const std::string_view name : { "", "127.0.0.2", "127.0.0.1.", "localhost.", "localhost.example",
             "a.localhost", "127.0.0.1:", "127.0.0.1:88a", "127.0.0.1:123456", "[::1", "::1",
             "[0:0:0:0:0:0:0:1]", "127.0.0.1 localhost", "192.0.2.2", "0.0.0.0", "2130706433", "127.1" })
        EXPECT_FALSE(inkwell::isLoopbackHost(name)) << name;
}

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

} // namespace inkwell
