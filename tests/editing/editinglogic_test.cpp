// The fixed fragments and the code view's text search, without a display.
#include "editing/fragments.h"
#include "editing/textsearch.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>

namespace {

TEST(Fragments, TableIsSeventeenCrLfLinesOf314Bytes)
{
    const std::string_view table = inkwell::fragments::kTable;
    EXPECT_EQ(table.size(), 314u);
    int lines = 0;
    for (std::size_t at = 0; (at = table.find('\n', at)) != std::string_view::npos; ++at, ++lines)
        EXPECT_EQ(table[at - 1], '\r') << "line " << lines + 1;
    EXPECT_EQ(lines, 17);
    EXPECT_EQ(table.substr(table.size() - 10), "</table>\r\n");
}

TEST(Fragments, ImageElementWrapsTheReference)
{
    EXPECT_EQ(inkwell::fragments::imageFragment(""), "<IMG src=\"\" alt=\"\">");
    EXPECT_EQ(inkwell::fragments::imageFragment("a%20b.png"), "<IMG src=\"a%20b.png\" alt=\"\">");
    EXPECT_EQ(inkwell::fragments::imageFragment("a.bmp", 201, 81),
        "<IMG src=\"a.bmp\" alt=\"\" width=\"201\" height=\"81\">");
}

// Finding in the code view's text: ASCII letters in any case, other characters exactly, wrapping once.
TEST(TextSearch, FindsForwardAndBackwardAndWraps)
{
    using inkwell::findText;
    using inkwell::SearchDirection;
    const std::string text = "<p>Word 中文 word</p>\n<p>WORD 中文</p>";
    const std::size_t first = text.find("Word"), second = text.find("word"), third = text.find("WORD");
    const std::size_t chinese = text.find("中文"), chineseAgain = text.rfind("中文");
    struct Case
    {
        const char* name;
        std::string needle;
        std::size_t from;
        SearchDirection direction;
        std::optional<std::size_t> start;
    };
    const Case cases[] = {
        { "forward_from_start", "word", 0, SearchDirection::Forward, first },
        { "forward_skips_to_next", "word", first + 4, SearchDirection::Forward, second },
        { "forward_wraps", "word", third + 4, SearchDirection::Forward, first },
        { "backward_from_end", "WoRd", text.size(), SearchDirection::Backward, third },
        { "backward_before_a_match", "word", second, SearchDirection::Backward, first },
        { "backward_wraps", "word", first, SearchDirection::Backward, third },
        { "chinese_exact", "中文", first + 4, SearchDirection::Forward, chinese },
        { "chinese_again", "中文", chinese + 1, SearchDirection::Forward, chineseAgain },
        { "no_match", "不在", 0, SearchDirection::Forward, std::nullopt },
        { "empty_needle", "", 0, SearchDirection::Forward, std::nullopt },
        { "needle_longer_than_text", text + "x", 0, SearchDirection::Forward, std::nullopt },
        { "from_past_the_end", "word", text.size() + 10, SearchDirection::Forward, first },
    };
    for (const auto& c : cases) {
        const auto match = findText(text, c.needle, c.from, c.direction);
        ASSERT_EQ(match.has_value(), c.start.has_value()) << c.name;
        if (match) {
            EXPECT_EQ(match->start, *c.start) << c.name;
            EXPECT_EQ(match->end, *c.start + c.needle.size()) << c.name;
        }
    }
    // Only ASCII folds: a non-ASCII letter matches itself alone (É is not é).
    EXPECT_FALSE(findText("café", "CAFÉ", 0, SearchDirection::Forward));
    EXPECT_TRUE(findText("CAFÉ", "cafÉ", 0, SearchDirection::Forward));
}

} // namespace
