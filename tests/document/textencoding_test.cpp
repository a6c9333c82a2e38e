#include "core/utf8.h"
#include "document/textencoding.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>

namespace inkwell {
namespace {

using namespace std::string_view_literals;

// Bytes as hex pairs, so that a failing comparison shows where encodings part.
std::string hex(std::string_view bytes)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}

struct LabelCase
{
    std::string_view label;
    std::optional<TextEncoding> encoding;
};

class Labels : public ::testing::TestWithParam<LabelCase>
{
};

TEST_P(Labels, NameTheEncodingBrowsersUse)
{
    EXPECT_EQ(encodingFromLabel(GetParam().label), GetParam().encoding) << GetParam().label;
}

INSTANTIATE_TEST_SUITE_P(Table, Labels,
    ::testing::Values(LabelCase { "gb2312", TextEncoding::Gb18030 },
        LabelCase { " GBK\t", TextEncoding::Gb18030 }, LabelCase { "GB18030", TextEncoding::Gb18030 },
        LabelCase { "x-gbk", TextEncoding::Gb18030 }, LabelCase { "utf-8", TextEncoding::Utf8 },
        LabelCase { "UTF8", TextEncoding::Utf8 }, LabelCase { "iso-8859-1", TextEncoding::Windows1252 },
        LabelCase { "us-ascii", TextEncoding::Windows1252 }, LabelCase { "Big5", TextEncoding::Big5 },
        LabelCase { "shift_jis", TextEncoding::ShiftJis }, LabelCase { "utf-16", TextEncoding::Utf16Le },
        LabelCase { "gb 2312", std::nullopt }, LabelCase { "utf-7", std::nullopt },
        LabelCase { "", std::nullopt }));

struct DeclarationCase
{
    const char* name;
    std::string_view markup;
    std::optional<TextEncoding> declared;
};

class Declarations : public ::testing::TestWithParam<DeclarationCase>
{
};

TEST_P(Declarations, AreFoundAsBrowsersFindThem)
{
    EXPECT_EQ(declaredEncoding(GetParam().markup), GetParam().declared) << GetParam().markup;
}

INSTANTIATE_TEST_SUITE_P(Table, Declarations,
    ::testing::Values(
        DeclarationCase { "charset", R"(<html><head><meta charset="utf-8">)", TextEncoding::Utf8 },
        DeclarationCase { "unquoted", "<meta charset=gb2312>", TextEncoding::Gb18030 },
        DeclarationCase { "slash", "<meta/charset=utf-8>", TextEncoding::Utf8 },
        DeclarationCase { "pragma", R"(<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=GBK">)",
            TextEncoding::Gb18030 },
        DeclarationCase { "pragma_after_content",
            R"(<meta content="text/html;charset=utf-8" http-equiv="content-type"/>)", TextEncoding::Utf8 },
        DeclarationCase { "quoted_in_content",
            R"(<meta http-equiv="Content-Type" content="text/html; charset='big5'">)", TextEncoding::Big5 },
        DeclarationCase {
            "content_without_pragma", R"(<meta content="text/html; charset=utf-8">)", std::nullopt },
        DeclarationCase { "other_meta", R"(<meta name="keywords" content="charset=big5">)", std::nullopt },
        DeclarationCase {
            "in_comment", R"(<!-- <meta charset="utf-8"> --><meta charset="gbk">)", TextEncoding::Gb18030 },
        DeclarationCase { "self_closing_comment", R"(<!--><meta charset="big5">)", TextEncoding::Big5 },
        DeclarationCase { "unclosed_comment", R"(<!-- <meta charset="utf-8">)", std::nullopt },
        DeclarationCase { "in_attribute_value", R"(<p title="<meta charset=big5>">x</p>)", std::nullopt },
        DeclarationCase {
            "unknown_then_known", R"(<meta charset="bogus"><meta charset="big5">)", TextEncoding::Big5 },
        DeclarationCase { "utf16_read_as_utf8", R"(<meta charset="utf-16">)", TextEncoding::Utf8 },
        DeclarationCase { "latin1", "<meta charset='ISO-8859-1'>", TextEncoding::Windows1252 },
        DeclarationCase { "first_wins", R"(<meta charset="utf-8"><meta charset="gbk">)", TextEncoding::Utf8 },
        DeclarationCase { "metadata_tag", "<metadata charset=utf-8>", std::nullopt },
        DeclarationCase { "cut_off", "<meta charset=", std::nullopt },
        DeclarationCase { "blank_page",
            "<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />\r\n",
            TextEncoding::Gb18030 },
        DeclarationCase { "none", "<html><body>charset=utf-8</body></html>", std::nullopt }),
    [](const auto& test) { return std::string(test.param.name); });

