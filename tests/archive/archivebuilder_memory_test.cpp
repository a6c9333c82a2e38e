// The archive builder driven by a site held in memory: what it fetches, in which order, how often,
// and how it labels and rewrites what it writes.
#include "archivetestsupport.h"
#include "archive/archivebuilder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <set>

namespace inkwell {
namespace {

using namespace archive_test;

class MemorySite final : public ResourceFetcher
{
public:
    struct Entry
    {
        std::string contentType;
        std::string body;
    };

    FetchResult fetch(const std::string& url) override
    {
        ++m_fetches[url];
        if (m_tooLarge.contains(url))
            return FetchResult { "over the fetcher's own limit", "", "", true };
        const auto found = m_entries.find(url);
        if (found == m_entries.end())
            return FetchResult { "the server answered with status 404", "", "" };
        return FetchResult { "", found->second.contentType, found->second.body };
    }

    std::map<std::string, Entry> m_entries;
    std::set<std::string> m_tooLarge; // answered as a fetcher that stopped at its size limit
    std::map<std::string, int> m_fetches;
};

class MemoryArchive : public ::testing::Test
{
protected:
    std::vector<Part> build(
        const std::string& url, ArchiveBuilder::Limits limits = {}, const ArchiveOptions& options = {})
    {
        const std::filesystem::path target = m_folder.path() / "a.mht";
        m_result = ArchiveBuilder(m_site, limits).build(url, target, options);
        if (!m_result.ok())
            throw std::runtime_error(m_result.error);
        return SplitArchive(target, m_folder.path());
    }

    static std::vector<std::string> Locations(const std::vector<Part>& parts)
    {
        std::vector<std::string> out;
        for (const Part& part : parts)
            out.push_back(part.location);
        return out;
    }

