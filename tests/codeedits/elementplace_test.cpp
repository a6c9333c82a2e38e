// Naming the element at a place of the markup, and finding its start tag again.
#include "codeedits/elementplace.h"
#include "formatter/htmlformatter.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace inkwell {
namespace {

const std::string kPage = "<html><head><title>a <p> b</title><style>p{}</style></head><body>"
                          "<p>one</p><!-- <p>not one</p> --><div><p id=\"x>y\">two<br>three<b>four</b></p>"
                          "<textarea><p>five</textarea><img src=x><p>six</div><P>seven</body></html>";

TEST(ElementPlace, TheInnermostElementOpenAtAnOffset)
{
    struct Case
    {
        const char* at; // the offset is where this text first begins
        std::size_t shift; // bytes into it
        const char* name;
        std::size_t index;
    };
    const std::vector<Case> cases {
        { "one", 1, "p", 0 },
        { "<p>one", 0, "p", 0 }, // at the start of its start tag
        { "</p><!--", 2, "p", 0 }, // inside its end tag
        { "<!-- <p>", 7, "body", 0 }, // a comment holds no element
        { "two", 0, "p", 1 }, // a ">" inside a quoted value does not end the tag
        { "three", 0, "p", 1 }, // after a void element
        { "four", 0, "b", 0 },
        { "<p>five", 3, "textarea", 0 }, // its text holds no element
        { "<p>six", 4, "p", 2 },
        { "seven", 0, "p", 3 }, // names in any case
        { "a <p> b", 3, "title", 0 },
        { "<div>", 1, "div", 0 },
    };
    for (const Case& c : cases) {
        const std::size_t offset = kPage.find(c.at) + c.shift;
        const auto place = elementAt(kPage, offset);
        ASSERT_TRUE(place) << c.at;
        EXPECT_EQ(place->name, c.name) << c.at;
        EXPECT_EQ(place->index, c.index) << c.at;
    }
    EXPECT_EQ(elementAt(kPage, 0)->name, "html");
    EXPECT_FALSE(elementAt("just text", 4));
}

TEST(ElementPlace, StartTagsFoundAgainInTheFormattedText)
{
    const std::string formatted = formatHtml(kPage, IndentKind::Tab);
    for (const auto& [name, index, expected] :
        std::vector<std::tuple<std::string, std::size_t, std::string>> { { "p", 0, "<p>\n" },
            { "p", 1, "<p id=\"x>y\">" }, { "p", 3, "<P>" }, { "b", 0, "<b>" }, { "img", 0, "<img" } }) {
        const auto at = startTagOf(formatted, { name, index });
        ASSERT_TRUE(at) << name << index;
        EXPECT_EQ(formatted.compare(*at, expected.size(), expected), 0) << name << index;
        // And the element at that offset is the same one.
        const auto back = elementAt(formatted, *at + 1);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->name, name);
        EXPECT_EQ(back->index, index);
    }
    EXPECT_FALSE(startTagOf(formatted, { "p", 4 }));
    EXPECT_FALSE(startTagOf(formatted, { "table", 0 }));
}

} // namespace
} // namespace inkwell