struct SniffCase
{
    const char* name;
    std::string_view bytes;
    TextEncoding encoding;
    EncodingSource source;
};

class Sniffing : public ::testing::TestWithParam<SniffCase>
{
};

TEST_P(Sniffing, TriesMarkThenDeclarationThenUtf8ThenChineseElseWindows1252)
{
    const auto guess = sniffEncoding(GetParam().bytes);
    EXPECT_EQ(guess.encoding, GetParam().encoding);
    EXPECT_EQ(guess.source, GetParam().source);
}

INSTANTIATE_TEST_SUITE_P(Table, Sniffing,
    ::testing::Values(SniffCase { "utf8_bom_beats_declaration", "\xEF\xBB\xBF<meta charset=gbk>",
                          TextEncoding::Utf8, EncodingSource::ByteOrderMark },
        SniffCase { "utf16le_bom", "\xFF\xFE<\0"sv, TextEncoding::Utf16Le, EncodingSource::ByteOrderMark },
        SniffCase { "utf16be_bom", "\xFE\xFF\0<"sv, TextEncoding::Utf16Be, EncodingSource::ByteOrderMark },
        SniffCase { "declaration_beats_valid_utf8", "<meta charset=gbk><p>abc</p>", TextEncoding::Gb18030,
            EncodingSource::Declaration },
        SniffCase { "ascii_is_utf8", "<p>abc</p>", TextEncoding::Utf8, EncodingSource::ValidUtf8 },
        SniffCase { "utf8_chinese", "<p>\xE4\xB8\xAD</p>", TextEncoding::Utf8, EncodingSource::ValidUtf8 },
        // Browsers read undeclared bytes as windows-1252 even when they are UTF-8 ("Don\xE2\x80\x99t" shows
        // as "Donâ€™t"); UTF-8 is the better reading, and the page is saved declaring it.
        SniffCase { "undeclared_utf8_punctuation", "<p>Don\xE2\x80\x99t \xE2\x80\x9Cquote\xE2\x80\x9D</p>",
            TextEncoding::Utf8, EncodingSource::ValidUtf8 },
        SniffCase { "empty_is_utf8", "", TextEncoding::Utf8, EncodingSource::ValidUtf8 },
        SniffCase { "gbk_bytes", "<p>\xD6\xD0\xCE\xC4</p>", TextEncoding::Gb18030, EncodingSource::Fallback },
        SniffCase { "overlong_utf8", "\xC0\xAF", TextEncoding::Gb18030, EncodingSource::Fallback },
        // Not UTF-8, not plainly Chinese: read as windows-1252, the way browsers read an undeclared page.
        SniffCase { "utf8_surrogate", "\xED\xA0\x80", TextEncoding::Windows1252, EncodingSource::Fallback },
        SniffCase { "latin1_before_blank", "<p>Pokorn\xFD 2</p>", TextEncoding::Windows1252,
            EncodingSource::Fallback },
        SniffCase { "latin1_that_is_valid_gb18030", "<p>J\xE9r\xF4me</p>", TextEncoding::Windows1252,
            EncodingSource::Fallback },
        // Well-formed GB18030, but as rare hanzi: Latin-2 letters next to each other, of one page and of a
        // longer text.
        SniffCase { "latin2_letters_that_pair", "<p>\xEC\xB9\xE8\xF8</p>", TextEncoding::Windows1252,
            EncodingSource::Fallback },
        SniffCase { "latin2_words_that_pair",
            "<p>\xE8\xED \xE8\xEDslo, \xB9\xED\xF8"
            "e</p>",
            TextEncoding::Windows1252, EncodingSource::Fallback },
        SniffCase { "gbk_punctuation_and_frequent_hanzi", "<p>\xA1\xB0\xD6\xD0\xCE\xC4\xA1\xB1\xA3\xAC</p>",
            TextEncoding::Gb18030, EncodingSource::Fallback },
        SniffCase { "gbk_with_an_extension_character",
            "<p>\xD6\xD0\xCE\xC4\xB5\xC4\xCE\xC4\xD5\xC2\xCA\xC7\xCB\xFB\x81\x40</p>", TextEncoding::Gb18030,
            EncodingSource::Fallback },
        // Undeclared East Asian text and UTF-8 with a stray byte are read in what they plainly are.
        SniffCase { "shift_jis_kana_and_kanji",
            "<p>\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD\x81\x41\x90\xA2\x8A\x45</p>", TextEncoding::ShiftJis,
            EncodingSource::Fallback },
        SniffCase { "big5_trails_below_7f", "<p>\xC5\x77\xAA\xEF\xA5\xFA\xC1\x7B</p>", TextEncoding::Big5,
            EncodingSource::Fallback },
        SniffCase { "utf8_chinese_with_a_stray_byte", "<p>\xE4\xB8\xAD\xE6\x96\x87\xFF\xE7\xBD\x91</p>",
            TextEncoding::Utf8, EncodingSource::Fallback },
        SniffCase { "utf16le_without_mark", "<\0p\0>\0-N<\0/\0p\0>\0"sv, TextEncoding::Utf16Le,
            EncodingSource::Fallback },
        SniffCase { "xml_declaration", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<html>J\xE9",
            TextEncoding::Windows1252, EncodingSource::Declaration },
        SniffCase { "meta_beats_xml_declaration", "<?xml version='1.0' encoding='utf-8'?><meta charset=gbk>",
            TextEncoding::Gb18030, EncodingSource::Declaration },
        SniffCase { "xml_declaration_not_at_start", "<p><?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>",
            TextEncoding::Utf8, EncodingSource::ValidUtf8 }),
    [](const auto& test) { return std::string(test.param.name); });