    TempFolder m_folder;
    MemorySite m_site;
    ArchiveResult m_result;
};

TEST_F(MemoryArchive, FetchesEachUrlOnceAndFollowsCyclesNoFurther)
{
    m_site.m_entries = {
        { "http://h/p.html",
            { "text/html",
                "<link rel=stylesheet href=a.css><img src=x.png><img src=./x.png#top>"
                "<p style='background:url(http://h/x.png)'><iframe src=p.html></iframe>"
                "<iframe src=f.html></iframe>" } },
        { "http://h/a.css", { "text/css", "@import 'b.css'; a{b:url(x.png)}" } },
        { "http://h/b.css", { "text/css", "@import url(a.css); c{d:url(sub/y.png)}" } },
        { "http://h/f.html", { "text/html", "<iframe src=p.html></iframe><img src=x.png>" } },
        { "http://h/x.png", { "image/png", "X" } },
        { "http://h/sub/y.png", { "image/png", "Y" } },
    };
    const std::vector<Part> parts = build("http://h/p.html");
    EXPECT_EQ(Locations(parts),
        (std::vector<std::string> { "http://h/p.html", "http://h/a.css", "http://h/x.png", "http://h/f.html",
            "http://h/b.css", "http://h/sub/y.png" }));
    for (const auto& [url, count] : m_site.m_fetches)
        EXPECT_EQ(count, 1) << url;
    EXPECT_TRUE(m_result.notFetched.empty());
}

TEST_F(MemoryArchive, NestingAndSizeLimitsEndTheWalk)
{
    // Frames that each hold the next one, endlessly.
    for (int i = 0; i < 40; ++i)
        m_site.m_entries["http://h/f" + std::to_string(i) + ".html"]
            = { "text/html", "<iframe src=f" + std::to_string(i + 1) + ".html></iframe>" };
    ArchiveBuilder::Limits limits;
    limits.maxNesting = 3;
    EXPECT_EQ(build("http://h/f0.html", limits).size(), 4u) << "the page and three levels of frames";
    EXPECT_EQ(m_result.notFetched,
        (std::vector<MissingResource> {
            { "http://h/f4.html", "it is nested deeper than the archive's limit of 3 levels" } }));

    limits.maxNesting = 100;
    limits.maxResources = 10;
    EXPECT_EQ(build("http://h/f0.html", limits).size(), 10u);
    EXPECT_EQ(m_result.notFetched,
        (std::vector<MissingResource> { { "http://h/f10.html", "the archive holds at most 10 parts" } }));

    // One page naming many resources beyond the limit: the first is named, the other references
    // (each of these pictures is named twice) counted.
    std::string page;
    for (int i = 0; i < 20; ++i)
        page += "<img src=" + std::to_string(i) + ".png><img src=" + std::to_string(i) + ".png>";
    m_site.m_entries["http://h/many.html"] = { "text/html", page };
    for (int i = 0; i < 20; ++i)
        m_site.m_entries["http://h/" + std::to_string(i) + ".png"] = { "image/png", "P" };
    EXPECT_EQ(build("http://h/many.html", limits).size(), 10u);
    EXPECT_EQ(m_result.notFetched,
        (std::vector<MissingResource> {
            { "http://h/9.png", "the archive holds at most 10 parts, and so are 20 more references" } }));
}

TEST_F(MemoryArchive, LabelsTypesAndCharsetsAsAReaderNeedsThem)
{
    m_site.m_entries = {
        { "http://h/p.html",
            { "text/html",
                "<meta charset=gb2312><script src=s.js></script><link rel=icon href=i.ico>"
                "<img src=noext><link rel=stylesheet href=style><iframe src=frame></iframe>"
                "<img src=u.txt><img src=g.txt><img src=bom.txt>"
                "<iframe src=bogus.html></iframe><iframe src=quoted.html></iframe>" } },
        { "http://h/s.js", { "text/js", "var a = 1;" } },
        { "http://h/i.ico", { "image/ico", "ICO" } },
        { "http://h/noext", { "", "\x89PNG" } },
        { "http://h/style", { "", "@charset \"utf-8\"; a{}" } },
        { "http://h/frame", { "text/html; charset=GBK", "<p>\xD6\xD0</p>" } },
        { "http://h/u.txt", { "", "\xE4\xB8\xAD" } },
        { "http://h/g.txt", { "", "\xD6\xD0\xCE\xC4" } },
        { "http://h/bom.txt", { "", "\xEF\xBB\xBFplain" } },
        // Labelled as the editor reads them: past a label that names nothing, and without the quotes.
        { "http://h/bogus.html", { "text/html", "<meta charset=\"bogus\"><meta charset=\"big5\"><p>\xA4\xA4</p>" } },
        { "http://h/quoted.html", { "text/html; charset='big5'", "<p>\xA4\xA4</p>" } },
    };
    const std::vector<Part> parts = build("http://h/p.html");
    struct Label
    {
        std::string type, charset, encoding;
    };
    const std::map<std::string, Label> expected {
        { "http://h/p.html", { "text/html", "gb2312", "quoted-printable" } },
        { "http://h/s.js", { "text/javascript", "utf-8", "quoted-printable" } },
        { "http://h/i.ico", { "image/x-icon", "", "base64" } },
        { "http://h/noext", { "application/octet-stream", "", "base64" } },
        { "http://h/style", { "text/css", "utf-8", "quoted-printable" } },
        { "http://h/frame", { "text/html", "gbk", "quoted-printable" } },
        { "http://h/u.txt", { "text/plain", "utf-8", "quoted-printable" } },
        { "http://h/g.txt", { "text/plain", "gb18030", "quoted-printable" } },
        { "http://h/bom.txt", { "text/plain", "utf-8", "quoted-printable" } },
        { "http://h/bogus.html", { "text/html", "big5", "quoted-printable" } },
        { "http://h/quoted.html", { "text/html", "big5", "quoted-printable" } },
    };
    ASSERT_EQ(parts.size(), expected.size());
    for (const Part& part : parts) {
        const Label& label = expected.at(part.location);
        EXPECT_EQ(part.type, label.type) << part.location;
        EXPECT_EQ(part.charset, label.charset) << part.location;
        EXPECT_EQ(part.encoding, label.encoding) << part.location;
        EXPECT_EQ(part.bytes, m_site.m_entries.at(part.location).body) << part.location;
    }
}

TEST_F(MemoryArchive, RewritesOnlyReferencesToFetchedPartsFromDisk)
{
    const std::string page = "<img src=\"file:///d/a.png\"><img src='file:///d/gone.png'>"
                             "<p style=\"background:url(file:///d/a.png)\">file:///d/a.png</p>"
                             "<img src=\"file:///d/a&amp;b.png\"><img src=http://h/b.png>"
                             "<link rel=stylesheet href=file:///d/s.css>";
    m_site.m_entries = {
        { "http://h/p.html", { "text/html", page } },
        { "file:///d/a.png", { "", "A" } },
        { "file:///d/a&b.png", { "", "A2" } },
        { "http://h/b.png", { "image/png", "B" } },
        { "file:///d/s.css", { "", "a{b:url(a.png)} c{d:url( \"http://h/b.png\" )}" } },
    };
    // Every local file may go in: which ones may is the local-file rule's business, not this test's.
    ArchiveOptions options;
    options.localFiles = LocalFiles::All;
    const std::vector<Part> parts = build("http://h/p.html", {}, options);
    std::map<std::string, std::string> ids;
    for (const Part& part : parts) {
        if (!part.contentId.empty())
            ids[part.location] = "cid:" + part.contentId.substr(1, part.contentId.size() - 2);
    }
    ASSERT_EQ(ids.size(), 3u) << "each fetched file:// part, and nothing else, has a Content-ID";
    const std::string a = ids.at("file:///d/a.png");
    EXPECT_EQ(parts[0].bytes,
        "<img src=\"" + a + "\"><img src='file:///d/gone.png'>" + "<p style=\"background:url(" + a
            + ")\">file:///d/a.png</p>" + "<img src=\"" + ids.at("file:///d/a&b.png")
            + "\"><img src=http://h/b.png>" + "<link rel=stylesheet href=" + ids.at("file:///d/s.css") + ">");
    const Part& sheet = *std::find_if(
        parts.begin(), parts.end(), [](const Part& p) { return p.location == "file:///d/s.css"; });
    EXPECT_EQ(sheet.bytes, "a{b:url(" + a + ")} c{d:url( \"http://h/b.png\" )}");
    EXPECT_EQ(m_result.notFetched,
        (std::vector<MissingResource> { { "file:///d/gone.png", "the server answered with status 404" } }));
}

TEST_F(MemoryArchive, ResolvesAgainstTheBaseOfThePage)
{
    m_site.m_entries = {
        { "http://h/d/p.html",
            { "text/html", "<base href=\"../assets/\"><img src=a.png><link rel=stylesheet href=/s.css>" } },
        { "http://h/assets/a.png", { "image/png", "A" } },
        { "http://h/s.css", { "text/css", "a{b:url(img/c.png)}" } },
        { "http://h/img/c.png", { "image/png", "C" } },
    };
    EXPECT_EQ(Locations(build("http://h/d/p.html")),
        (std::vector<std::string> {
            "http://h/d/p.html", "http://h/assets/a.png", "http://h/s.css", "http://h/img/c.png" }));
}

// Names are read in the encoding a browser reads the text in, and then asked for as the browser asks:
// UTF-8 with upper-case escapes. The page's own escapes stay as it wrote them; parts keep their bytes.
TEST_F(MemoryArchive, ReadsReferencesInTheEncodingOfTheirText)
{
    struct Case
    {
        std::string name;
        std::map<std::string, MemorySite::Entry> site; // the page is http://h/d/p.html
        std::vector<std::string> locations; // in the order the archive holds them
        std::string pageCharset; // as the page part is labelled
    };
    const std::string page = "http://h/d/p.html";
    const std::vector<Case> cases {
        { "a GB18030 page that declares gb2312, with a style sheet in UTF-8",
            {
                { page,
                    { "text/html",
                        "<meta charset=\"gb2312\"><p>\xCE\xC4\xD7\xD6</p><img src=\"\xD5\xD5\xC6\xAC "
                        "(1).png\">"
                        "<link rel=stylesheet href=\"\xD1\xF9\xCA\xBD.css\">" } },
                { "http://h/d/%E7%85%A7%E7%89%87%20(1).png", { "image/png", "P" } },
                { "http://h/d/%E6%A0%B7%E5%BC%8F.css",
                    { "text/css",
                        "@charset \"utf-8\"; .b { background: url(\"\xE5\xBA\x95\xE7\xBA\xB9 (2).png\") "
                        "}" } },
                { "http://h/d/%E5%BA%95%E7%BA%B9%20(2).png", { "image/png", "T" } },
            },
            { page, "http://h/d/%E7%85%A7%E7%89%87%20(1).png", "http://h/d/%E6%A0%B7%E5%BC%8F.css",
                "http://h/d/%E5%BA%95%E7%BA%B9%20(2).png" },
            "gb2312" },
        { "a GB18030 page without a declaration, and a style sheet without one either",
            {
                { page,
                    { "text/html",
                        "<img src=\"\xB1\xBE\xB5\xD8\xCD\xBC.png\"><link rel=stylesheet href=s.css>" } },
                { "http://h/d/%E6%9C%AC%E5%9C%B0%E5%9B%BE.png", { "image/png", "P" } },
                { "http://h/d/s.css", { "text/css", "a{background:url(\xB5\xD7\xCE\xC6.png)}" } },
                { "http://h/d/%E5%BA%95%E7%BA%B9.png", { "image/png", "T" } },
            },
            { page, "http://h/d/%E6%9C%AC%E5%9C%B0%E5%9B%BE.png", "http://h/d/s.css",
                "http://h/d/%E5%BA%95%E7%BA%B9.png" },
            "gb18030" },
        { "the server's utf-8 over the page's gb2312",
            {
                { page,
                    { "text/html; charset=utf-8", "<meta charset=gb2312><img src=\"\xE5\x9B\xBE.png\">" } },
                { "http://h/d/%E5%9B%BE.png", { "image/png", "P" } },
            },
            { page, "http://h/d/%E5%9B%BE.png" }, "utf-8" },
        { "the server's gbk over the page's utf-8",
            {
                { page, { "text/html; charset=GBK", "<meta charset=utf-8><img src=\"\xCD\xBC.png\">" } },
                { "http://h/d/%E5%9B%BE.png", { "image/png", "P" } },
            },
            { page, "http://h/d/%E5%9B%BE.png" }, "gbk" },
        { "a style sheet's @charset, and the server's charset over a sheet's @charset",
            {
                { page,
                    { "text/html; charset=utf-8",
                        "<link rel=stylesheet href=a.css><link rel=stylesheet href=b.css>" } },
                { "http://h/d/a.css",
                    { "text/css", "@charset \"gb18030\"; a{background:url(\xCD\xBC.png)}" } },
                { "http://h/d/b.css",
                    { "text/css; charset=utf-8",
                        "@charset \"gbk\"; b{background:url(\xE5\xBA\x95\xE7\xBA\xB9.png)}" } },
                { "http://h/d/%E5%9B%BE.png", { "image/png", "P" } },
                { "http://h/d/%E5%BA%95%E7%BA%B9.png", { "image/png", "T" } },
            },
            { page, "http://h/d/a.css", "http://h/d/b.css", "http://h/d/%E5%9B%BE.png",
                "http://h/d/%E5%BA%95%E7%BA%B9.png" },
            "utf-8" },
        { "a UTF-16 page with its byte-order mark",
            {
                { page,
                    { "text/html",
                        std::string("\xFF\xFE<\0i\0m\0g\0 \0s\0r\0c\0=\0\xFE\x56.\0p\0n\0g\0>\0", 32) } },
                { "http://h/d/%E5%9B%BE.png", { "image/png", "P" } },
            },
            { page, "http://h/d/%E5%9B%BE.png" }, "utf-16le" },
        { "escapes the page wrote itself stay as written",
            {
                { page,
                    { "text/html; charset=utf-8", "<img src=\"%e5%9b%be.png\"><img src=\"a%2fb.png\">" } },
                { "http://h/d/%e5%9b%be.png", { "image/png", "P" } },
                { "http://h/d/a%2fb.png", { "image/png", "Q" } },
            },
            { page, "http://h/d/%e5%9b%be.png", "http://h/d/a%2fb.png" }, "utf-8" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_site.m_entries = c.site;
        const std::vector<Part> parts = build(page);
        EXPECT_EQ(Locations(parts), c.locations);
        EXPECT_TRUE(m_result.notFetched.empty()) << m_result.notFetched.front().url;
        for (const Part& part : parts)
            EXPECT_EQ(part.bytes, c.site.at(part.location).body) << part.location;
        ASSERT_FALSE(parts.empty());
        EXPECT_EQ(parts[0].charset, c.pageCharset);
    }
}

// A reference replaced in a page that is not UTF-8 is replaced in its own bytes; after bytes that
// are no text in the page's encoding the place of a reference is not certain, so it stays as written.
TEST_F(MemoryArchive, RewritesReferencesInTheBytesOfAGb18030Page)
{
    const std::string local = "file:///d/%E6%9C%AC%E5%9C%B0%E5%9B%BE.png";
    const std::string before = "<meta charset=gb2312><p>\xCE\xC4\xD7\xD6</p><img src=\"";
    const std::string raw = "file:///d/\xB1\xBE\xB5\xD8\xCD\xBC.png";
    const std::string after = "\"><p>\x81\x20</p><img src=\"" + raw + "\"><img alt=\"\xCE\xC4\">";
    m_site.m_entries = {
        { "http://h/p.html", { "text/html", before + raw + after } },
        { local, { "", "\x89PNG" } },
    };
    ArchiveOptions options;
    options.localFiles = LocalFiles::All;
    const std::vector<Part> parts = build("http://h/p.html", {}, options);
    ASSERT_EQ(parts.size(), 2u);
    ASSERT_EQ(parts[1].location, local);
    const std::string cid = "cid:" + parts[1].contentId.substr(1, parts[1].contentId.size() - 2);
    EXPECT_EQ(parts[0].bytes, before + cid + after);
}

// Bodies go through a file on disk and are encoded piece by piece; the pieces must join into
// exactly the bytes a reader gets back, across every piece boundary.
TEST_F(MemoryArchive, LargePartsComeBackWhole)
{
    std::mt19937 random(17);
    std::string binary(3 * 1024 * 1024 + 5, '\0');
    for (char& c : binary)
        c = static_cast<char>(random());
    // Lines of every length with the bytes quoted-printable must escape, LF and CR LF breaks, and
    // one line longer than a piece, which has to stay whole.
    std::string script;
    while (script.size() < 3 * 1024 * 1024) {
        const std::size_t length = random() % 200;
        for (std::size_t i = 0; i < length; ++i)
            script += "ab=c \t\xE4\xB8\xAD"[random() % 9];
        script += random() % 3 == 0 ? "\r\n" : " \n";
    }
    script += std::string(1536 * 1024, 'x') + "\n=tail ";
    std::string sheet;
    while (sheet.size() < 2 * 1024 * 1024)
        sheet += ".rule-" + std::to_string(sheet.size()) + " { color: red; }\n";
    sheet += "a{b:url(file:///d/a.png)}\n";
    m_site.m_entries = {
        { "http://h/p.html",
            { "text/html",
                "<img src=big.bin><script src=big.js></script><link rel=stylesheet href=big.css>" } },
        { "http://h/big.bin", { "application/octet-stream", binary } },
        { "http://h/big.js", { "text/javascript", script } },
        { "http://h/big.css", { "text/css", sheet } },
        { "file:///d/a.png", { "", "A" } },
    };
    ArchiveOptions options;
    options.localFiles = LocalFiles::All;
    const std::vector<Part> parts = build("http://h/p.html", {}, options);
    ASSERT_EQ(parts.size(), 5u);
    EXPECT_TRUE(parts[1].bytes == binary) << "the binary part differs";
    EXPECT_TRUE(parts[2].bytes == CrLf(script)) << "the script part differs";
    const std::string id = parts[4].contentId.substr(1, parts[4].contentId.size() - 2);
    EXPECT_TRUE(parts[3].bytes == CrLf(Replace(sheet, "file:///d/a.png", "cid:" + id)))
        << "the style sheet differs";
}

TEST_F(MemoryArchive, ResourcesOverTheLimitsAreNamedNotFetched)
{
    ArchiveBuilder::Limits limits;
    limits.maxResourceBytes = 1000;
    limits.maxDocumentBytes = 100;
    m_site.m_entries = {
        { "http://h/p.html",
            { "text/html",
                "<img src=big.png><img src=edge.png><link rel=stylesheet href=s.css><img src=f.png>" } },
        { "http://h/big.png", { "image/png", std::string(1001, 'b') } },
        { "http://h/edge.png", { "image/png", std::string(1000, 'e') } },
        { "http://h/s.css", { "text/css", std::string(101, ' ') } },
        { "http://h/big.html", { "text/html", std::string(101, ' ') } },
    };
    m_site.m_tooLarge = { "http://h/f.png" };
    EXPECT_EQ(Locations(build("http://h/p.html", limits)),
        (std::vector<std::string> { "http://h/p.html", "http://h/edge.png" }));
    const std::string limit = "it is larger than the archive's limit of 1000 bytes";
    EXPECT_EQ(m_result.notFetched,
        (std::vector<MissingResource> { { "http://h/big.png", limit },
            { "http://h/s.css",
                "it is larger than the 100 bytes the archive reads of a page or style sheet" },
            { "http://h/f.png", limit } }));

    const ArchiveResult page
        = ArchiveBuilder(m_site, limits).build("http://h/big.html", m_folder.path() / "b.mht");
    EXPECT_EQ(page.status, ArchiveResult::Status::PageNotFetched);
    EXPECT_NE(page.error.find("100 bytes"), std::string::npos) << page.error;
}

TEST_F(MemoryArchive, AnArchiveThatMustBeCompleteIsNotWrittenWithoutAResource)
{
    m_site.m_entries = {
        { "http://h/p.html",
            { "text/html", "<img src=gone.png><img src=a.png><script src=gone.js></script>" } },
        { "http://h/a.png", { "image/png", "A" } },
    };
    const std::filesystem::path target = m_folder.path() / "kept.mht";
    WriteFile(target, "an earlier archive");
    ArchiveOptions options;
    options.missing = MissingResources::RefuseArchive;
    const ArchiveResult refused = ArchiveBuilder(m_site).build("http://h/p.html", target, options);
    EXPECT_EQ(refused.status, ArchiveResult::Status::Incomplete);
    EXPECT_EQ(refused.partCount, 0u);
    EXPECT_EQ(refused.notFetched,
        (std::vector<MissingResource> { { "http://h/gone.png", "the server answered with status 404" },
            { "http://h/gone.js", "the server answered with status 404" } }));
    EXPECT_EQ(ReadFile(target), "an earlier archive");
    EXPECT_EQ(namesIn(m_folder.path()), std::vector<std::string> { "kept.mht" }) << "nothing left behind";

    options.missing = MissingResources::LeaveOut;
    const ArchiveResult written = ArchiveBuilder(m_site).build("http://h/p.html", target, options);
    EXPECT_TRUE(written.ok()) << written.error;
    EXPECT_EQ(written.partCount, 2u);
    EXPECT_EQ(written.notFetched.size(), 2u);
}

// Serves pictures of a given size made up on request, so that the site itself takes no memory.
class GeneratedSite final : public ResourceFetcher
{
public:
    GeneratedSite(int count, std::size_t bytes)
        : m_count(count)
        , m_bytes(bytes)
    {
    }

    FetchResult fetch(const std::string& url) override
    {
        if (url == "http://h/p.html") {
            std::string page;
            for (int i = 0; i < m_count; ++i)
                page += "<img src=" + std::to_string(i) + ".png>";
            return FetchResult { "", "text/html", page };
        }
        return FetchResult { "", "image/png", std::string(m_bytes, url[9]) };
    }

private:
    int m_count;
    std::size_t m_bytes;
};

// Peak resident memory of this process in KiB, after clearing the mark when resetting is true.
std::optional<long> PeakResidentKiB(bool resetting)
{
    if (resetting) {
        std::ofstream clear("/proc/self/clear_refs");
        clear << "5";
        if (!clear.flush())
            return std::nullopt;
    }
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmHWM:"))
            return std::stol(line.substr(6));
    }
    return std::nullopt;
}

TEST(ArchiveMemory, HoldsOneResourceAtATime)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__has_feature)
#if defined(__SANITIZE_ADDRESS__) || __has_feature(address_sanitizer)
    GTEST_SKIP() << "the address sanitizer keeps freed memory in quarantine";
#endif
#endif
    constexpr int count = 12;
    constexpr std::size_t bytes = 16 << 20;
    TempFolder folder;
    GeneratedSite site(count, bytes);
    const auto before = PeakResidentKiB(true);
    if (!before)
        GTEST_SKIP() << "the peak resident memory cannot be reset here";
    const ArchiveResult result = ArchiveBuilder(site).build("http://h/p.html", folder.path() / "big.mht");
    const auto after = PeakResidentKiB(false);
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.partCount, static_cast<std::size_t>(count + 1));
    EXPECT_GT(std::filesystem::file_size(folder.path() / "big.mht"), count * bytes);
    // 192 MiB of pictures; one of them in memory, with its copy on the way, is about 32 MiB.
    EXPECT_LT(*after - *before, 64L * 1024) << "peak grew by " << (*after - *before) / 1024 << " MiB";
}

} // namespace
} // namespace inkwell
