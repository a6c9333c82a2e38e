// What the link and picture dialogs change on their element, the script literals that carry the changes
// into the page, and the size a picture takes when a corner is dragged or one side is typed.
#include "editing/objectattributes.h"

#include <gtest/gtest.h>

namespace inkwell {
namespace {

std::string shown(const AttributeChanges& changes)
{
    return scriptChanges(changes);
}

struct LinkCase
{
    const char* name;
    LinkFields fields;
    std::string_view currentTarget;
    AttributeChanges expected;
};

class LinkChanges : public ::testing::TestWithParam<LinkCase>
{
};

TEST_P(LinkChanges, SetWhatWasGivenAndTakeAwayWhatWasCleared)
{
    const LinkCase& c = GetParam();
    EXPECT_EQ(shown(linkChanges(c.fields, c.currentTarget)), shown(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Table, LinkChanges,
    ::testing::Values(LinkCase { "AddressOnly", { "http://example.cn/", "", false }, "",
                          { { "href", "http://example.cn/" }, { "title", std::nullopt } } },
        LinkCase { "TitleAndNewWindow", { "http://example.cn/", "我的博客", true }, "",
            { { "href", "http://example.cn/" }, { "title", "我的博客" }, { "target", "_blank" } } },
        // Unticking the box takes away the new window it stood for, not a frame the page names.
        LinkCase { "NewWindowUnticked", { "a.html", "", false }, "_blank",
            { { "href", "a.html" }, { "title", std::nullopt }, { "target", std::nullopt } } },
        LinkCase { "FrameTargetKept", { "a.html", "", false }, "main",
            { { "href", "a.html" }, { "title", std::nullopt } } },
        LinkCase {
            "EmptyAddressStaysALink", { "", "", false }, "", { { "href", "" }, { "title", std::nullopt } } }),
    [](const auto& row) { return std::string(row.param.name); });

TEST(LinkFields, ComeFromTheLinkAsItStands)
{
    const LinkFields fields = linkFieldsOf("http://x.cn/?a=1&b=2", "标题", "_blank");
    EXPECT_EQ(fields.address, "http://x.cn/?a=1&b=2");
    EXPECT_EQ(fields.title, "标题");
    EXPECT_TRUE(fields.newWindow);
    EXPECT_FALSE(linkFieldsOf("a", "", "main").newWindow);
}

TEST(PictureChanges, SizeAltAndReplacedSource)
{
    EXPECT_EQ(shown(pictureChanges({ 120, 80, "西湖", std::nullopt })),
        R"([["width","120"],["height","80"],["alt","西湖"]])");
    // A side of 0 goes, so the picture shows at its own size; the alt stays even when empty.
    EXPECT_EQ(shown(pictureChanges({ 0, 0, "", std::string("new%20one.png") })),
        R"([["src","new%20one.png"],["width",null],["height",null],["alt",""]])");
}

struct StringCase
{
    std::string_view text;
    std::string_view literal;
};

class ScriptString : public ::testing::TestWithParam<StringCase>
{
};

TEST_P(ScriptString, HoldsTheTextExactly)
{
    EXPECT_EQ(scriptString(GetParam().text), GetParam().literal);
}

INSTANTIATE_TEST_SUITE_P(Table, ScriptString,
    ::testing::Values(StringCase { "", R"("")" }, StringCase { "我的博客", R"("我的博客")" },
        // Quotes and backslashes of an address or title the user typed cannot end the literal.
        StringCase { R"(a"b\c)", R"("a\"b\\c")" }, StringCase { "');alert(1);('", R"("');alert(1);('")" },
        StringCase { "line\nbreak\r", R"("line\nbreak\r")" },
        StringCase { std::string_view("\x01\x1f\t", 3), R"("\u0001\u001f\u0009")" },
        // Line and paragraph separators end a line in older script parsers.
        StringCase { "a\u2028b\u2029", R"("a\u2028b\u2029")" },
        // Bytes that are no UTF-8 become the replacement character, never half a sequence.
        StringCase { "a\xE6\x88", "\"a\xEF\xBF\xBD\xEF\xBF\xBD\"" },
        StringCase { "\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\"" }, StringCase { "😀", R"("😀")" }));

struct DragCase
{
    const char* name;
    Corner corner;
    int dx;
    int dy;
    bool keep;
    PictureSize expected;
};

class DraggedSize : public ::testing::TestWithParam<DragCase>
{
};

TEST_P(DraggedSize, FollowsTheCorner)
{
    const DragCase& c = GetParam();
    EXPECT_EQ(draggedSize({ 60, 40 }, c.corner, c.dx, c.dy, c.keep), c.expected) << c.name;
}

PictureSize size(int width, int height)
{
    return { width, height };
}

INSTANTIATE_TEST_SUITE_P(Table, DraggedSize,
    ::testing::Values(
        // Keeping proportions, the side dragged the more for its length decides.
        DragCase { "WiderDecides", Corner::BottomRight, 30, 5, true, size(90, 60) },
        DragCase { "TallerDecides", Corner::BottomRight, 3, 20, true, size(90, 60) },
        DragCase { "Free", Corner::BottomRight, 30, 5, false, size(90, 45) },
        // A left or top corner grows the picture when it moves out, to the left or upwards.
        DragCase { "TopLeftOutwards", Corner::TopLeft, -30, -2, true, size(90, 60) },
        DragCase { "TopRightInwards", Corner::TopRight, -30, 0, true, size(30, 20) },
        DragCase { "BottomLeftFree", Corner::BottomLeft, 10, 10, false, size(50, 50) },
        // Past the opposite corner the picture keeps a pixel, never a negative size.
        DragCase { "CollapsedFree", Corner::BottomRight, -100, -100, false, size(1, 1) },
        DragCase { "CollapsedKept", Corner::BottomRight, -100, 0, true, size(1, 1) },
        DragCase { "NoMove", Corner::TopLeft, 0, 0, true, size(60, 40) }),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ProportionalSide, RoundsAndNeverVanishes)
{
    EXPECT_EQ(heightForWidth({ 60, 40 }, 120), 80);
    EXPECT_EQ(heightForWidth({ 3, 2 }, 100), 67); // 66.67
    EXPECT_EQ(widthForHeight({ 60, 40 }, 10), 15);
    EXPECT_EQ(heightForWidth({ 1000, 1 }, 10), 1);
    // Without proportions to keep (a picture that did not load) the side is taken as it is.
    EXPECT_EQ(heightForWidth({ 0, 0 }, 50), 50);
}

} // namespace
} // namespace inkwell