struct DecodeCase
{
    const char* name;
    std::string_view bytes;
    TextEncoding encoding;
    std::string_view text;
    std::size_t invalid;
};

class Decoding : public ::testing::TestWithParam<DecodeCase>
{
};

TEST_P(Decoding, GivesUtf8AndMarksWhatIsNotText)
{
    const auto decoded = decodeText(GetParam().bytes, GetParam().encoding);
    EXPECT_EQ(hex(decoded.utf8), hex(GetParam().text));
    EXPECT_EQ(decoded.invalidSequences, GetParam().invalid);
}

INSTANTIATE_TEST_SUITE_P(Table, Decoding,
    ::testing::Values(DecodeCase { "gbk", "\xD6\xD0\xCE\xC4", TextEncoding::Gb18030, "中文", 0 },
        DecodeCase { "gb18030_four_bytes", "\x94\x39\xFC\x36", TextEncoding::Gb18030, "😀", 0 },
        // A lead byte followed by ASCII loses only itself; the ASCII character is kept.
        DecodeCase { "gb18030_bad_pair", "\x81 x", TextEncoding::Gb18030, "\xEF\xBF\xBD x", 1 },
        DecodeCase { "gb18030_cut_at_end", "a\xD6", TextEncoding::Gb18030, "a\xEF\xBF\xBD", 1 },
        DecodeCase { "utf8_invalid_bytes", "a\xFF\xC3", TextEncoding::Utf8, "a\xEF\xBF\xBD\xEF\xBF\xBD", 2 },
        DecodeCase { "utf16le", "<\0-N"sv, TextEncoding::Utf16Le, "<中", 0 },
        DecodeCase { "utf16be_pair", "\xD8\x3D\xDE\x00"sv, TextEncoding::Utf16Be, "😀", 0 },
        // A lone surrogate costs one code unit; the text after it stays aligned.
        DecodeCase { "utf16le_lone_surrogate",
            "\x00\xD8"
            "a\0"sv,
            TextEncoding::Utf16Le,
            "\xEF\xBF\xBD"
            "a",
            1 },
        DecodeCase { "windows1252", "caf\xE9 \x80", TextEncoding::Windows1252, "café €", 0 },
        DecodeCase { "big5", "\xA4\xA4\xA4\xE5", TextEncoding::Big5, "中文", 0 }),
    [](const auto& test) { return std::string(test.param.name); });

