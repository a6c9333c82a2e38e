#include "archive/htmlresourcescanner.h"

#include <chrono>
#include <gtest/gtest.h>

namespace inkwell {
namespace {

using Kind = ResourceRef::Kind;

// span is the raw page text the reference covers; empty when it must not be rewritten.
struct Expected
{
    std::string url;
    Kind kind;
    std::string span;
};

struct Case
{
    const char* name;
    std::string html;
    std::vector<Expected> refs;
};

class HtmlScanTable : public ::testing::TestWithParam<Case>
{
};

TEST_P(HtmlScanTable, FindsReferencesWithTheirSpans)
{
    const Case& c = GetParam();
    const HtmlScan scan = scanHtmlResources(c.html);
    ASSERT_EQ(scan.refs.size(), c.refs.size()) << c.html;
    for (std::size_t i = 0; i < scan.refs.size(); ++i) {
        const ResourceRef& ref = scan.refs[i];
        EXPECT_EQ(ref.url, c.refs[i].url) << "reference " << i;
        EXPECT_EQ(ref.kind, c.refs[i].kind) << "reference " << i;
        EXPECT_EQ(ref.rewritable, !c.refs[i].span.empty()) << "reference " << i;
        if (ref.rewritable) {
            ASSERT_LE(ref.offset + ref.length, c.html.size());
            EXPECT_EQ(c.html.substr(ref.offset, ref.length), c.refs[i].span) << "reference " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, HtmlScanTable,
    ::testing::Values(
        Case { "pictures",
            "<img src=\"a.png\"><img src='b.png'><img src=c.png><img src=\" d.png \"><img alt=x>",
            { { "a.png", Kind::Picture, "a.png" }, { "b.png", Kind::Picture, "b.png" },
                { "c.png", Kind::Picture, "c.png" }, { "d.png", Kind::Picture, "d.png" } } },
        Case { "inputOnlyAsImage",
            "<input type=IMAGE src=go.gif><input type=text src=no.gif><input src=no2.gif>",
            { { "go.gif", Kind::Picture, "go.gif" } } },
        Case { "backgroundAttributes",
            "<body background=bg.gif><table background='t.png'><tr><td "
            "background=\"c.jpg\">x</td></tr></table>",
            { { "bg.gif", Kind::Picture, "bg.gif" }, { "t.png", Kind::Picture, "t.png" },
                { "c.jpg", Kind::Picture, "c.jpg" } } },
        Case { "links",
            "<link rel=stylesheet href=a.css><link rel='Alternate StyleSheet' href=b.css>"
            "<link rel=\"shortcut icon\" href=f.ico><link rel=next href=no.html><link href=no.css>",
            { { "a.css", Kind::StyleSheet, "a.css" }, { "b.css", Kind::StyleSheet, "b.css" },
                { "f.ico", Kind::Resource, "f.ico" } } },
        Case { "styleElementAndAttribute",
            "<style>@import 'i.css'; p{background:url(s.png)}</style><p style=\"background: "
            "url('p.png')\">x</p>",
            { { "i.css", Kind::StyleSheet, "i.css" }, { "s.png", Kind::Picture, "s.png" },
                { "p.png", Kind::Picture, "p.png" } } },
        Case { "scriptsFramesAndMedia",
            "<script src=s.js></script><iframe src=f.html></iframe><object data=o.swf></object>"
            "<embed src=e.swf><bgsound src=b.wav><audio src=a.ogg></audio>"
            "<video src=v.webm poster=v.jpg><source src=v.mp4><track src=t.vtt></video>",
            { { "s.js", Kind::Resource, "s.js" }, { "f.html", Kind::Frame, "f.html" },
                { "o.swf", Kind::Resource, "o.swf" }, { "e.swf", Kind::Resource, "e.swf" },
                { "b.wav", Kind::Resource, "b.wav" }, { "a.ogg", Kind::Resource, "a.ogg" },
                { "v.webm", Kind::Resource, "v.webm" }, { "v.jpg", Kind::Resource, "v.jpg" },
                { "v.mp4", Kind::Resource, "v.mp4" }, { "t.vtt", Kind::Resource, "t.vtt" } } },
        Case { "frameset", "<frameset><frame src=a.html><frame src='b.html'></frameset>",
            { { "a.html", Kind::Frame, "a.html" }, { "b.html", Kind::Frame, "b.html" } } },
        Case { "srcset", "<img srcset=\"a.png 1x, b.png 2x,c.png\">",
            { { "a.png", Kind::Picture, "a.png" }, { "b.png", Kind::Picture, "b.png" },
                { "c.png", Kind::Picture, "c.png" } } },
        // A value with character references is decoded; the whole raw value is the span.
        Case { "characterReferences",
            "<img src=\"a.png?x=1&amp;y=2\"><p style=\"background:url(&quot;q.png&quot;)\">",
            { { "a.png?x=1&y=2", Kind::Picture, "a.png?x=1&amp;y=2" }, { "q.png", Kind::Picture, "" } } },
        Case { "textIsNotAReference",
            "<p>src=\"a.png\" url(b.png)</p><!-- <img src=c.png> --><textarea><img src=d.png></textarea>",
            {} },
        // Bytes that are not UTF-8 (a GB18030 name) are taken from the page as they are.
        Case { "pageEncodingBytesKept", "<img src=\"\xCD\xBC.png\">",
            { { "\xCD\xBC.png", Kind::Picture, "\xCD\xBC.png" } } },
        // Named references are the longest name that fits; one without ";" stays as written before
        // "=" or a letter; numbers in 0x80-0x9F are windows-1252 characters.
        Case { "referenceForms",
            "<img src=\"a?x=1&copy=2&b=&notin;x&notit;\"><img src='&#x41;&#66;&#128;&#0;'><img src=\"&amp\">",
            { { "a?x=1&copy=2&b=\xE2\x88\x89x&notit;", Kind::Picture, "a?x=1&copy=2&b=&notin;x&notit;" },
                { "AB\xE2\x82\xAC\xEF\xBF\xBD", Kind::Picture, "&#x41;&#66;&#128;&#0;" },
                { "&", Kind::Picture, "&amp" } } },
        // The first of two attributes of one name counts; names are read without their case, and a
        // quoted ">" does not end the tag.
        Case { "attributeForms", "<IMG SRC=a.png src=b.png alt=\"x>y\"><img alt='>' src=c.png>",
            { { "a.png", Kind::Picture, "a.png" }, { "c.png", Kind::Picture, "c.png" } } },
        // Text that holds no markup: comments however they end ("<!-->" is a whole one), scripts, raw
        // text elements up to their own end tag only, declarations, and everything after plaintext.
        Case { "noMarkupInside",
            "<!--> <img src=a.png> --><!-- x --!><img src=b.png><!-- <img src=c.png> -->"
            "<script>document.write('<img src=d.png>')</script ><style>p{}</style><img src=e.png>"
            "<title><img src=f.png></title><xmp></style><img src=g.png></xmp><iframe src=h.html><img "
            "src=i.png></iframe><noframes><img src=j.png></noframes><?php echo '<img src=k.png>' ?>"
            "<!DOCTYPE html><![CDATA[<img src=l.png>]]><plaintext></plaintext><img src=m.png>",
            { { "a.png", Kind::Picture, "a.png" }, { "b.png", Kind::Picture, "b.png" },
                { "e.png", Kind::Picture, "e.png" }, { "h.html", Kind::Frame, "h.html" } } },
        // A script whose text opens "<!--" and then "<script" ends only at the second "</script>".
        Case { "escapedScript",
            "<script><!-- document.write('<script></script>'); <img src=a.png> --></script><img src=b.png>"
            "<script><!--></script><img src=c.png><script><!-- --></script><img src=d.png>",
            { { "b.png", Kind::Picture, "b.png" }, { "c.png", Kind::Picture, "c.png" },
                { "d.png", Kind::Picture, "d.png" } } },
        // Inside SVG a style element holds markup, and its text is still a style sheet; CDATA is text
        // there; HTML elements and the HTML places of SVG bring HTML back.
        Case { "foreignContent",
            "<svg><style>@import 'a.css';</style><title><img src=b.png></title><![CDATA[<img "
            "src=c.png>]]><script src=d.js></script><foreignObject><style><img src=e.png></style>"
            "</foreignObject></svg><math><mi><textarea><img src=f.png></textarea></mi></math>"
            "<svg><p><textarea><img src=g.png></textarea>",
            { { "a.css", Kind::StyleSheet, "a.css" }, { "b.png", Kind::Picture, "b.png" },
                { "d.js", Kind::Resource, "d.js" } } },
        // A picture named as "image" is an img; a select list makes no raw text of a style element.
        Case { "browserCorrections",
            "<image src=a.png><select><style><img src=b.png></style></select><style><img src=c.png></style>",
            { { "a.png", Kind::Picture, "a.png" }, { "b.png", Kind::Picture, "b.png" } } },
        // A tag cut off by the end of the page is no tag.
        Case { "cutOff", "<img src=a.png><img src=b.png", { { "a.png", Kind::Picture, "a.png" } } }),
    [](const auto& test) { return std::string(test.param.name); });

TEST(HtmlScan, ReadsBaseAndCharset)
{
    const auto cases = std::vector<std::tuple<std::string, std::string, std::string>> {
        { "<meta charset=\"gb2312\"><base href=\"http://h/d/\"><base href=x/>", "gb2312", "http://h/d/" },
        { "<meta http-equiv=Content-Type content=\"text/html; charset=GBK\">", "GBK", "" },
        { "<meta http-equiv=refresh content=\"0; charset=x\"><meta charset=utf-8>", "utf-8", "" },
        { "<p>no head</p>", "", "" },
    };
    for (const auto& [html, charset, base] : cases) {
        const HtmlScan scan = scanHtmlResources(html);
        EXPECT_EQ(scan.charset, charset) << html;
        EXPECT_EQ(scan.baseHref, base) << html;
    }
}

TEST(HtmlScan, SurvivesDeepNestingAndBrokenMarkup)
{
    // Deep enough that a scan taking time with the square of the depth would not end in the test's
    // time; the tags around the picture are of every kind that a tree builder searches for.
    constexpr int kDepth = 300000;
    std::string deep;
    for (int i = 0; i < kDepth; ++i)
        deep += i % 3 == 0 ? "<div>" : i % 3 == 1 ? "<p><b>" : "<svg><foreignObject><table><tr><td><select>";
    deep += "<img src=deep.png>";
    for (int i = 0; i < kDepth; ++i)
        deep += "</div>";
    std::string manyAttributes = "<img";
    for (int i = 0; i < 200000; ++i)
        manyAttributes += " a" + std::to_string(i) + "=x";
    manyAttributes += " src=many.png>";
    const auto start = std::chrono::steady_clock::now();
    const HtmlScan scan = scanHtmlResources(deep);
    const HtmlScan many = scanHtmlResources(manyAttributes);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    ASSERT_EQ(scan.refs.size(), 1u);
    EXPECT_EQ(scan.refs[0].url, "deep.png");
    ASSERT_EQ(many.refs.size(), 1u);
    EXPECT_EQ(many.refs[0].url, "many.png");

    EXPECT_TRUE(scanHtmlResources(std::string("<img src=\"a\0b.png\"><p", 22)).refs.size() <= 1);
    EXPECT_TRUE(scanHtmlResources("").refs.empty());
}

} // namespace
} // namespace inkwell
