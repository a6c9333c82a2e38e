// The element table every reader of markup follows, and character references read as a browser reads them.
#include "core/utf8.h"
#include "html/elements.h"
#include "html/entities.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <string_view>

namespace inkwell {
namespace {

TEST(ElementTable, SaysHowEachElementsContentIsRead)
{
    struct Case
    {
        std::string_view name;
        ElementContent content;
    };
    const Case cases[] = {
        // Every void element, the old ones a browser still reads without content included.
        { "area", ElementContent::Void },
        { "base", ElementContent::Void },
        { "basefont", ElementContent::Void },
        { "br", ElementContent::Void },
        { "col", ElementContent::Void },
        { "embed", ElementContent::Void },
        { "frame", ElementContent::Void },
        { "hr", ElementContent::Void },
        { "img", ElementContent::Void },
        { "input", ElementContent::Void },
        { "isindex", ElementContent::Void },
        { "keygen", ElementContent::Void },
        { "link", ElementContent::Void },
        { "meta", ElementContent::Void },
        { "param", ElementContent::Void },
        { "source", ElementContent::Void },
        { "track", ElementContent::Void },
        { "wbr", ElementContent::Void },
        { "script", ElementContent::Script },
        { "style", ElementContent::RawText },
        { "xmp", ElementContent::RawText },
        { "iframe", ElementContent::RawText },
        { "noembed", ElementContent::RawText },
        { "noframes", ElementContent::RawText },
        { "textarea", ElementContent::EscapableRawText },
        { "title", ElementContent::EscapableRawText },
        { "plaintext", ElementContent::PlainText },
        // Markup: noscript (read as without scripts), pre (text only for the formatter), names that
        // share a length or a beginning with a listed one, upper case (the table wants lower case).
        { "noscript", ElementContent::Markup },
        { "pre", ElementContent::Markup },
        { "colgroup", ElementContent::Markup },
        { "sourc", ElementContent::Markup },
        { "td", ElementContent::Markup },
        { "BR", ElementContent::Markup },
        { "", ElementContent::Markup },
        { "video", ElementContent::Markup },
        { "?xml", ElementContent::Markup },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(contentOf(c.name), c.content) << c.name;
        EXPECT_EQ(isVoidElement(c.name), c.content == ElementContent::Void) << c.name;
        EXPECT_EQ(holdsTextUpToEndTag(c.name),
            c.content == ElementContent::Script || c.content == ElementContent::RawText
                || c.content == ElementContent::EscapableRawText)
            << c.name;
    }
}

TEST(CharacterReferences, DecodeAsABrowserReadsAnAttributeValue)
{
    struct Case
    {
        const char* name;
        std::string_view raw;
        std::string_view decoded;
    };
    const Case cases[] = {
        { "named", "a&amp;b&lt;&quot;", "a&b<\"" },
        { "named_outside_ascii", "&copy;&nbsp;&hellip;", "\xC2\xA9\xC2\xA0\xE2\x80\xA6" },
        { "legacy_without_semicolon", "&amp x", "& x" },
        { "legacy_before_equals_stays", "a?x=1&copy=2", "a?x=1&copy=2" },
        { "legacy_before_letter_stays", "&copyx", "&copyx" },
        { "longest_name_wins", "&notin;", "\xE2\x88\x89" },
        { "legacy_prefix_of_an_unknown_name_stays", "&notit;", "&notit;" },
        { "legacy_prefix_before_a_sign", "&not.", "\xC2\xAC." },
        { "unknown_name_stays", "&nosuch; &", "&nosuch; &" },
        { "decimal_and_hex", "&#65;&#x42;&#X43", "ABC" },
        { "windows_1252_range", "&#128;&#x99;", "\xE2\x82\xAC\xE2\x84\xA2" },
        { "unassigned_in_that_range_stands_for_itself", "&#129;", "\xC2\x81" },
        { "no_character", "&#0;&#xD800;&#x110000;&#99999999999999999999;",
            "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD" },
        { "hash_without_digits", "&#;&#x;", "&#;&#x;" },
        { "line_ends_and_nul", std::string_view("a\r\nb\rc\0d", 8),
            "a\nb\nc\xEF\xBF\xBD"
            "d" },
        { "empty", "", "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(decodeAttributeValue(c.raw), c.decoded) << c.name;
}

TEST(Utf8Appender, WritesEachLengthAndReplacesWhatIsNoCharacter)
{
    struct Case
    {
        std::uint32_t codePoint;
        std::string_view bytes;
    };
    const Case cases[] = {
        { 0x41, "A" },
        { 0x7F, "\x7F" },
        { 0x80, "\xC2\x80" },
        { 0x7FF, "\xDF\xBF" },
        { 0x800, "\xE0\xA0\x80" },
        { 0x4E2D, "\xE4\xB8\xAD" },
        { 0xFFFF, "\xEF\xBF\xBF" },
        { 0x10000, "\xF0\x90\x80\x80" },
        { 0x10FFFF, "\xF4\x8F\xBF\xBF" },
        { 0, "\xEF\xBF\xBD" },
        { 0xD800, "\xEF\xBF\xBD" },
        { 0xDFFF, "\xEF\xBF\xBD" },
        { 0x110000, "\xEF\xBF\xBD" },
    };
    for (const Case& c : cases) {
        std::string out = "x";
        appendUtf8(out, c.codePoint);
        EXPECT_EQ(std::string_view(out).substr(1), c.bytes) << std::hex << c.codePoint;
    }
}

} // namespace
} // namespace inkwell