struct EncodeCase
{
    const char* name;
    std::string_view text;
    TextEncoding encoding;
    std::string_view bytes;
    std::size_t references;
};

class Encoding : public ::testing::TestWithParam<EncodeCase>
{
};

TEST_P(Encoding, WritesWhatTheEncodingCannotHoldAsReferences)
{
    const auto encoded = encodeText(GetParam().text, GetParam().encoding);
    EXPECT_EQ(hex(encoded.bytes), hex(GetParam().bytes));
    EXPECT_EQ(encoded.characterReferences, GetParam().references);
}

INSTANTIATE_TEST_SUITE_P(Table, Encoding,
    ::testing::Values(
        EncodeCase { "gb18030", "<p>中文</p>", TextEncoding::Gb18030, "<p>\xD6\xD0\xCE\xC4</p>", 0 },
        EncodeCase { "gb18030_emoji", "😀𠀀", TextEncoding::Gb18030, "\x94\x39\xFC\x36\x95\x32\x82\x36", 0 },
        EncodeCase { "gb18030_private_use", "\uE78D", TextEncoding::Gb18030, "&#59277;", 1 },
        EncodeCase { "utf8", "中😀", TextEncoding::Utf8, "\xE4\xB8\xAD\xF0\x9F\x98\x80", 0 },
        EncodeCase { "utf8_repairs_input", "a\xFF", TextEncoding::Utf8, "a\xEF\xBF\xBD", 0 },
        EncodeCase {
            "latin1_references", "café 中😀!", TextEncoding::Windows1252, "caf\xE9 &#20013;&#128512;!", 2 },
        EncodeCase { "big5_reference", "中😀", TextEncoding::Big5, "\xA4\xA4&#128512;", 1 },
        EncodeCase { "utf16le", "<中", TextEncoding::Utf16Le, "<\0-N"sv, 0 },
        EncodeCase { "utf16be", "😀", TextEncoding::Utf16Be, "\xD8\x3D\xDE\x00"sv, 0 }),
    [](const auto& test) { return std::string(test.param.name); });

struct SaveCase
{
    const char* name;
    std::string_view markup;
    TextEncoding openedIn;
    TextEncoding written;
    std::string_view start; // the first bytes of the file
};

class SavedEncoding : public ::testing::TestWithParam<SaveCase>
{
};

TEST_P(SavedEncoding, FollowsTheDeclarationElseTheEncodingOpenedIn)
{
    const auto saved = encodeDocument(GetParam().markup, GetParam().openedIn);
    EXPECT_EQ(saved.encoding, GetParam().written);
    EXPECT_EQ(hex(saved.bytes.substr(0, GetParam().start.size())), hex(GetParam().start));
}

