// The archive builder driven by a site held in memory: what it fetches, in which order, how often,
// and how it labels and rewrites what it writes.
#include "archivetestsupport.h"
#include "platform/archivebuilder.h"

#include <gtest/gtest.h>

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
        const auto found = m_entries.find(url);
        if (found == m_entries.end())
            return FetchResult { "the server answered with status 404", "", "" };
        return FetchResult { "", found->second.contentType, found->second.body };
    }

    std::map<std::string, Entry> m_entries;
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

    limits.maxNesting = 100;
    limits.maxResources = 10;
    EXPECT_EQ(build("http://h/f0.html", limits).size(), 10u);
}

TEST_F(MemoryArchive, LabelsTypesAndCharsetsAsAReaderNeedsThem)
{
    m_site.m_entries = {
        { "http://h/p.html",
            { "text/html",
                "<meta charset=gb2312><script src=s.js></script><link rel=icon href=i.ico>"
                "<img src=noext><link rel=stylesheet href=style><iframe src=frame></iframe>"
                "<img src=u.txt><img src=g.txt><img src=bom.txt>" } },
        { "http://h/s.js", { "text/js", "var a = 1;" } },
        { "http://h/i.ico", { "image/ico", "ICO" } },
        { "http://h/noext", { "", "\x89PNG" } },
        { "http://h/style", { "", "@charset \"utf-8\"; a{}" } },
        { "http://h/frame", { "text/html; charset=GBK", "<p>\xD6\xD0</p>" } },
        { "http://h/u.txt", { "", "\xE4\xB8\xAD" } },
        { "http://h/g.txt", { "", "\xD6\xD0\xCE\xC4" } },
        { "http://h/bom.txt", { "", "\xEF\xBB\xBFplain" } },
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

} // namespace
} // namespace inkwell
