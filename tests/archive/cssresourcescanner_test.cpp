#include "archive/cssresourcescanner.h"

#include <gtest/gtest.h>

namespace inkwell {
namespace {

using Kind = ResourceRef::Kind;

// What a reference must say: its decoded URL, its kind and the raw text of its span.
struct Expected
{
    std::string url;
    Kind kind;
    std::string span;
};

struct Case
{
    const char* name;
    std::string css;
    std::vector<Expected> refs;
};

class CssScan : public ::testing::TestWithParam<Case>
{
};

TEST_P(CssScan, FindsReferencesWithTheirSpans)
{
    const Case& c = GetParam();
    const std::vector<ResourceRef> refs = scanCssResources(c.css);
    ASSERT_EQ(refs.size(), c.refs.size()) << c.css;
    for (std::size_t i = 0; i < refs.size(); ++i) {
        EXPECT_EQ(refs[i].url, c.refs[i].url) << "reference " << i;
        EXPECT_EQ(refs[i].kind, c.refs[i].kind) << "reference " << i;
        ASSERT_LE(refs[i].offset + refs[i].length, c.css.size());
        EXPECT_EQ(c.css.substr(refs[i].offset, refs[i].length), c.refs[i].span) << "reference " << i;
        EXPECT_TRUE(refs[i].rewritable);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, CssScan,
    ::testing::Values(Case { "unquoted", "a{background:url(p/a.png) no-repeat}",
                          { { "p/a.png", Kind::Picture, "p/a.png" } } },
        Case { "quotesAndBlanks", "a{b:url( 'x y.png' )} b{c:URL(\"z.gif\")}",
            { { "x y.png", Kind::Picture, "x y.png" }, { "z.gif", Kind::Picture, "z.gif" } } },
        Case { "importString", "@import \"more.css\" screen;",
            { { "more.css", Kind::StyleSheet, "more.css" } } },
        Case { "importUrlAnyCase", "@IMPORT url(b.css);\n@import 'c.css';",
            { { "b.css", Kind::StyleSheet, "b.css" }, { "c.css", Kind::StyleSheet, "c.css" } } },
        Case { "importAfterComment", "@import/*x*/'d.css';", { { "d.css", Kind::StyleSheet, "d.css" } } },
        Case { "commentsAndStringsAreNotReferences",
            "/* url(a.png) @import 'x.css'; */ p:before{content:\"url(b.png)\"} q{c:'@import \"y.css\"'}",
            {} },
        Case { "otherFunctionsAreNot", "a{b:myurl(a.png);c:url-x(b.png);d:image(c.png)}", {} },
        Case { "escapes", "a{b:url(a\\)b.png)} c{d:url(\"q\\\"r.png\")} e{f:url(\\66 .png)}",
            { { "a)b.png", Kind::Picture, "a\\)b.png" }, { "q\"r.png", Kind::Picture, "q\\\"r.png" },
                { "f.png", Kind::Picture, "\\66 .png" } } },
        Case { "emptyUrlNamesTheSheetItself", "a{b:url()} c{d:url('')}", {} },
        Case { "severalInOneDeclaration", "@font-face{src:url(f.woff2) format('woff2'),url(f.woff)}",
            { { "f.woff2", Kind::Picture, "f.woff2" }, { "f.woff", Kind::Picture, "f.woff" } } },
        Case { "unclosedAtTheEnd", "a{b:url(x.png", { { "x.png", Kind::Picture, "x.png" } } },
        Case { "unclosedString", "a{b:url('x.png\n)}", { { "x.png", Kind::Picture, "x.png" } } },
        Case { "absoluteAndFileUrls", "a{b:url(file:///tmp/a.png)} c{d:url(http://h/b.png)}",
            { { "file:///tmp/a.png", Kind::Picture, "file:///tmp/a.png" },
                { "http://h/b.png", Kind::Picture, "http://h/b.png" } } }),
    [](const auto& test) { return std::string(test.param.name); });

TEST(CssCharset, ReadsOnlyALeadingRule)
{
    EXPECT_EQ(cssCharset("@charset \"gb2312\";\na{}"), "gb2312");
    EXPECT_EQ(cssCharset("\xEF\xBB\xBF@charset \"utf-8\";"), "utf-8");
    EXPECT_EQ(cssCharset("a{} @charset \"utf-8\";"), "");
    EXPECT_EQ(cssCharset("@charset 'utf-8';"), "");
    EXPECT_EQ(cssCharset("@charset \"utf-8"), "");
}

} // namespace
} // namespace inkwell