INSTANTIATE_TEST_SUITE_P(Table, SavedEncoding,
    ::testing::Values(SaveCase { "gb2312_as_gb18030", "<meta charset=gb2312>中", TextEncoding::Utf8,
                          TextEncoding::Gb18030, "<meta charset=gb2312>\xD6\xD0" },
        SaveCase { "utf8_declared", "<meta charset=utf-8>中", TextEncoding::Gb18030, TextEncoding::Utf8,
            "<meta charset=utf-8>\xE4\xB8\xAD" },
        // An undeclared page keeps the encoding it was opened in and, holding more than ASCII, says so.
        SaveCase { "undeclared_keeps_utf8", "<html><head><title>中</title></head>", TextEncoding::Utf8,
            TextEncoding::Utf8, "<html><head><meta charset=\"utf-8\"><title>\xE4\xB8\xAD" },
        SaveCase { "undeclared_keeps_gb18030", "<HTML lang=\"zh\"><Head class=\"a>b\">中",
            TextEncoding::Gb18030, TextEncoding::Gb18030,
            "<HTML lang=\"zh\"><Head class=\"a>b\"><meta charset=\"gb18030\">\xD6\xD0" },
        SaveCase { "undeclared_latin1", "<html><header></header><body>\u00A9", TextEncoding::Windows1252,
            TextEncoding::Windows1252, "<html><meta charset=\"windows-1252\"><header></header><body>\xA9" },
        SaveCase { "undeclared_ascii_untouched", "<html><head></head>&amp;", TextEncoding::Utf8,
            TextEncoding::Utf8, "<html><head></head>&amp;" },
        SaveCase { "undeclared_without_head_uses_references", "<p>中\u00A9</p>", TextEncoding::Utf8,
            TextEncoding::Utf8, "<p>&#20013;&#169;</p>" },
        SaveCase { "xml_declaration",
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><html><head></head>\u00E9", TextEncoding::Utf8,
            TextEncoding::Windows1252,
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><html><head></head>\xE9" },
        SaveCase {
            "utf16_gets_its_mark", "<p>", TextEncoding::Utf16Le, TextEncoding::Utf16Le, "\xFF\xFE<\0"sv },
        SaveCase { "utf8_gets_no_mark", "<p>", TextEncoding::Utf8, TextEncoding::Utf8, "<p>" }),
    [](const auto& test) { return std::string(test.param.name); });

// Every character outside the private use area comes back from a save in these encodings and a new open.
// (A few private-use code points have no GB18030 bytes of their own; they are written as references.
// U+10FE00-U+10FEFF stand for bytes that were no text and are written as those bytes.)
TEST(RoundTrip, Gb18030AndUtf8KeepEveryCharacter)
{
    std::string text;
    for (char32_t c = 1; c <= 0x10FFFF; c += (c < 0x30000 ? 1 : 97)) {
        if ((c >= 0xD800 && c <= 0xDFFF) || (c >= 0xE000 && c <= 0xF8FF) || (c >= 0x10FE00 && c <= 0x10FEFF))
            continue;
        appendUtf8(text, c);
    }
    for (const auto encoding : { TextEncoding::Gb18030, TextEncoding::Utf8, TextEncoding::Utf16Be }) {
        const auto encoded = encodeText(text, encoding);
        EXPECT_EQ(encoded.characterReferences, 0u) << encodingName(encoding);
        const auto decoded = decodeText(encoded.bytes, encoding);
        EXPECT_EQ(decoded.invalidSequences, 0u) << encodingName(encoding);
        EXPECT_TRUE(decoded.utf8 == text) << encodingName(encoding);
    }
}

// The copies this parser replaces read `charset=` three ways: with or without blanks around "=", single
// quotes kept or dropped, a quote left open taken or refused. The rows mark who used to differ.
struct CharsetCase
{
    std::string_view contentType;
    std::optional<std::string_view> label;
};

class CharsetParameter : public ::testing::TestWithParam<CharsetCase>
{
};

TEST_P(CharsetParameter, ReadsTheLabelAsBrowsersDo)
{
    EXPECT_EQ(charsetParameter(GetParam().contentType), GetParam().label) << GetParam().contentType;
}

INSTANTIATE_TEST_SUITE_P(Table, CharsetParameter,
    ::testing::Values(CharsetCase { "text/html; charset=gb2312", "gb2312" },
        CharsetCase { "text/html;charset=GBK", "GBK" }, // the case as written; the name matched without it
        CharsetCase { "text/html; CharSet=utf-8", "utf-8" },
        CharsetCase { "text/html; charset=\"utf-8\"", "utf-8" },
        CharsetCase { "text/html; charset=utf-8; q=1", "utf-8" },
        CharsetCase { "text/html; charset=big5 ", "big5" },
        // The archive kept the single quote in the label, which then named nothing.
        CharsetCase { "text/html; charset='big5'", "big5" },
        // The archive and the HTML scanner found no label where blanks stand around "=".
        CharsetCase { "text/html; charset = gbk", "gbk" },
        // They took the label of a quote left open, which a browser refuses.
        CharsetCase { "text/html; charset=\"utf-8", std::nullopt },
        CharsetCase { "text/html; charsetx; charset=big5", "big5" },
        CharsetCase { "text/html", std::nullopt }, CharsetCase { "text/html; charset=", std::nullopt },
        CharsetCase { "", std::nullopt }));

struct SourceCase
{
    const char* name;
    std::string_view bytes;
    std::optional<TextEncoding> transport;
    std::optional<TextEncoding> declared;
    TextEncoding encoding;
    EncodingSource source;
};

class Sniffer : public ::testing::TestWithParam<SourceCase>
{
};

// The editor's sniffing is this one with no transport; the archive's adds the server's charset.
TEST_P(Sniffer, TriesEachSourceInTurn)
{
    const SourceCase& c = GetParam();
    const EncodingGuess guess = sniffEncoding(c.bytes, c.transport, c.declared);
    EXPECT_EQ(guess.encoding, c.encoding);
    EXPECT_EQ(guess.source, c.source);
}

INSTANTIATE_TEST_SUITE_P(Table, Sniffer,
    ::testing::Values(SourceCase { "bom_beats_transport", "\xEF\xBB\xBFx", TextEncoding::Gb18030,
                          TextEncoding::Big5, TextEncoding::Utf8, EncodingSource::ByteOrderMark },
        SourceCase { "transport_beats_declaration", "<p>\xD6\xD0</p>", TextEncoding::Gb18030,
            TextEncoding::Utf8, TextEncoding::Gb18030, EncodingSource::Transport },
        SourceCase { "declaration_without_transport", "<p>abc</p>", std::nullopt, TextEncoding::Big5,
            TextEncoding::Big5, EncodingSource::Declaration },
        SourceCase { "valid_utf8", "<p>\xE4\xB8\xAD</p>", std::nullopt, std::nullopt, TextEncoding::Utf8,
            EncodingSource::ValidUtf8 },
        SourceCase { "fallback", "<p>\xD6\xD0</p>", std::nullopt, std::nullopt, TextEncoding::Gb18030,
            EncodingSource::Fallback }),
    [](const auto& test) { return std::string(test.param.name); });

// A page whose first declaration names no encoding: the editor reads it in the first one that does,
// and so must the archive, which used to label the page with the first label whatever it named.
TEST(Sniffer, AnUnknownLabelIsPassedOverAsTheEditorDoes)
{
    constexpr std::string_view page = "<meta charset=\"bogus\"><meta charset=\"big5\"><p>\xA4\xA4</p>";
    EXPECT_EQ(sniffEncoding(page).encoding, TextEncoding::Big5);
    EXPECT_EQ(
        sniffEncoding(page, encodingFromLabel("bogus"), declaredEncoding(page)).encoding, TextEncoding::Big5);
}

} // namespace
} // namespace inkwell
